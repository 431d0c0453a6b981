// The device's resources on GL: vertex and index buffers with a processor-side shadow copy, the
// vertex declaration, and 2-D and cube textures. Each holds a reference to its device, which
// therefore outlives it, and tells the device when it goes so that no binding is left dangling.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "gfx/d3d9.h"
#include "gfx/ref_counted.h"

class GlDevice;
struct TextureImage;

// The vertex inputs the backend can feed, matched to a program's inputs by usage.
enum GlAttributeUsage : int {
  kAttributePosition,
  kAttributeNormal,
  kAttributeTexcoord0,
  kAttributeUsageCount
};

// The vertex attribute locations every OpenGL 3.3 implementation has (GL_MAX_VERTEX_ATTRIBS is at
// least 16); a program's input beyond them is not fed.
inline constexpr int kGlVertexAttributeLocations = 16;

// Storage shared by both buffer kinds: the GL buffer and, where the processor reads the contents
// (index buffers), the shadow copy that Lock hands out. Without a shadow, Lock maps the GL buffer
// itself, so a mesh skinned every frame is written once instead of written and then copied.
class GlBufferStorage {
 public:
  enum class Access { kShadow, kMapped };
  bool Create(GlDevice* device, UINT length, Access access);
  void Destroy();
  HRESULT Lock(UINT offset, UINT size, void** data);
  HRESULT Unlock();
  GLuint name() const { return name_; }
  UINT size() const { return size_; }
  // The shadow copy; empty for mapped storage.
  const uint8_t* bytes() const { return shadow_.data(); }

 private:
  GlDevice* device_ = nullptr;
  GLuint name_ = 0;
  Access access_ = Access::kShadow;
  UINT size_ = 0;
  std::vector<uint8_t> shadow_;
  bool locked_ = false;
  UINT lockOffset_ = 0, lockSize_ = 0;
};

class GlVertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
 public:
  static HRESULT Create(GlDevice* device, UINT length, IDirect3DVertexBuffer9** out);
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  const GlBufferStorage& storage() const { return storage_; }
  uint64_t serial() const { return serial_; }

 private:
  explicit GlVertexBuffer(GlDevice* device);
  ~GlVertexBuffer() override;
  GlDevice* device_;
  GlBufferStorage storage_;
  uint64_t serial_;
};

class GlIndexBuffer final : public RefCounted<IDirect3DIndexBuffer9> {
 public:
  static HRESULT Create(GlDevice* device, UINT length, D3DFORMAT format, IDirect3DIndexBuffer9** out);
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  const GlBufferStorage& storage() const { return storage_; }
  UINT indexCount() const { return storage_.size() / 2; }
  // The largest of `count` indices from `first`; the caller keeps the range inside the buffer.
  uint16_t MaxIndex(UINT first, UINT count) const;

 private:
  explicit GlIndexBuffer(GlDevice* device);
  ~GlIndexBuffer() override;
  GlDevice* device_;
  GlBufferStorage storage_;
};

class GlVertexDeclaration final : public RefCounted<IDirect3DVertexDeclaration9> {
 public:
  struct Element {
    bool present = false;
    UINT offset = 0;
    GLint components = 0;
  };
  static HRESULT Create(GlDevice* device, const D3DVERTEXELEMENT9* elements,
                        IDirect3DVertexDeclaration9** out);
  const Element& element(GlAttributeUsage usage) const { return elements_[usage]; }
  // Bytes of a vertex that the declaration reads: the end of its furthest element.
  UINT extent() const { return extent_; }
  uint64_t serial() const { return serial_; }

 private:
  explicit GlVertexDeclaration(GlDevice* device);
  ~GlVertexDeclaration() override;
  GlDevice* device_;
  Element elements_[kAttributeUsageCount];
  UINT extent_ = 0;
  uint64_t serial_;
};

// What the device needs of either texture kind.
class GlTextureObject {
 public:
  virtual ~GlTextureObject() = default;
  GLuint name() const { return name_; }
  GLenum target() const { return target_; }

 protected:
  GLuint name_ = 0;
  GLenum target_ = GL_TEXTURE_2D;
};

// The GL side of a texture object, or null for null and for textures of another backend.
GlTextureObject* AsGlTexture(IDirect3DBaseTexture9* texture);

// A texture of either kind, told apart by its interface: IDirect3DTexture9 is a GL_TEXTURE_2D,
// IDirect3DCubeTexture9 a GL_TEXTURE_CUBE_MAP of square faces.
template <typename Interface>
class GlTextureOf final : public RefCounted<Interface>, public GlTextureObject {
 public:
  static HRESULT Create(GlDevice* device, const TextureImage& image, Interface** out);
  DWORD GetLevelCount() override { return levels_; }

 private:
  explicit GlTextureOf(GlDevice* device);
  ~GlTextureOf() override;
  GlDevice* device_;
  DWORD levels_ = 0;
};
using GlTexture = GlTextureOf<IDirect3DTexture9>;
using GlCubeTexture = GlTextureOf<IDirect3DCubeTexture9>;
