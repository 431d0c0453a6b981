// The tables of names behind recorded_names.h.
#include "gfx/recording/recorded_names.h"

#include <span>

namespace {

struct Named {
  constexpr Named(DWORD value_, const char* name_) : value(value_), name(name_) {}
  DWORD value;
  const char* name;
};
// An entry whose name is the spelling of its value.
#define NAMED(value) Named(value, #value)

constexpr Named kDeviceTypes[] = {NAMED(D3DDEVTYPE_HAL), NAMED(D3DDEVTYPE_REF)};
constexpr Named kFormats[] = {NAMED(D3DFMT_UNKNOWN), NAMED(D3DFMT_A8R8G8B8), NAMED(D3DFMT_X8R8G8B8),
                              NAMED(D3DFMT_L8),      NAMED(D3DFMT_D24S8),    NAMED(D3DFMT_INDEX16),
                              NAMED(D3DFMT_INDEX32), NAMED(D3DFMT_DXT1),     NAMED(D3DFMT_DXT3),
                              NAMED(D3DFMT_DXT5)};
constexpr Named kPools[] = {NAMED(D3DPOOL_DEFAULT), NAMED(D3DPOOL_MANAGED), NAMED(D3DPOOL_SYSTEMMEM)};
constexpr Named kPrimitiveTypes[] = {NAMED(D3DPT_TRIANGLELIST)};
constexpr Named kSwapEffects[] = {NAMED(D3DSWAPEFFECT_DISCARD)};
constexpr Named kRenderStates[] = {
    NAMED(D3DRS_ZENABLE),          NAMED(D3DRS_FILLMODE),       NAMED(D3DRS_ZWRITEENABLE),
    NAMED(D3DRS_SRCBLEND),         NAMED(D3DRS_DESTBLEND),      NAMED(D3DRS_CULLMODE),
    NAMED(D3DRS_ALPHABLENDENABLE), NAMED(D3DRS_SPECULARENABLE), NAMED(D3DRS_LIGHTING)};
constexpr Named kSamplerStates[] = {
    NAMED(D3DSAMP_ADDRESSU),  NAMED(D3DSAMP_ADDRESSV),  NAMED(D3DSAMP_ADDRESSW), NAMED(D3DSAMP_BORDERCOLOR),
    NAMED(D3DSAMP_MAGFILTER), NAMED(D3DSAMP_MINFILTER), NAMED(D3DSAMP_MIPFILTER)};
constexpr Named kZBufferTypes[] = {NAMED(D3DZB_FALSE), NAMED(D3DZB_TRUE)};
constexpr Named kFillModes[] = {NAMED(D3DFILL_POINT), NAMED(D3DFILL_WIREFRAME), NAMED(D3DFILL_SOLID)};
constexpr Named kCullModes[] = {NAMED(D3DCULL_NONE), NAMED(D3DCULL_CW), NAMED(D3DCULL_CCW)};
constexpr Named kBlends[] = {NAMED(D3DBLEND_ZERO),      NAMED(D3DBLEND_ONE),
                             NAMED(D3DBLEND_SRCCOLOR),  NAMED(D3DBLEND_INVSRCCOLOR),
                             NAMED(D3DBLEND_SRCALPHA),  NAMED(D3DBLEND_INVSRCALPHA),
                             NAMED(D3DBLEND_DESTALPHA), NAMED(D3DBLEND_INVDESTALPHA),
                             NAMED(D3DBLEND_DESTCOLOR), NAMED(D3DBLEND_INVDESTCOLOR)};
constexpr Named kFilters[] = {NAMED(D3DTEXF_NONE), NAMED(D3DTEXF_POINT), NAMED(D3DTEXF_LINEAR),
                              NAMED(D3DTEXF_ANISOTROPIC)};
constexpr Named kAddressModes[] = {NAMED(D3DTADDRESS_WRAP), NAMED(D3DTADDRESS_MIRROR),
                                   NAMED(D3DTADDRESS_CLAMP), NAMED(D3DTADDRESS_BORDER)};
#undef NAMED

// Which table names the values of a state; states left out take numbers.
struct StateValues {
  DWORD state;
  std::span<const Named> values;
};
constexpr StateValues kRenderStateValues[] = {{D3DRS_ZENABLE, kZBufferTypes},
                                              {D3DRS_FILLMODE, kFillModes},
                                              {D3DRS_CULLMODE, kCullModes},
                                              {D3DRS_SRCBLEND, kBlends},
                                              {D3DRS_DESTBLEND, kBlends}};
constexpr StateValues kSamplerStateValues[] = {
    {D3DSAMP_ADDRESSU, kAddressModes}, {D3DSAMP_ADDRESSV, kAddressModes}, {D3DSAMP_ADDRESSW, kAddressModes},
    {D3DSAMP_MAGFILTER, kFilters},     {D3DSAMP_MINFILTER, kFilters},     {D3DSAMP_MIPFILTER, kFilters}};

std::string NameIn(std::span<const Named> table, DWORD value) {
  for (const Named& entry : table)
    if (entry.value == value) return entry.name;
  return std::to_string(value);
}

std::string ValueNameIn(std::span<const StateValues> states, DWORD state, DWORD value) {
  for (const StateValues& entry : states)
    if (entry.state == state) return NameIn(entry.values, value);
  return std::to_string(value);
}

}  // namespace

std::string DeviceTypeName(D3DDEVTYPE type) {
  return NameIn(kDeviceTypes, type);
}

std::string FormatName(D3DFORMAT format) {
  return NameIn(kFormats, format);
}

std::string PoolName(D3DPOOL pool) {
  return NameIn(kPools, pool);
}

std::string PrimitiveTypeName(D3DPRIMITIVETYPE type) {
  return NameIn(kPrimitiveTypes, type);
}

std::string SwapEffectName(DWORD swapEffect) {
  return NameIn(kSwapEffects, swapEffect);
}

std::string RenderStateName(D3DRENDERSTATETYPE state) {
  return NameIn(kRenderStates, state);
}

std::string RenderStateValueName(D3DRENDERSTATETYPE state, DWORD value) {
  return ValueNameIn(kRenderStateValues, state, value);
}

std::string SamplerStateName(D3DSAMPLERSTATETYPE type) {
  return NameIn(kSamplerStates, type);
}

std::string SamplerStateValueName(D3DSAMPLERSTATETYPE type, DWORD value) {
  return ValueNameIn(kSamplerStateValues, type, value);
}
