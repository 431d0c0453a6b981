// The virtual-key codes of the viewer's keys beyond those the application already names.
#pragma once

#include "app/win32.h"

inline constexpr WPARAM VK_VIEWER_PRIOR = 33;  // Page Up
inline constexpr WPARAM VK_VIEWER_NEXT = 34;   // Page Down
inline constexpr WPARAM VK_VIEWER_HOME = 36;
inline constexpr WPARAM VK_ADD = 107;       // keypad +
inline constexpr WPARAM VK_SUBTRACT = 109;  // keypad -
inline constexpr WPARAM VK_VIEWER_F1 = 112;
inline constexpr WPARAM VK_F12 = 123;
inline constexpr WPARAM VK_OEM_PLUS = 187;    // the main row's = and + key
inline constexpr WPARAM VK_OEM_COMMA = 188;   // , and <
inline constexpr WPARAM VK_OEM_MINUS = 189;   // - and _
inline constexpr WPARAM VK_OEM_PERIOD = 190;  // . and >
