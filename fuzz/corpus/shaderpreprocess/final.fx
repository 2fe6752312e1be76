// final.fx - composites the finished frame to the back buffer.
//   t0: the frame (render size; the viewport may be larger or smaller, so it is filtered)
// Entry points: VS, PS.

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
    return float4(frameTex.Sample(linearClamp, pin.uv).rgb, 1.0);
}
