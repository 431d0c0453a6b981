// The names the recording log writes for the graphics layer's enumerated values, so that a
// logged call reads "SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)". There is one table of names
// per enumeration (recorded_names.cpp); a value its table lacks is written as its number.
#pragma once

#include <string>

#include "gfx/d3d9.h"

std::string DeviceTypeName(D3DDEVTYPE type);
std::string FormatName(D3DFORMAT format);
std::string PoolName(D3DPOOL pool);
std::string PrimitiveTypeName(D3DPRIMITIVETYPE type);
std::string SwapEffectName(DWORD swapEffect);
std::string RenderStateName(D3DRENDERSTATETYPE state);
// The value in the names of its state's values (cull modes for D3DRS_CULLMODE, ...); a number for
// states whose values are numbers or flags.
std::string RenderStateValueName(D3DRENDERSTATETYPE state, DWORD value);
std::string SamplerStateName(D3DSAMPLERSTATETYPE type);
std::string SamplerStateValueName(D3DSAMPLERSTATETYPE type, DWORD value);
