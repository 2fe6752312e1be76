// rgbsplit.fx - channel separation along a direction (run by the RGBSplit effect).
//   b0: dir (cos(angle) / width, sin(angle) / height: one pixel along the angle, in uv),
//       mix (0 = the frame as it is, 1 = fully split), unused,
//       offsets (red, green, blue shift in pixels along dir), unused
//   t0: the frame
// Entry points: VS, PS.

cbuffer SplitConstants : register(b0)
{
    float2 dir;
    float splitMix;
    float unused0;
    float3 offsets;
    float unused1;
};

Texture2D frameTex : register(t0);
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

float4 PS(PSIn pin) : SV_Target
{
    float3 original = frameTex.Sample(linearClamp, pin.uv).rgb;
    float3 split;
    split.r = frameTex.Sample(linearClamp, pin.uv + dir * offsets.x).r;
    split.g = frameTex.Sample(linearClamp, pin.uv + dir * offsets.y).g;
    split.b = frameTex.Sample(linearClamp, pin.uv + dir * offsets.z).b;
    return float4(lerp(original, split, splitMix), 1.0);
}
