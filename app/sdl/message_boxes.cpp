// Message boxes over SDL and over standard error.
#include "app/sdl/message_boxes.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/cp949.h"
#include "base/platform.h"

namespace {

std::string Utf8(const char* text) {
  std::string utf8;
  if (text) Cp949ToUtf8(text, std::strlen(text), &utf8);
  return utf8;
}

// The box has no owner window, as the program's boxes never do; it blocks until dismissed.
int SdlBox(HWND owner, const char* text, const char* caption, UINT type) {
  const std::string utf8Text = Utf8(text);
  const std::string utf8Caption = Utf8(caption);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption.c_str(), utf8Text.c_str(), nullptr) != 0)
    return StandardErrorBox(owner, text, caption, type);
  return IDOK;
}

}  // namespace

int StandardErrorBox(HWND, const char* text, const char* caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
  std::fflush(stderr);
  return IDOK;
}

void InstallMessageBoxes(bool headless) {
  SetMessageBoxHandler(headless ? StandardErrorBox : SdlBox);
}
