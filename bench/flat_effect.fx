// The cheapest stand-in for Shaders/Hatching.fx: the same technique, passes and parameters, each
// pass one flat colour. startup_bench runs the program on it and on the hatching effect, with
// the same binary and character, to tell what the hatching itself costs a frame.

texture EnvironmentMap;
texture Hatch0_Tex;
texture Hatch1_Tex;
texture Hatch2_Tex;
texture Hatch3_Tex;
texture Hatch4_Tex;
texture Hatch5_Tex;

samplerCUBE EnvSampler = sampler_state { Texture = <EnvironmentMap>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler2D Hatch0Sampler = sampler_state { Texture = <Hatch0_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };
sampler2D Hatch1Sampler = sampler_state { Texture = <Hatch1_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };
sampler2D Hatch2Sampler = sampler_state { Texture = <Hatch2_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };
sampler2D Hatch3Sampler = sampler_state { Texture = <Hatch3_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };
sampler2D Hatch4Sampler = sampler_state { Texture = <Hatch4_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };
sampler2D Hatch5Sampler = sampler_state { Texture = <Hatch5_Tex>; MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; };

float4x4 matViewProjection;
float4x4 matWorldView;
float4x4 matWorldViewProjection;
float4x4 matWorldViewInverseTranspose;
float4 vViewPosition;
float4 LightDir;
float4 MiscParam;

float4 FlatVS(float3 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0) : POSITION
{
    return mul(float4(Pos, 1), matWorldViewProjection);
}

float4 PaperPS() : COLOR0
{
    return float4(0.98, 0.96, 0.91, 1);
}

float4 InkPS() : COLOR0
{
    return float4(0.72, 0.1, 0.1, 1);
}

technique TShader
{
    pass P0
    {
        VertexShader = compile vs_2_0 FlatVS();
        PixelShader = compile ps_2_0 PaperPS();
    }
    pass P1
    {
        VertexShader = compile vs_3_0 FlatVS();
        PixelShader = compile ps_3_0 InkPS();
    }
}
