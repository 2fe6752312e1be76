// vignette.fx - film look for FullScreenShaderEffect (frame at t0): vignette, animated grain,
// faint scan lines and a gate-weave flicker.
//
//   float1  vignette    darkening of the corners 0..1 (0.5 is a classic look)
//   float2  grain       grain strength 0..1 (0.15 is subtle, 0.5 heavy)
//   float3  radius      where the vignette starts, 0..1 of the half-diagonal (0 selects 0.45)
//   float4  scanlines   scan-line depth 0..1
//   float5  flicker     brightness flicker 0..1
// Entry points: VS, PS.

cbuffer PostConstants : register(b0)
{
    float time;
    float knob1;
    float knob2;
    float knob3;
    float knob4;
    float knob5;
    float zero;
    float random;
};

Texture2D frameTex : register(t0);
Texture2D imageOne : register(t1);
SamplerState linearClamp : register(s0);
SamplerState linearWrap : register(s2);
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

float Hash12(float2 p)
{
    float3 p3 = frac(float3(p.xyx) * 0.1031);
    p3 += dot(p3, p3.yzx + 33.33);
    return frac((p3.x + p3.y) * p3.z);
}

float3 Palette(float x)
{
    return 0.5 + 0.5 * cos(6.2831853 * (x + float3(0.0, 0.33, 0.67)));
}

float2 FrameSize()
{
    uint w, h;
    frameTex.GetDimensions(w, h);
    return float2(max(w, 1u), max(h, 1u));
}

float4 PS(PSIn pin) : SV_Target
{
    float2 size = FrameSize();
    float aspect = size.x / size.y;
    float2 uv = pin.uv;
    float3 colour = frameTex.Sample(linearClamp, uv).rgb;

    // Vignette on an ellipse that follows the frame shape, a bit rounder than the screen.
    float radius = knob3 == 0.0 ? 0.45 : knob3;
    float2 c = (uv - 0.5) * float2(lerp(1.0, aspect, 0.5), 1.0);
    float len = length(c) / length(float2(lerp(1.0, aspect, 0.5), 1.0) * 0.5);
    float v = smoothstep(radius, radius + 0.75, len);
    colour *= 1.0 - saturate(knob1) * v * (1.5 - 0.5 * v);

    // Grain: new noise every 1/24 of a time unit (film frame rate feel), weighted towards
    // the mid-tones where it shows on real film; seeded per run.
    float2 pixel = floor(uv * size);
    float frame = floor(time * 24.0);
    float n = Hash12(pixel + float2(frame * 37.0, frame * 17.0) + random * 1000.0)
            + Hash12(pixel * 1.37 + float2(frame * 11.0, 3.0)) - 1.0;   // triangular, -1..1
    float luma = dot(colour, float3(0.2126, 0.7152, 0.0722));
    float midtones = 1.0 - abs(luma * 2.0 - 1.0) * 0.6;
    colour += n * knob2 * 0.18 * midtones;

    // Scan lines: one dark line every 3 pixels at 1080p, scaled to the render size.
    float lines = 0.5 + 0.5 * cos(uv.y * 360.0 * 6.2831853);
    colour *= 1.0 - saturate(knob4) * 0.35 * lines;

    // Flicker: a smooth random wander in brightness.
    float f0 = Hash12(float2(floor(time * 12.0), 7.0));
    float f1 = Hash12(float2(floor(time * 12.0) + 1.0, 7.0));
    float flick = lerp(f0, f1, frac(time * 12.0)) - 0.5;
    colour *= 1.0 + flick * knob5 * 0.25;

    return float4(max(colour, 0.0), 1.0);
}
