// overlay.fx - flat overlays for FullScreenShader.
//
// PS_Tint (use blendMode "multiply"): a two-colour gradient that tints the frame. Where the
// tint is white the frame is unchanged.
//   float1  red      tint colour at the top edge (the bottom is its complement-leaning twin)
//   float2  green
//   float3  blue
//   float4  amount   0 = no tint .. 1 = full tint
//   float5  angle    gradient direction in turns (0 = top to bottom)
//   float6  darken   extra darkening towards the edges 0..1
// PS_Fade (use blendMode "alpha"): a solid colour with opacity, for fades and flashes.
//   float1..float3  colour (r, g, b);  float4  opacity 0..1
// PS_Image (use blendMode "alpha"): image1 centred, with image2 (if bound) as an alpha mask.
//   float1  opacity  0..1
//   float2  zoom     size relative to the screen height (0 selects 1)
//   float3  offsetX  horizontal offset in screen heights
//   float4  offsetY  vertical offset in screen heights
//   float5  spin     rotation in turns
// Entry points: VS, PS (same as PS_Fade), PS_Tint, PS_Fade, PS_Image.
// Textures: image1 at t0, image2 at t1 (PS_Image only).

cbuffer FullScreenConstants : register(b2)
{
    float time;
    float knob1;
    float knob2;
    float knob3;
    float knob4;
    float knob5;
    float knob6;
    float random;
};

Texture2D imageOne : register(t0);
Texture2D imageTwo : register(t1);
SamplerState linearClamp : register(s0);

struct VSIn
{
    float3 position : POSITION;
    float2 uv : TEXCOORD;
    float3 normal : NORMAL;
};

struct PSIn
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD;
};

// The quad spans -0.5..0.5: scale it to cover the whole viewport.
PSIn VS(VSIn vin)
{
    PSIn vout;
    vout.position = float4(vin.position.xy * 2.0, 0.0, 1.0);
    vout.uv = vin.uv;
    return vout;
}

float Hash12(float2 p)
{
    float3 p3 = frac(float3(p.xyx) * 0.1031);
    p3 += dot(p3, p3.yzx + 33.33);
    return frac((p3.x + p3.y) * p3.z);
}

float3 Palette(float x)
{
    return 0.5 + 0.5 * cos(6.2831853 * (x + float3(0.0, 0.33, 0.67)));
}

float4 PS_Tint(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float a = knob5 * 6.2831853;
    float2 dir = float2(sin(a), cos(a));
    float g = saturate(dot(uv - 0.5, dir) + 0.5);
    float3 top = float3(knob1, knob2, knob3);
    float3 bottom = top.zxy * 0.6 + 0.4 * top;         // a rotated, related colour
    float3 tint = lerp(1.0, lerp(top, bottom, g), saturate(knob4));
    float2 c = uv - 0.5;
    tint *= 1.0 - saturate(knob6) * saturate(dot(c, c) * 2.2);
    return float4(tint, 1.0);
}

float4 PS_Fade(PSIn pin) : SV_Target
{
    return float4(knob1, knob2, knob3, saturate(knob4));
}

float4 PS(PSIn pin) : SV_Target
{
    return PS_Fade(pin);
}

float4 PS_Image(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float aspect = abs(ddy(uv.y)) / max(abs(ddx(uv.x)), 1e-6);
    float zoom = knob2 == 0.0 ? 1.0 : knob2;

    uint w, h;
    imageOne.GetDimensions(w, h);
    float imageAspect = h > 0 ? (float)w / (float)h : 1.0;

    float2 p = (uv - 0.5) * float2(aspect, 1.0) - float2(knob3, knob4);
    float a = -knob5 * 6.2831853;
    p = float2(p.x * cos(a) - p.y * sin(a), p.x * sin(a) + p.y * cos(a));
    float2 st = p / (zoom * float2(imageAspect, 1.0)) + 0.5;
    float inside = step(0.0, st.x) * step(st.x, 1.0) * step(0.0, st.y) * step(st.y, 1.0);

    float4 texel = imageOne.Sample(linearClamp, st);
    uint mw, mh;
    imageTwo.GetDimensions(mw, mh);
    float mask = mw > 0 ? imageTwo.Sample(linearClamp, st).r : 1.0;
    return float4(texel.rgb, texel.a * mask * inside * saturate(knob1));
}
