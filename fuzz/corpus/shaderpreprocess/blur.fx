// blur.fx - separable Gaussian blur (run by the Blur effect).
//   b0: invWidth, invHeight, strength (blur radius scale, 1 = the kernel as built), taps (int)
//   t5: blur kernel, one float4 per tap: (weight, offset in texels, 0, 0); each tap is taken
//       at +offset and -offset with the same weight, the weights summing to 0.5 per side
//   t0: image to blur; t1 (mask entries only): mask, its red channel scales the radius per pixel
//       (black = sharp, white = full blur)
// Entry points: VS, PS_NoMaskHorizontal, PS_NoMaskVertical, PS_MaskHorizontal, PS_MaskVertical.

cbuffer BlurConstants : register(b0)
{
    float invWidth;
    float invHeight;
    float strength;
    int taps;
};

Texture2D sourceTex : register(t0);
Texture2D maskTex : register(t1);
StructuredBuffer<float4> blurKernel : register(t5);
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

float4 BlurAlong(float2 uv, float2 axis)
{
    float4 sum = 0.0;
    float total = 0.0;
    [loop]
    for (int i = 0; i < taps; ++i)
    {
        float4 tap = blurKernel[i];
        float2 offset = axis * tap.y;
        sum += tap.x * (sourceTex.SampleLevel(linearClamp, uv + offset, 0) +
                        sourceTex.SampleLevel(linearClamp, uv - offset, 0));
        total += tap.x * 2.0;
    }
    // The weights sum to 1 already; dividing keeps an odd kernel from shifting brightness.
    return total > 0.0 ? sum / total : sourceTex.SampleLevel(linearClamp, uv, 0);
}

float MaskAt(float2 uv)
{
    return saturate(maskTex.Sample(linearClamp, uv).r);
}

float4 PS_NoMaskHorizontal(PSIn pin) : SV_Target
{
    return BlurAlong(pin.uv, float2(invWidth * strength, 0.0));
}

float4 PS_NoMaskVertical(PSIn pin) : SV_Target
{
    return BlurAlong(pin.uv, float2(0.0, invHeight * strength));
}

float4 PS_MaskHorizontal(PSIn pin) : SV_Target
{
    return BlurAlong(pin.uv, float2(invWidth * strength * MaskAt(pin.uv), 0.0));
}

float4 PS_MaskVertical(PSIn pin) : SV_Target
{
    return BlurAlong(pin.uv, float2(0.0, invHeight * strength * MaskAt(pin.uv)));
}
