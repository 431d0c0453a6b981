// 2-D and cube textures made from decoded images, every mip level uploaded as RGBA8. Rows are
// uploaded top first, so GL's t = 0 is the image's top row, as D3D's v = 0 is. The cube faces
// need no reorientation: GL's face selection and per-face (s, t) formulas are D3D's, with t
// counted from the first uploaded row as v is from the top.
#include <type_traits>

#include "gfx/gl/gl_device.h"
#include "gfx/gl/gl_resources.h"
#include "gfx/texture_image.h"

namespace {

bool LevelsAddUp(const TextureImage& image) {
  const size_t faces = image.cube ? 6 : 1;
  if (image.levelCount == 0 || image.levels.size() != faces * image.levelCount) return false;
  for (const ImageLevel& level : image.levels) {
    if (level.width == 0 || level.height == 0 || level.width > 16384 || level.height > 16384 ||
        level.rgba.size() != static_cast<size_t>(level.width) * level.height * 4) {
      return false;
    }
  }
  return true;
}

// Uploads through texture unit 0 behind the cache; the device re-sends its own state afterwards.
GLuint Upload(GlDevice* device, GLenum target, const TextureImage& image) {
  device->FlushDraw();
  device->InvalidateGlState();
  GLuint name = 0;
  glGenTextures(1, &name);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(target, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(image.levelCount) - 1);
  const uint32_t faces = image.cube ? 6 : 1;
  for (uint32_t face = 0; face < faces; ++face) {
    const GLenum faceTarget = image.cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
    for (uint32_t level = 0; level < image.levelCount; ++level) {
      const ImageLevel& data = image.Level(face, level);
      glTexImage2D(faceTarget, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(data.width),
                   static_cast<GLsizei>(data.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, data.rgba.data());
    }
  }
  if (glGetError() != GL_NO_ERROR) {
    device->cache().ForgetTexture(name);
    glDeleteTextures(1, &name);
    return 0;
  }
  return name;
}

void DeleteTexture(GlDevice* device, GLuint name) {
  if (!name) return;
  device->cache().ForgetTexture(name);
  glDeleteTextures(1, &name);
}

}  // namespace

GlTextureObject* AsGlTexture(IDirect3DBaseTexture9* texture) {
  return dynamic_cast<GlTextureObject*>(texture);
}

template <typename Interface>
GlTextureOf<Interface>::GlTextureOf(GlDevice* device) : device_(device) {
  device_->AddRef();
}

template <typename Interface>
GlTextureOf<Interface>::~GlTextureOf() {
  device_->Forget(this);
  DeleteTexture(device_, name_);
  device_->Release();
}

template <typename Interface>
HRESULT GlTextureOf<Interface>::Create(GlDevice* device, const TextureImage& image, Interface** out) {
  constexpr bool kCube = std::is_same_v<Interface, IDirect3DCubeTexture9>;
  if (image.cube != kCube || !LevelsAddUp(image)) return D3DXERR_INVALIDDATA;
  for (const ImageLevel& level : image.levels) {
    if (kCube && level.width != level.height) return D3DXERR_INVALIDDATA;
  }
  const GLenum target = kCube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
  const GLuint name = Upload(device, target, image);
  if (!name) return E_OUTOFMEMORY;
  auto* texture = new GlTextureOf(device);
  texture->name_ = name;
  texture->target_ = target;
  texture->levels_ = image.levelCount;
  *out = texture;
  return S_OK;
}

template class GlTextureOf<IDirect3DTexture9>;
template class GlTextureOf<IDirect3DCubeTexture9>;
