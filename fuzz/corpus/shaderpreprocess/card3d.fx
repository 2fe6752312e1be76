// card3d.fx - a picture card standing in the 3D scene, for Shader3D.
//   b3  camera: world, view and projection (uploaded transposed), eye position
//   b4  card: world matrix, local time, float1..float6, random value
//   t0  image1, the picture (its aspect ratio shapes the card)
// Knobs: float1 brightness (0 selects 1), float2 shimmer speed, float3 edge glow 0..1,
//        float4 opacity (0 selects 1).
// Entry points: VS, PS.

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

cbuffer Card : register(b4)
{
    float4x4 world;
    float time;
    float brightness;
    float shimmerSpeed;
    float edgeGlow;
    float opacity;
    float unused5;
    float unused6;
    float random;
};

Texture2D image1 : register(t0);
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

PSIn VS(VSIn vin)
{
    PSIn vout;
    float4 worldPosition = mul(float4(vin.position, 1.0), world);
    vout.position = mul(mul(worldPosition, view), projection);
    vout.uv = vin.uv;
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    float gain = brightness == 0.0 ? 1.0 : brightness;
    float alpha = opacity == 0.0 ? 1.0 : opacity;
    float4 picture = image1.Sample(linearClamp, pin.uv);
    float shimmer = 0.85 + 0.15 * sin(time * shimmerSpeed * 6.2831855 + (pin.uv.x + pin.uv.y) * 9.0);
    float2 edge = min(pin.uv, 1.0 - pin.uv);
    float rim = 1.0 - smoothstep(0.0, 0.06, min(edge.x, edge.y));
    float3 colour = picture.rgb * gain * shimmer + rim * edgeGlow * float3(0.6, 0.85, 1.0);
    return float4(colour, saturate(picture.a * alpha + rim * edgeGlow));
}
