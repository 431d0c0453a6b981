// SDL events to window messages: the key table with and without Num Lock, the mouse, focus,
// closing and sizes; and replayed input to SDL events and back.
#include "app/sdl/event_translation.h"

#include <gtest/gtest.h>

namespace {

constexpr Uint32 kWindowId = 7;
HWND const kWindow = reinterpret_cast<HWND>(0x1000);

SDL_Event KeyDown(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, bool repeat = false) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = kWindowId;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym.sym = sym;
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  return event;
}

SDL_Event WindowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = kWindowId;
  event.window.event = what;
  event.window.data1 = data1;
  event.window.data2 = data2;
  return event;
}

bool Translate(const SDL_Event& event, MSG* message, TranslationState* state = nullptr) {
  TranslationState local;
  return TranslateEvent(event, kWindow, kWindowId, state ? state : &local, message);
}

WPARAM KeyCode(const SDL_Event& event) {
  MSG message{};
  if (!Translate(event, &message)) return 0;
  EXPECT_EQ(message.message, WM_KEYDOWN);
  EXPECT_EQ(message.hwnd, kWindow);
  return message.wParam;
}

TEST(EventTranslation, LettersAreUpperCaseCodesWhateverTheModifiers) {
  EXPECT_EQ(KeyCode(KeyDown(SDLK_w, SDL_SCANCODE_W)), 87u);
  EXPECT_EQ(KeyCode(KeyDown(SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT)), 65u);
  EXPECT_EQ(KeyCode(KeyDown(SDLK_z, SDL_SCANCODE_Z, KMOD_CAPS)), 90u);
  for (char letter : {'S', 'D', 'R', 'F', 'Q', 'E'})
    EXPECT_EQ(
        KeyCode(KeyDown(SDLK_a + (letter - 'A'), static_cast<SDL_Scancode>(SDL_SCANCODE_A + (letter - 'A')))),
        static_cast<WPARAM>(letter));
}

TEST(EventTranslation, DigitsSpaceAndEscape) {
  EXPECT_EQ(KeyCode(KeyDown(SDLK_0, SDL_SCANCODE_0)), 48u);
  EXPECT_EQ(KeyCode(KeyDown(SDLK_7, SDL_SCANCODE_7)), 55u);
  EXPECT_EQ(KeyCode(KeyDown(SDLK_SPACE, SDL_SCANCODE_SPACE)), VK_SPACE);
  EXPECT_EQ(KeyCode(KeyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE)), VK_ESCAPE);
}

TEST(EventTranslation, KeypadSendsNumpadCodesOnlyWithNumLock) {
  const SDL_Scancode keys[] = {SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5, SDL_SCANCODE_KP_6,
                               SDL_SCANCODE_KP_7, SDL_SCANCODE_KP_8, SDL_SCANCODE_KP_9};
  const SDL_Keycode syms[] = {SDLK_KP_4, SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};
  const WPARAM withNumLock[] = {VK_NUMPAD4, VK_NUMPAD5, VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9};
  const WPARAM withoutNumLock[] = {VK_LEFT, VK_CLEAR, VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(KeyCode(KeyDown(syms[i], keys[i], KMOD_NUM)), withNumLock[i]) << i;
    EXPECT_EQ(KeyCode(KeyDown(syms[i], keys[i], KMOD_NONE)), withoutNumLock[i]) << i;
  }
  EXPECT_EQ(withoutNumLock[0], 37u);
  EXPECT_EQ(withoutNumLock[1], 12u);
  EXPECT_EQ(withoutNumLock[2], 39u);
  EXPECT_EQ(withoutNumLock[3], 36u);
  EXPECT_EQ(withoutNumLock[4], 38u);
  EXPECT_EQ(withoutNumLock[5], 33u);
}

TEST(EventTranslation, AutoRepeatIsAnotherKeyDown) {
  MSG message{};
  ASSERT_TRUE(Translate(KeyDown(SDLK_w, SDL_SCANCODE_W, KMOD_NONE, true), &message));
  EXPECT_EQ(message.message, WM_KEYDOWN);
  EXPECT_EQ(message.wParam, 87u);
  EXPECT_NE(message.lParam & (1L << 30), 0) << "previous key state: down";
}

TEST(EventTranslation, UnknownKeysKeyUpsAndOtherWindowsSendNothing) {
  MSG message{};
  EXPECT_FALSE(Translate(KeyDown(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), &message));
  SDL_Event up = KeyDown(SDLK_w, SDL_SCANCODE_W);
  up.type = SDL_KEYUP;
  EXPECT_FALSE(Translate(up, &message));
  SDL_Event elsewhere = KeyDown(SDLK_w, SDL_SCANCODE_W);
  elsewhere.key.windowID = kWindowId + 1;
  EXPECT_FALSE(Translate(elsewhere, &message));
}

TEST(EventTranslation, RightButtonAndMotionCarryThePositionInLParam) {
  SDL_Event down{};
  down.type = SDL_MOUSEBUTTONDOWN;
  down.button.windowID = kWindowId;
  down.button.button = SDL_BUTTON_RIGHT;
  down.button.x = 400;
  down.button.y = 300;
  MSG message{};
  ASSERT_TRUE(Translate(down, &message));
  EXPECT_EQ(message.message, WM_RBUTTONDOWN);
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(message.lParam)), 400);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(message.lParam)), 300);

  SDL_Event up = down;
  up.type = SDL_MOUSEBUTTONUP;
  up.button.x = 500;
  ASSERT_TRUE(Translate(up, &message));
  EXPECT_EQ(message.message, WM_RBUTTONUP);
  EXPECT_EQ(message.lParam, MAKELPARAM(500, 300));

  SDL_Event left = down;
  left.button.button = SDL_BUTTON_LEFT;
  EXPECT_FALSE(Translate(left, &message));

  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.windowID = kWindowId;
  motion.motion.x = 12;
  motion.motion.y = 34;
  motion.motion.state = SDL_BUTTON_RMASK;
  ASSERT_TRUE(Translate(motion, &message));
  EXPECT_EQ(message.message, WM_MOUSEMOVE);
  EXPECT_EQ(message.wParam, MK_RBUTTON);
  EXPECT_EQ(message.lParam, MAKELPARAM(12, 34));
}

TEST(EventTranslation, FocusBecomesActivation) {
  MSG message{};
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), &message));
  EXPECT_EQ(message.message, WM_ACTIVATE);
  EXPECT_EQ(message.wParam, WA_INACTIVE);
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), &message));
  EXPECT_EQ(message.message, WM_ACTIVATE);
  EXPECT_EQ(message.wParam, WA_ACTIVE);
}

TEST(EventTranslation, CloseButtonAndQuitRequestDestroyTheWindow) {
  MSG message{};
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_CLOSE), &message));
  EXPECT_EQ(message.message, WM_DESTROY);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_TRUE(Translate(quit, &message));
  EXPECT_EQ(message.message, WM_DESTROY);
}

TEST(EventTranslation, OneSizeMessagePerDistinctSize) {
  TranslationState state;
  MSG message{};
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), &message, &state));
  EXPECT_EQ(message.message, WM_SIZE);
  EXPECT_EQ(message.wParam, SIZE_RESTORED);
  EXPECT_EQ(message.lParam, MAKELPARAM(800, 600));
  EXPECT_FALSE(Translate(WindowEvent(SDL_WINDOWEVENT_RESIZED, 800, 600), &message, &state));

  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_MINIMIZED), &message, &state));
  EXPECT_EQ(message.wParam, SIZE_MINIMIZED);
  EXPECT_EQ(message.lParam, 0);
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_RESTORED), &message, &state));
  EXPECT_EQ(message.wParam, SIZE_RESTORED);
  EXPECT_EQ(message.lParam, MAKELPARAM(800, 600));
  ASSERT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 700), &message, &state));
  EXPECT_EQ(message.lParam, MAKELPARAM(1024, 700));
}

TEST(EventTranslation, ReplayedKeysComeBackAsTheirCodes) {
  const WPARAM codes[] = {27, 32, 48, 57, 65, 87, 90, 100, 101, 105, 12, 37, 33, 13, 112};
  for (WPARAM code : codes) {
    InputEvent input;
    input.kind = InputEventKind::kKey;
    input.key = static_cast<int>(code);
    SDL_Event event{};
    ASSERT_TRUE(ReplayEventToSdl(input, kWindowId, &event)) << code;
    EXPECT_EQ(KeyCode(event), code);
  }
  InputEvent unknown;
  unknown.key = 200;
  SDL_Event event{};
  EXPECT_FALSE(ReplayEventToSdl(unknown, kWindowId, &event));
}

TEST(EventTranslation, ReplayedMouseAndWindowEventsBecomeTheirMessages) {
  struct Case {
    InputEventKind kind;
    UINT message;
    WPARAM wParam;
  };
  const Case cases[] = {
      {InputEventKind::kRightDown, WM_RBUTTONDOWN, MK_RBUTTON},
      {InputEventKind::kMove, WM_MOUSEMOVE, 0},
      {InputEventKind::kRightUp, WM_RBUTTONUP, 0},
      {InputEventKind::kDeactivate, WM_ACTIVATE, WA_INACTIVE},
      {InputEventKind::kActivate, WM_ACTIVATE, WA_ACTIVE},
      {InputEventKind::kClose, WM_DESTROY, 0},
  };
  for (const Case& c : cases) {
    InputEvent input;
    input.kind = c.kind;
    input.x = 640;
    input.y = 480;
    SDL_Event event{};
    ASSERT_TRUE(ReplayEventToSdl(input, kWindowId, &event));
    MSG message{};
    ASSERT_TRUE(Translate(event, &message));
    EXPECT_EQ(message.message, c.message);
    EXPECT_EQ(message.wParam, c.wParam);
    if (c.message != WM_ACTIVATE && c.message != WM_DESTROY) {
      EXPECT_EQ(message.lParam, MAKELPARAM(640, 480));
    }
  }
}

}  // namespace
