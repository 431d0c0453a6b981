// SDL events to window messages, and replayed input to SDL events.
#include "app/sdl/event_translation.h"

#include "app/viewer_keys.h"

namespace {

enum class NumLock { kAny, kOn, kOff };

struct KeyRow {
  SDL_Scancode scancode;
  SDL_Keycode keycode;
  NumLock numLock;
  WPARAM virtualKey;
};

// Keys other than letters and digits. Keypad rows match by scancode, since what the keypad
// means depends on Num Lock rather than on the key's symbol; the others match by keycode.
constexpr KeyRow kKeys[] = {
    {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, NumLock::kAny, VK_ESCAPE},
    {SDL_SCANCODE_SPACE, SDLK_SPACE, NumLock::kAny, VK_SPACE},
    {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, NumLock::kAny, VK_BACK},
    {SDL_SCANCODE_TAB, SDLK_TAB, NumLock::kAny, VK_TAB},
    {SDL_SCANCODE_RETURN, SDLK_RETURN, NumLock::kAny, VK_RETURN},
    {SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, NumLock::kAny, VK_PRIOR},
    {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, NumLock::kAny, VK_NEXT},
    {SDL_SCANCODE_END, SDLK_END, NumLock::kAny, VK_END},
    {SDL_SCANCODE_HOME, SDLK_HOME, NumLock::kAny, VK_HOME},
    {SDL_SCANCODE_LEFT, SDLK_LEFT, NumLock::kAny, VK_LEFT},
    {SDL_SCANCODE_UP, SDLK_UP, NumLock::kAny, VK_UP},
    {SDL_SCANCODE_RIGHT, SDLK_RIGHT, NumLock::kAny, VK_RIGHT},
    {SDL_SCANCODE_DOWN, SDLK_DOWN, NumLock::kAny, VK_DOWN},
    {SDL_SCANCODE_INSERT, SDLK_INSERT, NumLock::kAny, VK_INSERT},
    {SDL_SCANCODE_DELETE, SDLK_DELETE, NumLock::kAny, VK_DELETE},
    {SDL_SCANCODE_KP_0, SDLK_KP_0, NumLock::kOn, VK_NUMPAD0},
    {SDL_SCANCODE_KP_1, SDLK_KP_1, NumLock::kOn, VK_NUMPAD0 + 1},
    {SDL_SCANCODE_KP_2, SDLK_KP_2, NumLock::kOn, VK_NUMPAD0 + 2},
    {SDL_SCANCODE_KP_3, SDLK_KP_3, NumLock::kOn, VK_NUMPAD0 + 3},
    {SDL_SCANCODE_KP_4, SDLK_KP_4, NumLock::kOn, VK_NUMPAD4},
    {SDL_SCANCODE_KP_5, SDLK_KP_5, NumLock::kOn, VK_NUMPAD5},
    {SDL_SCANCODE_KP_6, SDLK_KP_6, NumLock::kOn, VK_NUMPAD6},
    {SDL_SCANCODE_KP_7, SDLK_KP_7, NumLock::kOn, VK_NUMPAD7},
    {SDL_SCANCODE_KP_8, SDLK_KP_8, NumLock::kOn, VK_NUMPAD8},
    {SDL_SCANCODE_KP_9, SDLK_KP_9, NumLock::kOn, VK_NUMPAD9},
    {SDL_SCANCODE_KP_0, SDLK_KP_0, NumLock::kOff, VK_INSERT},
    {SDL_SCANCODE_KP_1, SDLK_KP_1, NumLock::kOff, VK_END},
    {SDL_SCANCODE_KP_2, SDLK_KP_2, NumLock::kOff, VK_DOWN},
    {SDL_SCANCODE_KP_3, SDLK_KP_3, NumLock::kOff, VK_NEXT},
    {SDL_SCANCODE_KP_4, SDLK_KP_4, NumLock::kOff, VK_LEFT},
    {SDL_SCANCODE_KP_5, SDLK_KP_5, NumLock::kOff, VK_CLEAR},
    {SDL_SCANCODE_KP_6, SDLK_KP_6, NumLock::kOff, VK_RIGHT},
    {SDL_SCANCODE_KP_7, SDLK_KP_7, NumLock::kOff, VK_HOME},
    {SDL_SCANCODE_KP_8, SDLK_KP_8, NumLock::kOff, VK_UP},
    {SDL_SCANCODE_KP_9, SDLK_KP_9, NumLock::kOff, VK_PRIOR},
    {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, NumLock::kAny, VK_RETURN},
    // The viewer's keys: main-row punctuation by the codes Windows gives the US layout's keys.
    {SDL_SCANCODE_PERIOD, SDLK_PERIOD, NumLock::kAny, VK_OEM_PERIOD},
    {SDL_SCANCODE_COMMA, SDLK_COMMA, NumLock::kAny, VK_OEM_COMMA},
    {SDL_SCANCODE_EQUALS, SDLK_EQUALS, NumLock::kAny, VK_OEM_PLUS},
    {SDL_SCANCODE_EQUALS, SDLK_PLUS, NumLock::kAny, VK_OEM_PLUS},
    {SDL_SCANCODE_MINUS, SDLK_MINUS, NumLock::kAny, VK_OEM_MINUS},
    {SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, NumLock::kAny, VK_ADD},
    {SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, NumLock::kAny, VK_SUBTRACT},
};

bool IsKeypad(SDL_Scancode scancode) {
  return scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD;
}

bool NumLockMatches(NumLock wanted, bool numLockOn) {
  return wanted == NumLock::kAny || (wanted == NumLock::kOn) == numLockOn;
}

MSG Message(HWND window, UINT code, WPARAM wParam, LPARAM lParam) {
  return MSG{window, code, wParam, lParam};
}

LPARAM CursorPosition(int x, int y) {
  // Windows hands the low 16 bits of each coordinate on.
  return MAKELPARAM(static_cast<WORD>(x & 0xFFFF), static_cast<WORD>(y & 0xFFFF));
}

// One WM_SIZE per distinct report; SDL says "size changed" and "resized" for the same change.
bool SizeMessage(HWND window, WPARAM kind, int width, int height, TranslationState* state, MSG* message) {
  if (kind == state->reportedSizeKind && width == state->reportedWidth && height == state->reportedHeight)
    return false;
  state->reportedSizeKind = kind;
  state->reportedWidth = width;
  state->reportedHeight = height;
  if (kind != SIZE_MINIMIZED) {
    state->restoredWidth = width;
    state->restoredHeight = height;
  }
  *message = Message(window, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
  return true;
}

bool TranslateWindowEvent(const SDL_WindowEvent& event, HWND window, TranslationState* state, MSG* message) {
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      *message = Message(window, WM_ACTIVATE, WA_ACTIVE, 0);
      return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      *message = Message(window, WM_ACTIVATE, WA_INACTIVE, 0);
      return true;
    case SDL_WINDOWEVENT_CLOSE:
      *message = Message(window, WM_DESTROY, 0, 0);
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED: {
      const WPARAM kind = state->reportedSizeKind == SIZE_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED;
      return SizeMessage(window, kind, event.data1, event.data2, state, message);
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      return SizeMessage(window, SIZE_MINIMIZED, 0, 0, state, message);
    case SDL_WINDOWEVENT_MAXIMIZED:
      return SizeMessage(window, SIZE_MAXIMIZED, state->restoredWidth, state->restoredHeight, state, message);
    case SDL_WINDOWEVENT_RESTORED:
      return SizeMessage(window, SIZE_RESTORED, state->restoredWidth, state->restoredHeight, state, message);
    default:
      return false;
  }
}

}  // namespace

WPARAM VirtualKeyFor(const SDL_Keysym& key) {
  const bool numLockOn = (key.mod & KMOD_NUM) != 0;
  if (IsKeypad(key.scancode)) {
    for (const KeyRow& row : kKeys)
      if (row.scancode == key.scancode && NumLockMatches(row.numLock, numLockOn)) return row.virtualKey;
    return 0;
  }
  // Letters by their upper-case codes, so Shift and Caps Lock make no difference.
  if (key.sym >= SDLK_a && key.sym <= SDLK_z) return static_cast<WPARAM>('A' + (key.sym - SDLK_a));
  if (key.sym >= SDLK_0 && key.sym <= SDLK_9) return static_cast<WPARAM>('0' + (key.sym - SDLK_0));
  if (key.sym >= SDLK_F1 && key.sym <= SDLK_F12) return VK_F1 + static_cast<WPARAM>(key.sym - SDLK_F1);
  for (const KeyRow& row : kKeys)
    if (!IsKeypad(row.scancode) && row.keycode == key.sym) return row.virtualKey;
  return 0;
}

bool KeyDownEventFor(WPARAM virtualKey, Uint32 windowId, SDL_Event* event) {
  *event = SDL_Event{};
  event->type = SDL_KEYDOWN;
  event->key.windowID = windowId;
  event->key.state = SDL_PRESSED;
  SDL_Keysym& key = event->key.keysym;
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    key.sym = SDLK_a + static_cast<SDL_Keycode>(virtualKey - 'A');
    key.scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_A + (virtualKey - 'A'));
    return true;
  }
  if (virtualKey >= '0' && virtualKey <= '9') {
    key.sym = SDLK_0 + static_cast<SDL_Keycode>(virtualKey - '0');
    // SDL numbers the digit row 1..9, 0.
    key.scancode =
        virtualKey == '0' ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (virtualKey - '1'));
    return true;
  }
  if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 12) {
    key.sym = SDLK_F1 + static_cast<SDL_Keycode>(virtualKey - VK_F1);
    key.scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (virtualKey - VK_F1));
    return true;
  }
  // The first row that sends the code: the main keys come before the keypad's navigation keys.
  for (const KeyRow& row : kKeys) {
    if (row.virtualKey != virtualKey) continue;
    key.sym = row.keycode;
    key.scancode = row.scancode;
    key.mod = row.numLock == NumLock::kOn ? KMOD_NUM : KMOD_NONE;
    return true;
  }
  return false;
}

bool TranslateEvent(const SDL_Event& event, HWND window, Uint32 windowId, TranslationState* state,
                    MSG* message) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      // Auto-repeat arrives as further key-downs, as the application expects.
      if (event.key.windowID != windowId) return false;
      const WPARAM key = VirtualKeyFor(event.key.keysym);
      if (key == 0) return false;
      *message = Message(window, WM_KEYDOWN, key, event.key.repeat ? (1 | (1L << 30)) : 1);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.windowID != windowId || event.button.button != SDL_BUTTON_RIGHT) return false;
      *message = Message(window, event.type == SDL_MOUSEBUTTONDOWN ? WM_RBUTTONDOWN : WM_RBUTTONUP,
                         event.type == SDL_MOUSEBUTTONDOWN ? MK_RBUTTON : 0,
                         CursorPosition(event.button.x, event.button.y));
      return true;
    case SDL_MOUSEMOTION:
      if (event.motion.windowID != windowId) return false;
      *message = Message(window, WM_MOUSEMOVE, (event.motion.state & SDL_BUTTON_RMASK) ? MK_RBUTTON : 0,
                         CursorPosition(event.motion.x, event.motion.y));
      return true;
    case SDL_WINDOWEVENT:
      if (event.window.windowID != windowId) return false;
      return TranslateWindowEvent(event.window, window, state, message);
    case SDL_QUIT:
      // Asked to end from outside (a signal, the session closing): as if the window were closed.
      *message = Message(window, WM_DESTROY, 0, 0);
      return true;
    default:
      return false;
  }
}

bool ReplayEventToSdl(const InputEvent& input, Uint32 windowId, SDL_Event* event) {
  *event = SDL_Event{};
  switch (input.kind) {
    case InputEventKind::kKey:
      return KeyDownEventFor(static_cast<WPARAM>(input.key), windowId, event);
    case InputEventKind::kRightDown:
    case InputEventKind::kRightUp:
      event->type = input.kind == InputEventKind::kRightDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      event->button.windowID = windowId;
      event->button.button = SDL_BUTTON_RIGHT;
      event->button.state = input.kind == InputEventKind::kRightDown ? SDL_PRESSED : SDL_RELEASED;
      event->button.clicks = 1;
      event->button.x = input.x;
      event->button.y = input.y;
      return true;
    case InputEventKind::kMove:
      event->type = SDL_MOUSEMOTION;
      event->motion.windowID = windowId;
      event->motion.x = input.x;
      event->motion.y = input.y;
      return true;
    case InputEventKind::kDeactivate:
    case InputEventKind::kActivate:
    case InputEventKind::kClose:
      event->type = SDL_WINDOWEVENT;
      event->window.windowID = windowId;
      event->window.event = input.kind == InputEventKind::kDeactivate ? SDL_WINDOWEVENT_FOCUS_LOST
                            : input.kind == InputEventKind::kActivate ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                                      : SDL_WINDOWEVENT_CLOSE;
      return true;
    case InputEventKind::kDrop:
      // Several SDL events; the window system pushes them itself.
      return false;
  }
  return false;
}
