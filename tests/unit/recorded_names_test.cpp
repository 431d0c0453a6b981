// The recording log's names for enumerated values, and numbers for what no table names.
#include "gfx/recording/recorded_names.h"

#include <gtest/gtest.h>

#include "gfx/recording/recording_device.h"

namespace {

TEST(RecordedNames, StatesAndTheirValuesReadByName) {
  EXPECT_EQ(RenderStateName(D3DRS_ALPHABLENDENABLE), "D3DRS_ALPHABLENDENABLE");
  EXPECT_EQ(RenderStateValueName(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), "D3DBLEND_INVSRCALPHA");
  EXPECT_EQ(SamplerStateValueName(D3DSAMP_ADDRESSW, D3DTADDRESS_MIRROR), "D3DTADDRESS_MIRROR");
  EXPECT_EQ(SamplerStateValueName(D3DSAMP_MIPFILTER, D3DTEXF_NONE), "D3DTEXF_NONE");
  EXPECT_EQ(FormatName(D3DFMT_DXT5), "D3DFMT_DXT5");
  EXPECT_EQ(PoolName(D3DPOOL_SYSTEMMEM), "D3DPOOL_SYSTEMMEM");

  UseRecordingBackend();
  auto* device = new RecordingDevice();
  device->SetSamplerState(3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  EXPECT_EQ(Recording().calls.at(0), "SetSamplerState(3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP)");
  EXPECT_EQ(Recording().calls.at(1), "SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)");
  device->Release();
}

TEST(RecordedNames, FlagsCountsAndUnknownValuesStayNumbers) {
  EXPECT_EQ(RenderStateValueName(D3DRS_LIGHTING, 1), "1");
  EXPECT_EQ(RenderStateValueName(D3DRS_CULLMODE, 9), "9");
  EXPECT_EQ(RenderStateName(static_cast<D3DRENDERSTATETYPE>(200)), "200");
  EXPECT_EQ(SamplerStateValueName(D3DSAMP_BORDERCOLOR, 0xFF), "255");
  EXPECT_EQ(FormatName(static_cast<D3DFORMAT>(3)), "3");
}

}  // namespace
