// A hatching effect in the shape the viewer's effect file takes: matrices and vectors set by
// name, six hatching textures and a cube map, and one technique with a pass for the box and a
// pass for the model.

float4x4 matViewProjection : ViewProjection;
float4x4 matWorldView : WorldView < string UIName = "World View"; >;
float4x4 matWorldViewProjection;
uniform float4x4 matWorldViewInverseTranspose;
float4 vViewPosition : ViewPosition = float4(0, 0, 0, 1);
float4 LightDir = {0.0f, 1.0f, 0.0f, 0.0f};
shared float4 MiscParam;
static const float kHatchLevels = 6.0;
/* A block comment
   spanning lines, with technique and sampler_state words inside. */
texture EnvironmentMap;
textureCUBE UnusedCube < string ResourceType = "Cube"; >;
texture2D Hatch0_Tex;
Texture Hatch1_Tex;

samplerCUBE EnvironmentSampler = sampler_state
{
  Texture = <EnvironmentMap>;
  MinFilter = Linear;
  MagFilter = LINEAR;
  MipFilter = point;
  AddressU = Clamp;
  AddressV = Mirror;
  AddressW = Border;
};

sampler2D Hatch0 = sampler_state { Texture = (Hatch0_Tex); MinFilter = Anisotropic; MaxAnisotropy = 4; };
sampler2D Hatch1 = sampler_state {
  texture = Hatch1_Tex;
  addressu = wrap;
};
sampler2D Plain;

struct VS_OUTPUT {
  float4 position : POSITION;
  float2 uv : TEXCOORD0;
};

VS_OUTPUT BoxVS(float4 position : POSITION, float2 uv : TEXCOORD0) {
  VS_OUTPUT o;
  o.position = mul(position, matWorldViewProjection);
  o.uv = uv;
  return o;
}

float4 BoxPS(float2 uv : TEXCOORD0) : COLOR0 {
  return tex2D(Hatch0, uv) * (1.0 / kHatchLevels) + texCUBE(EnvironmentSampler, float3(uv, 1));
}

VS_OUTPUT ModelVS(float4 position : POSITION, float3 normal : NORMAL, float2 uv : TEXCOORD0) {
  VS_OUTPUT o;
  o.position = mul(position, matWorldViewProjection) + float4(normal * 0, 0) * LightDir;
  o.uv = uv * MiscParam.x;
  return o;
}

float4 ModelPS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Hatch1, uv) + tex2D(Plain, uv); }

technique TShader < string Script = "Pass=P0; Pass=P1;"; >
{
  pass P0
  {
    VertexShader = compile vs_2_0 BoxVS();
    PixelShader = compile ps_2_0 BoxPS();
    ZEnable = false;
    ZWriteEnable = FALSE;
    CullMode = None;
  }
  pass P1
  {
    VertexShader = compile vs_3_0 ModelVS();
    PixelShader  = compile ps_3_0 ModelPS();
    ZEnable = true;
    CullMode = CCW;
    FillMode = Wireframe;
    AlphaBlendEnable = True;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
  }
}

technique9 Fallback
{
  pass
  {
    VertexShader = compile vs_2_0 BoxVS();
    PixelShader = NULL;
    CullMode = 2;
  }
}
