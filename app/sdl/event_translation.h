// The one place where SDL's events become the window messages the application handles, and
// where replayed input becomes SDL events, so that both travel the same road.
#pragma once

#include <SDL2/SDL.h>

#include "app/input_script.h"
#include "app/win32.h"

// Windows' virtual-key codes beyond the ones the application names.
inline constexpr WPARAM VK_BACK = 8;
inline constexpr WPARAM VK_TAB = 9;
inline constexpr WPARAM VK_CLEAR = 12;
inline constexpr WPARAM VK_RETURN = 13;
inline constexpr WPARAM VK_PRIOR = 33;
inline constexpr WPARAM VK_NEXT = 34;
inline constexpr WPARAM VK_END = 35;
inline constexpr WPARAM VK_HOME = 36;
inline constexpr WPARAM VK_LEFT = 37;
inline constexpr WPARAM VK_UP = 38;
inline constexpr WPARAM VK_RIGHT = 39;
inline constexpr WPARAM VK_DOWN = 40;
inline constexpr WPARAM VK_INSERT = 45;
inline constexpr WPARAM VK_DELETE = 46;
inline constexpr WPARAM VK_NUMPAD0 = 96;
inline constexpr WPARAM VK_F1 = 112;

// wParam of WM_SIZE and WM_MOUSEMOVE.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;
inline constexpr WPARAM MK_RBUTTON = 0x0002;

// The virtual-key code a key-down sends, or 0 for a key the program does not know. The keypad's
// digits send VK_NUMPAD0..9 only while Num Lock is on; otherwise they are the navigation keys
// printed on them.
WPARAM VirtualKeyFor(const SDL_Keysym& key);

// The key-down event that sends `virtualKey`; false when no key sends it.
bool KeyDownEventFor(WPARAM virtualKey, Uint32 windowId, SDL_Event* event);

// What the translation keeps between events: the last size it reported, so that SDL's several
// notices of one size change make one WM_SIZE.
struct TranslationState {
  int reportedWidth = -1;
  int reportedHeight = -1;
  WPARAM reportedSizeKind = SIZE_RESTORED;
  // The size before the window was minimised, for the WM_SIZE of its restoring.
  int restoredWidth = 0;
  int restoredHeight = 0;
};

// Turns one SDL event for `window` (SDL window id `windowId`) into at most one message. False
// when the event means nothing to the application.
bool TranslateEvent(const SDL_Event& event, HWND window, Uint32 windowId, TranslationState* state,
                    MSG* message);

// The SDL event that a replayed input event stands for.
bool ReplayEventToSdl(const InputEvent& input, Uint32 windowId, SDL_Event* event);
