// Test shader for FullScreenShader: colours from its constants (b2) and its images (t0, t1).
cbuffer OverlayConstants : register(b2)
{
    float time;
    float value1;
    float value2;
    float value3;
    float value4;
    float value5;
    float value6;
    float random;
};

Texture2D image1 : register(t0);
Texture2D image2 : register(t1);
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

// (value1, value2, value3) with alpha value4 (params float1..float4).
float4 PS(PSIn pin) : SV_Target
{
    return float4(value1, value2, value3, value4);
}

// Time / 10, the random value, value6 / 10.
float4 PS_Constants(PSIn pin) : SV_Target
{
    return float4(time / 10.0, random, value6 / 10.0, 1.0);
}

// image1 in red and green, image2 in blue.
float4 PS_Images(PSIn pin) : SV_Target
{
    float4 a = image1.Sample(pointClamp, pin.uv);
    float4 b = image2.Sample(pointClamp, pin.uv);
    return float4(a.r, a.g, b.b, 1.0);
}
