// A text in an ID3DXBuffer; the size counts the terminating zero.
#include "gfx/gl/gl_text_buffer.h"

#include "gfx/ref_counted.h"

namespace {

class TextBuffer final : public RefCounted<ID3DXBuffer> {
 public:
  explicit TextBuffer(std::string text) : text_(std::move(text)) {}
  void* GetBufferPointer() override { return text_.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(text_.size() + 1); }

 private:
  std::string text_;
};

}  // namespace

ID3DXBuffer* CreateTextBuffer(const std::string& text) {
  return new TextBuffer(text);
}
