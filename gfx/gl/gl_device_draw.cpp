// The GL device's vertex input and drawing: stream and index bindings, the merged DrawPrimitive
// run, and the checks that keep every GL draw inside its buffers.
#include <limits>

#include "gfx/gl/gl_device.h"
#include "gfx/gl/gl_font.h"

HRESULT GlDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  // Only this backend's declarations reach its device; a foreign one is a caller error.
  auto* glDeclaration = dynamic_cast<GlVertexDeclaration*>(declaration);
  if (declaration && !glDeclaration) return D3DERR_INVALIDCALL;
  if (declaration_ == glDeclaration) return S_OK;
  FlushDraw();
  declaration_ = glDeclaration;
  inputsDirty_ = true;
  return S_OK;
}

HRESULT GlDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetInBytes,
                                  UINT stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;
  auto* glBuffer = dynamic_cast<GlVertexBuffer*>(buffer);
  if (buffer && !glBuffer) return D3DERR_INVALIDCALL;
  if (streamBuffer_ == glBuffer && streamOffset_ == offsetInBytes && streamStride_ == stride) return S_OK;
  FlushDraw();
  streamBuffer_ = glBuffer;
  streamOffset_ = offsetInBytes;
  streamStride_ = stride;
  inputsDirty_ = true;
  return S_OK;
}

HRESULT GlDevice::SetIndices(IDirect3DIndexBuffer9* buffer) {
  auto* glBuffer = dynamic_cast<GlIndexBuffer*>(buffer);
  if (buffer && !glBuffer) return D3DERR_INVALIDCALL;
  if (indexBuffer_ == glBuffer) return S_OK;
  FlushDraw();
  indexBuffer_ = glBuffer;
  return S_OK;
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  // The hot path: a call that continues the waiting run only lengthens it.
  const uint64_t vertices = static_cast<uint64_t>(primitiveCount) * 3;
  if (pendingCount_ != 0 && type == D3DPT_TRIANGLELIST && startVertex == pendingFirst_ + pendingCount_ &&
      pendingCount_ + vertices <= std::numeric_limits<UINT>::max()) {
    pendingCount_ += static_cast<UINT>(vertices);
    return S_OK;
  }
  if (type != D3DPT_TRIANGLELIST || primitiveCount == 0 ||
      static_cast<uint64_t>(startVertex) + vertices > std::numeric_limits<UINT>::max()) {
    return D3DERR_INVALIDCALL;
  }
  FlushDraw();
  pendingFirst_ = startVertex;
  pendingCount_ = static_cast<UINT>(vertices);
  return S_OK;
}

void GlDevice::IssuePendingDraw() {
  const UINT first = pendingFirst_, count = pendingCount_;
  pendingCount_ = 0;
  if (!PrepareDraw(static_cast<uint64_t>(first) + count)) return;
  glDrawArrays(GL_TRIANGLES, static_cast<GLint>(first), static_cast<GLsizei>(count));
  ++drawCalls_;
}

void GlDevice::QueueText(ID3DXFont* font) {
  if (pendingText_ == font) return;
  FlushDraw();
  pendingText_ = font;
  pendingText_->AddRef();
}

void GlDevice::IssuePendingText() {
  ID3DXFont* font = pendingText_;
  pendingText_ = nullptr;
  if (DrawQueuedGlFontText(font, cache_, viewport_)) {
    statesDirty_ = true;  // the font set blend, depth, cull and scissor state of its own
    ++drawCalls_;
  }
  font->Release();
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT, UINT,
                                       UINT startIndex, UINT primitiveCount) {
  if (type != D3DPT_TRIANGLELIST || primitiveCount == 0 || baseVertexIndex < 0 || !indexBuffer_) {
    return D3DERR_INVALIDCALL;
  }
  const uint64_t indexCount = static_cast<uint64_t>(primitiveCount) * 3;
  if (startIndex + indexCount > indexBuffer_->indexCount()) return D3DERR_INVALIDCALL;
  FlushDraw();
  const uint64_t vertexEnd = static_cast<uint64_t>(baseVertexIndex) +
                             indexBuffer_->MaxIndex(startIndex, static_cast<UINT>(indexCount)) + 1;
  if (!PrepareDraw(vertexEnd)) return S_OK;
  cache_.BindElementBuffer(indexBuffer_->storage().name());
  glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * 2),
                           baseVertexIndex);
  ++drawCalls_;
  return S_OK;
}

// False when the draw cannot be made safely: nothing to draw with, or vertices past the end of
// the stream's buffer. D3D's runtime refuses such draws as well.
bool GlDevice::PrepareDraw(uint64_t vertexEnd) {
  if (!program_ || !declaration_ || !streamBuffer_ || vertexEnd == 0) return false;
  const uint64_t lastVertex = static_cast<uint64_t>(streamOffset_) + (vertexEnd - 1) * streamStride_;
  if (lastVertex + declaration_->extent() > streamBuffer_->storage().size()) return false;
  cache_.BindVertexArray(vertexArray_);
  if (statesDirty_) ApplyStates();
  if (inputsDirty_) ApplyVertexInputs();
  return true;
}

void GlDevice::ApplyVertexInputs() {
  inputsDirty_ = false;
  cache_.BindArrayBuffer(streamBuffer_->storage().name());
  uint32_t enabled = 0;
  for (int usage = 0; usage < kAttributeUsageCount; ++usage) {
    const GLint location = program_->attributeLocation[usage];
    const GlVertexDeclaration::Element& element = declaration_->element(static_cast<GlAttributeUsage>(usage));
    if (location < 0 || location >= kGlVertexAttributeLocations || !element.present) continue;
    enabled |= 1u << location;
    glVertexAttribPointer(
        static_cast<GLuint>(location), element.components, GL_FLOAT, GL_FALSE,
        static_cast<GLsizei>(streamStride_),
        reinterpret_cast<const void*>(static_cast<uintptr_t>(streamOffset_) + element.offset));
  }
  for (GLuint location = 0; location < 16; ++location) {
    const uint32_t bit = 1u << location;
    if ((enabled & bit) == (enabledAttributes_ & bit) && !attributesUnknown_) continue;
    if (enabled & bit) {
      glEnableVertexAttribArray(location);
    } else {
      glDisableVertexAttribArray(location);
    }
  }
  enabledAttributes_ = enabled;
  attributesUnknown_ = false;
}

void GlDevice::Forget(const GlVertexBuffer* buffer) {
  if (streamBuffer_ != buffer) return;
  FlushDraw();
  streamBuffer_ = nullptr;
  inputsDirty_ = true;
}

void GlDevice::Forget(const GlIndexBuffer* buffer) {
  if (indexBuffer_ == buffer) indexBuffer_ = nullptr;
}

void GlDevice::Forget(const GlVertexDeclaration* declaration) {
  if (declaration_ != declaration) return;
  FlushDraw();
  declaration_ = nullptr;
  inputsDirty_ = true;
}

void GlDevice::Forget(const GlTextureObject* texture) {
  for (GlTextureObject*& bound : textures_) {
    if (bound != texture) continue;
    FlushDraw();
    bound = nullptr;
    statesDirty_ = true;
  }
}

void GlDevice::Forget(const GlProgramBinding* program) {
  if (program_ != program) return;
  FlushDraw();
  program_ = nullptr;
}
