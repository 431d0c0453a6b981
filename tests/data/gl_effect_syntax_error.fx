// A test effect with a syntax error in its shader code: a statement lacks its semicolon.
float4x4 matWorldViewProjection;

float4 BrokenVS(float3 Pos : POSITION) : POSITION
{
    float4 p = mul(float4(Pos, 1), matWorldViewProjection)
    return p;
}

float4 PlainPS() : COLOR0
{
    return float4(1, 1, 1, 1);
}

technique T
{
    pass P0
    {
        VertexShader = compile vs_2_0 BrokenVS();
        PixelShader = compile ps_2_0 PlainPS();
    }
}
