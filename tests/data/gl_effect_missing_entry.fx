// A test effect whose pass names a vertex shader that the file does not define.
float4 PlainPS() : COLOR0
{
    return float4(1, 1, 1, 1);
}

technique T
{
    pass P0
    {
        VertexShader = compile vs_2_0 NoSuchVS();
        PixelShader = compile ps_2_0 PlainPS();
    }
}
