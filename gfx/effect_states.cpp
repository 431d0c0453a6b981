// Name tables of pass and sampler states; see effect_states.h.
#include "gfx/effect_states.h"

namespace {

struct NamedValue {
  const char* name;
  DWORD value;
};

constexpr NamedValue kBoolValues[] = {{"true", 1}, {"false", 0}};
constexpr NamedValue kCullValues[] = {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr NamedValue kFillValues[] = {
    {"Point", D3DFILL_POINT}, {"Wireframe", D3DFILL_WIREFRAME}, {"Solid", D3DFILL_SOLID}};
constexpr NamedValue kBlendValues[] = {
    {"Zero", D3DBLEND_ZERO},           {"One", D3DBLEND_ONE},
    {"SrcColor", D3DBLEND_SRCCOLOR},   {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
    {"SrcAlpha", D3DBLEND_SRCALPHA},   {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
    {"DestAlpha", D3DBLEND_DESTALPHA}, {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
    {"DestColor", D3DBLEND_DESTCOLOR}, {"InvDestColor", D3DBLEND_INVDESTCOLOR}};
constexpr NamedValue kFilterValues[] = {{"None", D3DTEXF_NONE},
                                        {"Point", D3DTEXF_POINT},
                                        {"Linear", D3DTEXF_LINEAR},
                                        {"Anisotropic", D3DTEXF_ANISOTROPIC}};
constexpr NamedValue kAddressValues[] = {{"Wrap", D3DTADDRESS_WRAP},
                                         {"Mirror", D3DTADDRESS_MIRROR},
                                         {"Clamp", D3DTADDRESS_CLAMP},
                                         {"Border", D3DTADDRESS_BORDER}};

struct NamedRenderState {
  const char* name;
  EffectRenderState state;
};

constexpr NamedRenderState kRenderStates[] = {
    {"ZEnable", {D3DRS_ZENABLE, EffectValueKind::kBool}},
    {"ZWriteEnable", {D3DRS_ZWRITEENABLE, EffectValueKind::kBool}},
    {"CullMode", {D3DRS_CULLMODE, EffectValueKind::kCull}},
    {"FillMode", {D3DRS_FILLMODE, EffectValueKind::kFill}},
    {"AlphaBlendEnable", {D3DRS_ALPHABLENDENABLE, EffectValueKind::kBool}},
    {"SrcBlend", {D3DRS_SRCBLEND, EffectValueKind::kBlend}},
    {"DestBlend", {D3DRS_DESTBLEND, EffectValueKind::kBlend}},
    {"Lighting", {D3DRS_LIGHTING, EffectValueKind::kBool}},
    {"SpecularEnable", {D3DRS_SPECULARENABLE, EffectValueKind::kBool}},
};

struct NamedSamplerField {
  const char* name;
  EffectSamplerField field;
};

// The ignored ones are valid sampler states that nothing in this system reads.
constexpr NamedSamplerField kSamplerFields[] = {
    {"Texture", EffectSamplerField::kTexture},       {"MinFilter", EffectSamplerField::kMinFilter},
    {"MagFilter", EffectSamplerField::kMagFilter},   {"MipFilter", EffectSamplerField::kMipFilter},
    {"AddressU", EffectSamplerField::kAddressU},     {"AddressV", EffectSamplerField::kAddressV},
    {"AddressW", EffectSamplerField::kAddressW},     {"BorderColor", EffectSamplerField::kIgnored},
    {"MaxAnisotropy", EffectSamplerField::kIgnored}, {"MaxMipLevel", EffectSamplerField::kIgnored},
    {"MipMapLodBias", EffectSamplerField::kIgnored}, {"SRGBTexture", EffectSamplerField::kIgnored},
};

template <size_t N>
bool Lookup(const NamedValue (&table)[N], std::string_view name, DWORD* value) {
  for (const NamedValue& entry : table) {
    if (EqualsIgnoreCase(entry.name, name)) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool FindRenderState(std::string_view name, EffectRenderState* state) {
  for (const NamedRenderState& entry : kRenderStates) {
    if (EqualsIgnoreCase(entry.name, name)) {
      *state = entry.state;
      return true;
    }
  }
  return false;
}

bool FindSamplerField(std::string_view name, EffectSamplerField* field) {
  for (const NamedSamplerField& entry : kSamplerFields) {
    if (EqualsIgnoreCase(entry.name, name)) {
      *field = entry.field;
      return true;
    }
  }
  return false;
}

bool FindStateValue(EffectValueKind kind, std::string_view name, DWORD* value) {
  switch (kind) {
    case EffectValueKind::kBool:
      return Lookup(kBoolValues, name, value);
    case EffectValueKind::kCull:
      return Lookup(kCullValues, name, value);
    case EffectValueKind::kFill:
      return Lookup(kFillValues, name, value);
    case EffectValueKind::kBlend:
      return Lookup(kBlendValues, name, value);
    case EffectValueKind::kFilter:
      return Lookup(kFilterValues, name, value);
    case EffectValueKind::kAddress:
      return Lookup(kAddressValues, name, value);
  }
  return false;
}
