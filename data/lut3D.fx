// lut3D.fx - colour grading through a 3D look-up table (run by the Lut3D effect).
//   b0 (pixel stage): strength (0 = the frame as it is, 1 = fully graded), three unused floats
//   t0: the table (N x N x N, red along x, green along y, blue along z)
//   t1: the frame (note: the slots are the other way round from the other effects)
// Entry points: VS, PS.

cbuffer LutConstants : register(b0)
{
    float strength;
    float unused0;
    float unused1;
    float unused2;
};

Texture3D lutTex : register(t0);
Texture2D frameTex : register(t1);
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
    float3 colour = saturate(frameTex.Sample(linearClamp, pin.uv).rgb);
    uint w, h, d;
    lutTex.GetDimensions(w, h, d);
    float3 size = float3(max(w, 1u), max(h, 1u), max(d, 1u));
    // Lattice point i sits at the centre of texel i: scale by (N - 1) / N, add half a texel.
    float3 coord = colour * ((size - 1.0) / size) + 0.5 / size;
    float3 graded = lutTex.SampleLevel(linearClamp, coord, 0).rgb;
    return float4(lerp(colour, graded, strength), 1.0);
}
