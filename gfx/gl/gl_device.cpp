// The GL device: creation, render and sampler states, textures and the viewport.
#include "gfx/gl/gl_device.h"

#include <algorithm>

#include "gfx/window.h"

namespace {

GLenum BlendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    default:
      return GL_ONE;
  }
}

GLint MinFilter(DWORD minFilter, DWORD mipFilter) {
  const bool linear = minFilter >= D3DTEXF_LINEAR;
  switch (mipFilter) {
    case D3DTEXF_POINT:
      return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
      return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default:
      return linear ? GL_LINEAR : GL_NEAREST;
  }
}

GLint AddressMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

}  // namespace

GlDevice::GlDevice(PlatformWindow* window) : window_(window) {}

HRESULT GlDevice::Create(PlatformWindow* window, const D3DPRESENT_PARAMETERS& parameters, GlDevice** out) {
  *out = nullptr;
  if (!window || !window->MakeCurrent()) return D3DERR_NOTAVAILABLE;
  if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 33) return D3DERR_NOTAVAILABLE;
  int width = static_cast<int>(parameters.BackBufferWidth);
  int height = static_cast<int>(parameters.BackBufferHeight);
  if (width <= 0 || height <= 0) {
    int drawableWidth = 0, drawableHeight = 0;
    window->GetDrawableSize(&drawableWidth, &drawableHeight);
    if (width <= 0) width = drawableWidth;
    if (height <= 0) height = drawableHeight;
  }
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;

  // D3DMULTISAMPLE_NONMASKABLE (1) asks for no particular count; take it as none.
  const int samples = parameters.MultiSampleType >= 2 && parameters.MultiSampleType <= 16
                          ? static_cast<int>(parameters.MultiSampleType)
                          : 1;
  auto* device = new GlDevice(window);
  if (!device->CreateFramebuffer(width, height, samples)) {
    device->Release();
    return D3DERR_NOTAVAILABLE;
  }
  window->SetSwapInterval(parameters.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  device->viewport_ = {0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
  device->states_.zEnable = parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  *out = device;
  return S_OK;
}

bool GlDevice::CreateFramebuffer(int width, int height, int samples) {
  width_ = width;
  height_ = height;
  GLint most = 1;
  glGetIntegerv(GL_MAX_SAMPLES, &most);
  samples = std::min(samples, std::max(most, 1));
  glGenRenderbuffers(1, &colorBuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
  if (samples > 1) {
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    // The driver may round the count up to one it supports; the depth buffer must match it.
    GLint given = samples;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
    samples = std::max(given, 1);
  } else {
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  }
  samples_ = samples;
  glGenRenderbuffers(1, &depthBuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
  if (samples > 1)
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, width, height);
  else
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  if (samples > 1) {
    glGenRenderbuffers(1, &resolveBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, resolveBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &resolveFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFramebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveBuffer_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
  }
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

  glGenVertexArrays(1, &vertexArray_);
  glGenSamplers(kGlTextureUnits, samplerObjects_);
  for (int unit = 0; unit < kGlTextureUnits; ++unit) ApplySamplerObject(unit);
  // Fixed for the device's life: D3D's depth comparison, and front faces wound clockwise on
  // screen, which the negated y turns into counter-clockwise in the framebuffer.
  glDepthFunc(GL_LEQUAL);
  glFrontFace(GL_CCW);
  glDisable(GL_STENCIL_TEST);
  cache_.Invalidate();
  return glGetError() == GL_NO_ERROR;
}

GlDevice::~GlDevice() {
  if (window_) window_->MakeCurrent();
  SafeRelease(pendingText_);  // queued text of a frame never ended is dropped
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
  if (colorBuffer_) glDeleteRenderbuffers(1, &colorBuffer_);
  if (depthBuffer_) glDeleteRenderbuffers(1, &depthBuffer_);
  if (resolveFramebuffer_) glDeleteFramebuffers(1, &resolveFramebuffer_);
  if (resolveBuffer_) glDeleteRenderbuffers(1, &resolveBuffer_);
  if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
  if (samplerObjects_[0]) glDeleteSamplers(kGlTextureUnits, samplerObjects_);
}

void GlDevice::InvalidateGlState() {
  cache_.Invalidate();
  statesDirty_ = true;
  inputsDirty_ = true;
  attributesUnknown_ = true;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void GlDevice::SetProgram(const GlProgramBinding* program) {
  if (program_ == program) return;
  FlushDraw();
  program_ = program;
  statesDirty_ = true;
  inputsDirty_ = true;
}

const GlDevice::RenderStateSlot* GlDevice::FindRenderStateSlot(D3DRENDERSTATETYPE state) {
  constexpr DWORD kAny = ~DWORD{0};
  static constexpr RenderStateSlot kSlots[] = {
      {D3DRS_ZENABLE, &RenderStates::zEnable, 0, kAny, true},
      {D3DRS_ZWRITEENABLE, &RenderStates::zWriteEnable, 0, kAny, true},
      {D3DRS_FILLMODE, &RenderStates::fillMode, D3DFILL_POINT, D3DFILL_SOLID, true},
      {D3DRS_CULLMODE, &RenderStates::cullMode, D3DCULL_NONE, D3DCULL_CCW, true},
      {D3DRS_ALPHABLENDENABLE, &RenderStates::alphaBlendEnable, 0, kAny, true},
      {D3DRS_SRCBLEND, &RenderStates::sourceBlend, 0, kAny, true},
      {D3DRS_DESTBLEND, &RenderStates::destinationBlend, 0, kAny, true},
      {D3DRS_LIGHTING, &RenderStates::lighting, 0, kAny, false},
      {D3DRS_SPECULARENABLE, &RenderStates::specularEnable, 0, kAny, false},
  };
  for (const RenderStateSlot& slot : kSlots)
    if (slot.state == state) return &slot;
  return nullptr;
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  const RenderStateSlot* slot = FindRenderStateSlot(state);
  if (!slot || value < slot->lowest || value > slot->highest) return D3DERR_INVALIDCALL;
  DWORD& kept = states_.*slot->value;
  if (!slot->drawn) {
    kept = value;
    return S_OK;
  }
  if (kept == value) return S_OK;
  FlushDraw();
  kept = value;
  statesDirty_ = true;
  return S_OK;
}

DWORD GlDevice::RenderState(D3DRENDERSTATETYPE state) const {
  const RenderStateSlot* slot = FindRenderStateSlot(state);
  return slot ? states_.*slot->value : 0;
}

HRESULT GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kGlTextureUnits) return D3DERR_INVALIDCALL;
  SamplerStates& states = samplers_[sampler];
  DWORD* slot = nullptr;
  switch (type) {
    case D3DSAMP_MINFILTER:
      slot = &states.minFilter;
      break;
    case D3DSAMP_MAGFILTER:
      slot = &states.magFilter;
      break;
    case D3DSAMP_MIPFILTER:
      slot = &states.mipFilter;
      break;
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW:
      slot = &states.address[type - D3DSAMP_ADDRESSU];
      break;
    default:
      return D3DERR_INVALIDCALL;
  }
  if (*slot == value) return S_OK;
  FlushDraw();
  *slot = value;
  ApplySamplerObject(static_cast<int>(sampler));
  return S_OK;
}

void GlDevice::ApplySamplerObject(int unit) {
  const SamplerStates& states = samplers_[unit];
  const GLuint sampler = samplerObjects_[unit];
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, MinFilter(states.minFilter, states.mipFilter));
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                      states.magFilter >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(states.address[0]));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(states.address[1]));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, AddressMode(states.address[2]));
}

HRESULT GlDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kGlTextureUnits) return D3DERR_INVALIDCALL;
  GlTextureObject* glTexture = AsGlTexture(texture);
  if (texture && !glTexture) return D3DERR_INVALIDCALL;
  if (textures_[stage] == glTexture) return S_OK;
  FlushDraw();
  textures_[stage] = glTexture;
  statesDirty_ = true;
  return S_OK;
}

HRESULT GlDevice::LightEnable(DWORD, BOOL) {
  return S_OK;
}

HRESULT GlDevice::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport || viewport->Width == 0 || viewport->Height == 0 ||
      static_cast<uint64_t>(viewport->X) + viewport->Width > static_cast<uint64_t>(width_) ||
      static_cast<uint64_t>(viewport->Y) + viewport->Height > static_cast<uint64_t>(height_) ||
      !(viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f && viewport->MaxZ >= 0.0f &&
        viewport->MaxZ <= 1.0f)) {
    return D3DERR_INVALIDCALL;
  }
  FlushDraw();
  viewport_ = *viewport;
  statesDirty_ = true;
  return S_OK;
}

void GlDevice::ApplyStates() {
  statesDirty_ = false;
  cache_.SetCapability(GL_DEPTH_TEST, states_.zEnable != D3DZB_FALSE);
  cache_.DepthMask(states_.zWriteEnable != 0);
  cache_.SetCapability(GL_CULL_FACE, states_.cullMode != D3DCULL_NONE);
  // Front faces are GL's counter-clockwise ones (see CreateFramebuffer): D3D's CCW culling
  // removes GL's clockwise (back) faces.
  cache_.CullFace(states_.cullMode == D3DCULL_CW ? GL_FRONT : GL_BACK);
  cache_.PolygonMode(states_.fillMode == D3DFILL_POINT       ? GL_POINT
                     : states_.fillMode == D3DFILL_WIREFRAME ? GL_LINE
                                                             : GL_FILL);
  cache_.SetCapability(GL_BLEND, states_.alphaBlendEnable != 0);
  cache_.BlendFunc(BlendFactor(states_.sourceBlend), BlendFactor(states_.destinationBlend));
  cache_.SetCapability(GL_SCISSOR_TEST, false);
  cache_.ColorMaskAll();
  cache_.Viewport(static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y),
                  static_cast<GLsizei>(viewport_.Width), static_cast<GLsizei>(viewport_.Height));
  cache_.DepthRange(viewport_.MinZ, viewport_.MaxZ);
  for (int unit = 0; unit < kGlTextureUnits; ++unit) {
    const GlTextureObject* texture = textures_[unit];
    if (texture) {
      cache_.BindTexture(unit, texture->target(), texture->name());
      cache_.BindSampler(unit, samplerObjects_[unit]);
    } else {
      cache_.BindTexture(unit, GL_TEXTURE_2D, 0);
      cache_.BindTexture(unit, GL_TEXTURE_CUBE_MAP, 0);
    }
  }
  if (program_) {
    cache_.UseProgram(program_->program);
    cache_.BindUniformBuffer(0, program_->uniformBuffers[0]);
    cache_.BindUniformBuffer(1, program_->uniformBuffers[1]);
  }
}
