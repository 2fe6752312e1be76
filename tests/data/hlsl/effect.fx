// A file written for the effect framework: techniques, passes and state objects around
// plain entry points.
#include "common.hlsli"

cbuffer Constants : register(b0)
{
    float4x4 world;
    float amount;
};

Texture2D image : register(t0);
SamplerState linearClamp : register(s0)
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Clamp;
    AddressV = Clamp;
};

BlendState NoBlend
{
    BlendEnable[0] = FALSE;
};

struct VSOut
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
};

VSOut VS(float3 position : POSITION, float2 uv : TEXCOORD0)
{
    VSOut o;
    o.position = mul(float4(position, 1), world);
    o.uv = uv;
    return o;
}

float4 PS(VSOut i) : SV_Target
{
    return Tint(image.Sample(linearClamp, i.uv), amount);
}

float4 PS_Other(VSOut i) : SV_Target
{
    return float4(i.uv, 0, 1);
}

technique11 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_5_0, VS()));
        SetPixelShader(CompileShader(ps_5_0, PS()));
        SetBlendState(NoBlend, float4(0, 0, 0, 0), 0xFFFFFFFF);
    }
}
