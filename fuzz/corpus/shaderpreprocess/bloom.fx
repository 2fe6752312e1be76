// bloom.fx - bright-pass bloom in four passes (run by the Bloom effect).
//   b0: invWidth, invHeight, taps (int), strength (already x10), middleGrey, whiteCutOff,
//       cutOff (already x0.12 + 0.0001), unused
//   t5: blur kernel, one float4 per tap: (weight, offset in texels, 0, 0); each tap is taken
//       at +offset and -offset with the same weight, the weights summing to 0.5 per side
//   PS_Bright, PS_Horizontal, PS_Vertical: image to filter at t0
//   PS_Combine: the unfiltered frame at t0, the blurred bright pass at t1
// Entry points: VS, PS_Bright, PS_Horizontal, PS_Vertical, PS_Combine.

cbuffer BloomConstants : register(b0)
{
    float invWidth;
    float invHeight;
    int taps;
    float strength;
    float middleGrey;
    float whiteCutOff;
    float cutOff;
    float unused;
};

Texture2D sourceTex : register(t0);
Texture2D bloomTex : register(t1);
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

// Exposure-scaled colour with its highlights lifted towards the white point, the threshold
// taken off (cutOff x 8, so the default cutOff of 0.5 keeps mid-greys out) and what is left
// compressed into a small range (the combine pass scales it up again by strength).
float4 PS_Bright(PSIn pin) : SV_Target
{
    float3 colour = sourceTex.Sample(linearClamp, pin.uv).rgb;
    colour *= middleGrey / 0.18;
    float white = max(whiteCutOff, 0.01);
    colour *= 1.0 + colour / (white * white);
    colour = max(colour - cutOff * 8.0, 0.0);
    colour = colour / (10.0 + colour);
    return float4(colour, 1.0);
}

float3 BlurAlong(float2 uv, float2 axis)
{
    float3 sum = 0.0;
    [loop]
    for (int i = 0; i < taps; ++i)
    {
        float4 tap = blurKernel[i];
        float2 offset = axis * tap.y;
        sum += tap.x * (sourceTex.SampleLevel(linearClamp, uv + offset, 0).rgb +
                        sourceTex.SampleLevel(linearClamp, uv - offset, 0).rgb);
    }
    return sum;
}

float4 PS_Horizontal(PSIn pin) : SV_Target
{
    return float4(BlurAlong(pin.uv, float2(invWidth, 0.0)), 1.0);
}

float4 PS_Vertical(PSIn pin) : SV_Target
{
    return float4(BlurAlong(pin.uv, float2(0.0, invHeight)), 1.0);
}

float4 PS_Combine(PSIn pin) : SV_Target
{
    float3 frame = sourceTex.Sample(linearClamp, pin.uv).rgb;
    float3 glow = bloomTex.Sample(linearClamp, pin.uv).rgb * strength;
    // Screen-style add: the glow fills the darks fully and eases off as the frame saturates,
    // so highlights bloom without flattening into a white block.
    float3 colour = frame + glow * (1.0 - saturate(frame) * 0.5);
    return float4(colour, 1.0);
}
