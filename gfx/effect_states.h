// The names an effect file may use for pass states and sampler states, with the platform's
// numeric values. Names compare without regard to case, as the platform's effect compiler does.
#pragma once

#include <string_view>

#include "gfx/d3d9.h"

enum class EffectValueKind { kBool, kCull, kFill, kBlend, kFilter, kAddress };

struct EffectRenderState {
  D3DRENDERSTATETYPE state;
  EffectValueKind kind;
};

enum class EffectSamplerField {
  kTexture,
  kMinFilter,
  kMagFilter,
  kMipFilter,
  kAddressU,
  kAddressV,
  kAddressW,
  kIgnored
};

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// A pass state other than VertexShader/PixelShader; false when the name is not one.
bool FindRenderState(std::string_view name, EffectRenderState* state);

// A state inside sampler_state { ... }; false when the name is not one.
bool FindSamplerField(std::string_view name, EffectSamplerField* field);

// A named value of the given kind ("true", "CCW", "InvSrcAlpha", "Linear", "Clamp", ...).
bool FindStateValue(EffectValueKind kind, std::string_view name, DWORD* value);
