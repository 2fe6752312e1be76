// kaleido.fx - mirror effects for FullScreenShaderEffect (frame at t0).
//
// PS: kaleidoscope. The frame is folded into mirrored wedges around the centre.
//   float1  segments    number of mirrored wedges (0 selects 6; use whole numbers)
//   float2  rotation    spin speed in turns per time unit
//   float3  zoom        source zoom (0 selects 1; below 1 shows more of the frame)
//   float4  amount      mix with the untouched frame 0..1 (0 = off, 1 = full)
//   float5  twist       swirl that grows with distance from the centre, -1..1
// PS_ZoomBlur: radial zoom blur / light burst from a point.
//   float1  strength    blur length 0..1 (0.3 is strong)
//   float2  centreX     0..1 (0 and 0 for x and y select the middle)
//   float3  centreY     0..1
//   float4  boost       brightens the streaks 0..2
//   float5  unused
// Entry points: VS, PS, PS_ZoomBlur.

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
    float segments = knob1 == 0.0 ? 6.0 : max(knob1, 1.0);
    float zoom = knob3 == 0.0 ? 1.0 : knob3;

    float2 p = (uv - 0.5) * float2(aspect, 1.0);
    float r = length(p);
    float a = atan2(p.y, p.x) + time * knob2 * 6.2831853 + knob5 * r * 3.0;
    float wedge = 6.2831853 / segments;
    // Fold the angle into one wedge and mirror every other one, so edges meet seamlessly.
    float folded = abs(frac(a / wedge * 0.5 + 0.5) * 2.0 - 1.0) * wedge;
    float2 q = float2(cos(folded), sin(folded)) * r / zoom;
    float2 st = q / float2(aspect, 1.0) + 0.5;
    // Mirror-repeat the lookup so zoomed-out views never leave the frame.
    st = 1.0 - abs(frac(st * 0.5) * 2.0 - 1.0);

    float3 folded3 = frameTex.Sample(linearClamp, st).rgb;
    float3 original = frameTex.Sample(linearClamp, uv).rgb;
    return float4(lerp(original, folded3, saturate(knob4)), 1.0);
}

float4 PS_ZoomBlur(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float2 centre = (knob2 == 0.0 && knob3 == 0.0) ? float2(0.5, 0.5) : float2(knob2, knob3);
    float2 toCentre = centre - uv;
    float strength = saturate(knob1);

    // 24 taps, jittered per pixel to trade banding for fine noise.
    float jitter = Hash12(uv * FrameSize() + frac(time) * 97.0);
    float3 sum = 0.0;
    float total = 0.0;
    for (int i = 0; i < 24; ++i)
    {
        float t = ((float)i + jitter) / 24.0;
        float w = 1.0 - t * 0.7;
        float3 s = frameTex.SampleLevel(linearClamp, uv + toCentre * t * strength, 0).rgb;
        sum += s * w * (1.0 + knob4 * t * dot(s, float3(0.33, 0.33, 0.33)));
        total += w;
    }
    return float4(sum / total, 1.0);
}
