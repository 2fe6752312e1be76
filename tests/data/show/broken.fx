// A composite shader with a type error in its pixel entry point.
Texture2D frameTex : register(t0);
SamplerState linearClamp : register(s0);

struct VSIn { float3 position : POSITION; float2 uv : TEXCOORD; float3 normal : NORMAL; };
struct PSIn { float4 position : SV_Position; float2 uv : TEXCOORD; };

PSIn VS(VSIn vin)
{
    PSIn vout;
    vout.position = float4(vin.position.xy * 2.0, 0.0, 1.0);
    vout.uv = vin.uv;
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    return frameTex.Sample(linearClamp, pin.uv).rgb + undefinedThing;
}
