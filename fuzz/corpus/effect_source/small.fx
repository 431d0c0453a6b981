float4x4 World : WORLD;
texture Tex < string name = "a.dds"; >;
sampler S = sampler_state { Texture = <Tex>; MinFilter = Linear; AddressU = Clamp; };
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(S, uv); }
float4 VS(float4 p : POSITION) : POSITION { return mul(p, World); }
technique T { pass P0 { CullMode = None; FillMode = Wireframe; ZEnable = true;
  VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
