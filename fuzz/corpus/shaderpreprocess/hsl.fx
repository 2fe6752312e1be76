// hsl.fx - hue, saturation and luminance adjustment (run by the HSL effect).
//   b0: hue (shift in turns: 0.5 swaps a colour for its complement; wraps), saturation
//       (factor, 1 = unchanged, 0 = grey), luminance (factor, 1 = unchanged), unused
//   t0: the frame
// (0, 1, 1) leaves the frame unchanged.
// Entry points: VS, PS.

cbuffer HslConstants : register(b0)
{
    float hue;
    float saturation;
    float luminance;
    float unused;
};

Texture2D frameTex : register(t0);
SamplerState pointClamp : register(s1);

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

float3 RgbToHsl(float3 c)
{
    float maxC = max(c.r, max(c.g, c.b));
    float minC = min(c.r, min(c.g, c.b));
    float l = (maxC + minC) * 0.5;
    float d = maxC - minC;
    if (d <= 1e-6)
        return float3(0.0, 0.0, l);
    float s = l > 0.5 ? d / (2.0 - maxC - minC) : d / (maxC + minC);
    float h;
    if (maxC == c.r)
        h = (c.g - c.b) / d + (c.g < c.b ? 6.0 : 0.0);
    else if (maxC == c.g)
        h = (c.b - c.r) / d + 2.0;
    else
        h = (c.r - c.g) / d + 4.0;
    return float3(h / 6.0, s, l);
}

float3 HslToRgb(float3 hsl)
{
    // Piecewise-linear hue ramp, scaled by chroma around the lightness.
    float3 ramp = saturate(abs(frac(hsl.x + float3(0.0, 2.0 / 3.0, 1.0 / 3.0)) * 6.0 - 3.0) - 1.0);
    float chroma = (1.0 - abs(2.0 * hsl.z - 1.0)) * hsl.y;
    return hsl.z + chroma * (ramp - 0.5);
}

float4 PS(PSIn pin) : SV_Target
{
    // The frame and the target have the same size: read texels one to one.
    float4 texel = frameTex.Sample(pointClamp, pin.uv);
    float3 hsl = RgbToHsl(saturate(texel.rgb));
    hsl.x = frac(hsl.x + hue);
    hsl.y = saturate(hsl.y * saturation);
    hsl.z = saturate(hsl.z * luminance);
    return float4(HslToRgb(hsl), 1.0);
}
