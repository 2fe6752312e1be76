// Test shader for FullScreenShaderEffect: reads the frame at t0 and image1 at t1, constants at b0.
cbuffer PostConstants : register(b0)
{
    float time;
    float value1;
    float value2;
    float value3;
    float value4;
    float value5;
    float zero;
    float random;
};

Texture2D frameTex : register(t0);
Texture2D image1 : register(t1);
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

PSIn VS(VSIn vin)
{
    PSIn vout;
    vout.position = float4(vin.position.xy * 2.0, 0.0, 1.0);
    vout.uv = vin.uv;
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    float4 c = frameTex.Sample(pointClamp, pin.uv);
    return float4(1.0 - c.rgb, 1.0);
}

// Time / 10, value1, value5, plus zero (so a non-zero sixth float would show in alpha).
float4 PS_Constants(PSIn pin) : SV_Target
{
    return float4(time / 10.0, value1, value5, 1.0 - zero);
}

// The frame's red channel and image1's green.
float4 PS_Image(PSIn pin) : SV_Target
{
    return float4(frameTex.Sample(pointClamp, pin.uv).r, image1.Sample(pointClamp, pin.uv).g, 0.0, 1.0);
}
