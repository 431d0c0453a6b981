// ID3DXBuffer holding a zero-terminated text, as the effect compiler returns its messages.
#pragma once

#include <string>

#include "gfx/d3d9.h"

ID3DXBuffer* CreateTextBuffer(const std::string& text);
