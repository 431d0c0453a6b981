// Test effect of the GL backend tests: a flat colour, a 2-D texture by uv and a cube map looked
// up along the vertex normal, all through one row-vector transform.

float4x4 matWorldViewProjection;
float4 Color;

texture FlatTexture;
textureCUBE CubeTexture;

sampler2D FlatSampler = sampler_state
{
    Texture = <FlatTexture>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

samplerCUBE CubeSampler = sampler_state
{
    Texture = <CubeTexture>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
};

// Names its texture and nothing else: its filters and addressing stay as the device has them.
sampler2D BareSampler = sampler_state
{
    Texture = <FlatTexture>;
};

struct VSOut
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 Dir : TEXCOORD1;
};

VSOut MainVS(float3 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0)
{
    VSOut o;
    o.Pos = mul(float4(Pos, 1), matWorldViewProjection);
    o.Tex = Tex;
    o.Dir = Normal;
    return o;
}

float4 ColorPS(float2 Tex : TEXCOORD0) : COLOR0
{
    return Color;
}

float4 FlatPS(float2 Tex : TEXCOORD0) : COLOR0
{
    return tex2D(FlatSampler, Tex);
}

float4 BarePS(float2 Tex : TEXCOORD0) : COLOR0
{
    return tex2D(BareSampler, Tex);
}

float4 CubePS(float3 Dir : TEXCOORD1) : COLOR0
{
    return texCUBE(CubeSampler, Dir);
}

technique Solid
{
    pass P0
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 ColorPS();
    }
}

technique Flat
{
    pass P0
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 FlatPS();
    }
}

technique Cube
{
    pass P0
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 CubePS();
    }
}

technique Wire
{
    pass P0
    {
        FillMode = Wireframe;
        CullMode = None;
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 ColorPS();
    }
}

technique Bare
{
    pass P0
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 BarePS();
    }
}
