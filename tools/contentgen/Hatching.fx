// Hatching.fx: the viewer's pencil-hatching effect.
// Pass P0 paints the backdrop box with the snowy environment, washed out to look like paper.
// Pass P1 shades the character per pixel and draws that tone with the six hatching textures
// (a tonal art map, lightest Hatch0 to darkest Hatch5) in red-brown pencil, with a dark rim
// where the surface turns away from the eye so the silhouette reads.
//
// Conventions: row vectors, mul(float4(p, 1), M). Vertex positions arrive in model space; the
// world matrix is folded into the matWorld* parameters, and there is no separate world or view
// matrix. Shading happens in view space, where the eye sits at the origin.

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
float4 vViewPosition;  // eye, world space
float4 LightDir;       // despite the name: the point light's position, world space
float4 MiscParam;      // x: how many times the hatching tiles across a texture's 0..1 range

// ---------------------------------------------------------------------------------------------
// Getting world-space things into view space.
//
// The light and the eye are given in world space, but no view matrix is given. The projection
// alone is recoverable exactly: WorldView^-1 * WorldViewProjection, and WorldView^-1 is the
// transpose of matWorldViewInverseTranspose. A perspective projection puts view-space z in
// clip w and only scales (and, off-centre, shifts by a multiple of z) x and y, so a point's
// view-space position follows from its clip-space position under matViewProjection by undoing
// those two steps. This holds for any view and any rigid or scaled world matrix.

// The projection's four terms that matter: its x and y scales and the off-centre shifts per
// unit of z, (P00, P11, P20, P21). Each is one dot product of a row of WorldView^-1 with a
// column of WorldViewProjection, rather than the whole product.
float4 ProjectionTerms()
{
    float4x4 inverse = transpose(matWorldViewInverseTranspose);
    float4x4 columns = transpose(matWorldViewProjection);
    return float4(dot(inverse[0], columns[0]), dot(inverse[1], columns[1]),
                  dot(inverse[2], columns[0]), dot(inverse[2], columns[1]));
}

// Clip-space coordinates of something whose view-space w is `w` (1 for points, 0 for
// directions) back to view space.
float3 ClipToView(float4 clip, float4 proj)
{
    float z = clip.w;
    return float3((clip.x - z * proj.z) / proj.x, (clip.y - z * proj.w) / proj.y, z);
}

float3 WorldPointToView(float3 p, float4 proj)
{
    return ClipToView(mul(float4(p, 1), matViewProjection), proj);
}

// The view matrix's rotation is orthonormal, so a view-space direction goes back to world
// space through its transpose: component i is the dot product with world axis i seen in view.
float3 ViewDirToWorld(float3 d, float4 proj)
{
    float3 axisX = ClipToView(matViewProjection[0], proj);
    float3 axisY = ClipToView(matViewProjection[1], proj);
    float3 axisZ = ClipToView(matViewProjection[2], proj);
    return float3(dot(d, axisX), dot(d, axisY), dot(d, axisZ));
}

// ---------------------------------------------------------------------------------------------
// Pass P0: the backdrop box. Its normals and uvs are zero; its positions (+-100 around the
// model origin) double as directions into the environment, turned into world orientation
// because the cube map is laid out with world +Y up while the model is z-up.

struct BoxVSOut
{
    float4 Pos : POSITION;
    float3 Colour : COLOR0;
};

// The environment is read at the box's corners and blended across its faces: a faint wash of
// the scene on the paper, which needs no more detail than that, for no read per pixel.
BoxVSOut BoxVS(float3 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0)
{
    BoxVSOut o;
    o.Pos = mul(float4(Pos, 1), matWorldViewProjection);
    float3 viewDir = mul(float4(Pos, 0), matWorldView).xyz;
    float3 scene = texCUBElod(EnvSampler, float4(ViewDirToWorld(viewDir, ProjectionTerms()), 0)).rgb;
    float grey = dot(scene, float3(0.30, 0.59, 0.11));
    float3 muted = lerp(float3(grey, grey, grey), scene, 0.35);
    // Warm drawing paper, with the scene showing through faintly.
    float3 paper = float3(0.98, 0.96, 0.91);
    o.Colour = lerp(paper, muted * paper, 0.55);
    return o;
}

float4 BoxPS(float3 Colour : COLOR0) : COLOR0
{
    return float4(Colour, 1);
}

// ---------------------------------------------------------------------------------------------
// Pass P1: the hatched character.

// One hatching texture holds four by four of the repeats that MiscParam.x asks for: the strokes
// keep their size on the body while the pattern repeats only every 192 model units, more than
// the character's height, so no lattice shows on it.
static const float RepeatsPerTexture = 4;

// The measuring tool compiles this file with QUALITY_OUTPUT set to see inside the shading:
// 1 the hatching's brightness, 2 the darkness the tone asks for, 3 and 4 the texture
// coordinates u and v in sixteen bits (high byte red, low byte green), 5 the outline's
// coverage. MiscParam.y, when positive, then forces the tone to MiscParam.y - 1. The viewer
// compiles it as it stands, which draws the picture.
#ifndef QUALITY_OUTPUT
#define QUALITY_OUTPUT 0
#endif

struct HatchVSOut
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 ViewPos : TEXCOORD1;
    float3 ViewNormal : TEXCOORD2;
    float3 ViewLight : TEXCOORD3;
    float2 MeshTex : TEXCOORD4;
};

HatchVSOut HatchVS(float3 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0)
{
    HatchVSOut o;
    float4 proj = ProjectionTerms();
    o.Pos = mul(float4(Pos, 1), matWorldViewProjection);
    o.Tex = Tex * (MiscParam.x / RepeatsPerTexture);
    o.MeshTex = Tex;
    o.ViewPos = mul(float4(Pos, 1), matWorldView).xyz;
    o.ViewNormal = mul(float4(Normal, 0), matWorldViewInverseTranspose).xyz;
    o.ViewLight = WorldPointToView(LightDir.xyz, proj);
    return o;
}

// Texels across the finest level of every hatching texture (the content generator's size).
static const float HatchSize = 1024;

// A pixel's footprint on the texture, taken 5 % larger than its derivatives say: filtering then
// leans slightly towards the coarser level, which steadies the strokes as the eye moves, for a
// few hundredths of their contrast. Every level draws its strokes the same width, so no bias
// towards the finer level is needed to keep them thin.
static const float FootprintScale = 1.05;

// Where to read the finest level when it is magnified: bilinear filtering would smear each
// stroke's edge over as many pixels as a texel covers. The position within the texel is pushed
// towards the texel's middle, `steep` times, so that the blend with the next texel happens
// within the pixel or so nearest their shared edge: strokes, whose finest level covers whole
// texels, keep edges about a pixel wide at any magnification. The push is symmetric, so each
// texel still covers its own area and the tone does not change; at 1 it does nothing.
float2 SharpTexel(float2 uv, float steep)
{
    float2 p = uv * HatchSize - 0.5;
    float2 cell = floor(p);
    float2 f = saturate((p - cell - 0.5) * steep + 0.5);
    return (cell + f + 0.5) / HatchSize;
}

float4 Bits16(float x)
{
    float q = floor(saturate(x) * 65535 + 0.5);
    float high = floor(q / 256);
    return float4(high / 255, (q - high * 256) / 255, 0.5, 1);
}

float4 HatchPS(float2 Tex : TEXCOORD0, float3 ViewPos : TEXCOORD1, float3 ViewNormal : TEXCOORD2,
               float3 ViewLight : TEXCOORD3, float2 MeshTex : TEXCOORD4) : COLOR0
{
    float3 n = normalize(ViewNormal);
    // The eye sits at the origin of view space (the camera that vViewPosition places).
    float3 toEye = normalize(-ViewPos);
    float3 toLight = normalize(ViewLight - ViewPos);

    float diffuse = saturate(dot(n, toLight));
    float specular = pow(saturate(dot(n, normalize(toLight + toEye))), 24);
    // The tone curve: the light sits in front of the character, so most of what the eye sees
    // has a diffuse term between 0.4 and 0.9. A gentle straight line puts that on the single-
    // direction and the first cross-hatched tones, keeps the densest tone for the sides that
    // turn right away from the light, and leaves bare paper to the highlight. Its slope is
    // two thirds of a steep stretch's, so strokes are not cut into stubs where light turns
    // into shadow.
    float intensity = saturate(1.1 * diffuse - 0.12 + 0.4 * specular);

    float tone = 6 * (1 - intensity);
#if QUALITY_OUTPUT
    if (MiscParam.y > 0) tone = MiscParam.y - 1;
#endif
    // Tone 0 is bare paper, tones 1..6 are Hatch0..Hatch5; the two tones either side of
    // `tone` share the weight, so the weights sum to one and the darkness follows the tone
    // exactly. Hatch0 carries tones 1 to 4 in its four channels and Hatch4 tones 5 and 6 in
    // its first two (each HatchN holds its own tone in red as well), so two reads give all six:
    // cheaper than a read per texture, and than a branch per texture on a processor that runs
    // a shader's branches side by side.
    float2 dx = ddx(Tex) * FootprintScale, dy = ddy(Tex) * FootprintScale;
    float texels = sqrt(max(dot(dx, dx), dot(dy, dy))) * HatchSize;
    // Up close, steepen the blend towards a fifth of a pixel, from nothing at one texel a pixel:
    // a pencil line keeps a crisp edge however near the eye comes, and a wider ramp would leave
    // a pixel of half tone along most strokes.
    float2 at = SharpTexel(Tex, max(1, 5 / texels - 4));
    float4 w1234 = saturate(1 - abs(tone - float4(1, 2, 3, 4)));
    float2 w56 = saturate(1 - abs(tone - float2(5, 6)));
    float hatch = saturate(1 - tone)
                + dot(w1234, tex2Dgrad(Hatch0Sampler, at, dx, dy))
                + dot(w56, tex2Dgrad(Hatch4Sampler, at, dx, dy).rg);

    // Crimson pencil over a pale red wash on warm paper: the wash deepens a little into the
    // shade so the creature reads as red even where the strokes are sparse, and the pencil
    // presses harder (darker) in the shadows.
    float3 paper = float3(0.98, 0.96, 0.91);
    float3 wash = paper * lerp(float3(1.0, 0.88, 0.83), float3(0.92, 0.55, 0.5), tone / 6);
    float3 ink = lerp(float3(0.72, 0.1, 0.1), float3(0.28, 0.02, 0.03), saturate(tone / 6));
    float3 colour = lerp(ink, wash, hatch);

    // Outline: a dark pencil line where the surface turns edge-on to the eye. `facing` falls to
    // zero at the silhouette at a rate of fwidth(facing) a pixel, so the line covers the pixels
    // within `widthPx` of it, and its inner edge ramps over one pixel (anti-aliased). The line
    // thins with distance, from 1.6 pixels near (1.2 from the start camera) to 0.6 far away,
    // so a distant figure is not swallowed by its own outline; the softer rim darkening inside
    // it fades out with it.
    float facing = abs(dot(n, toEye));
    float perPixel = max(fwidth(facing), 1e-4);
    float widthPx = clamp(360 / max(ViewPos.z, 1), 0.6, 1.6);
    float outline = saturate(widthPx - facing / perPixel);
    float rim = (1 - smoothstep(0.1, 0.4, facing)) * saturate((widthPx - 0.6) / 1.0);
    colour = lerp(colour, ink, 0.35 * rim);
    colour = lerp(colour, float3(0.16, 0.03, 0.03), outline);

#if QUALITY_OUTPUT == 1
    return float4(hatch, hatch, hatch, 1);
#elif QUALITY_OUTPUT == 2
    return float4(tone / 7, tone / 7, tone / 7, 1);
#elif QUALITY_OUTPUT == 3
    return Bits16(MeshTex.x);
#elif QUALITY_OUTPUT == 4
    return Bits16(MeshTex.y);
#elif QUALITY_OUTPUT == 5
    return float4(outline, outline, outline, 1);
#else
    return float4(colour, 1);
#endif
}

technique TShader
{
    pass P0
    {
        VertexShader = compile vs_3_0 BoxVS();
        PixelShader = compile ps_2_0 BoxPS();
    }
    pass P1
    {
        VertexShader = compile vs_3_0 HatchVS();
        PixelShader = compile ps_3_0 HatchPS();
    }
}
