// ripple.fx - distortion post-processes for FullScreenShaderEffect (frame at t0).
//
// PS: circular water ripples spreading from a point, with a little light on the crests.
//   float1  amplitude   displacement in pixels at 1080p (scaled to the render size; 0 = off)
//   float2  frequency   wave count across the screen height (0 selects 12)
//   float3  speed       wave speed (0 selects 1)
//   float4  centreX     source, 0..1 across the screen (0 and 0 for x and y select the middle)
//   float5  centreY     source, 0..1 down the screen
// PS_Chroma: lens warp with chromatic fringes that grow towards the edges.
//   float1  strength    fringe width in pixels at 1080p (0 = off)
//   float2  barrel      barrel (+) or pincushion (-) warp, -0.5..0.5
//   float3  wobble      animated swirl of the lens 0..1
//   float4  zoom        zoom in to hide warped edges, 0..0.3
//   float5  unused
// PS_Wave: horizontal heat-haze / VHS wobble.
//   float1  amplitude   pixels at 1080p
//   float2  frequency   waves per screen height (0 selects 6)
//   float3  speed       (0 selects 1)
//   float4  jitter      random line jitter 0..1
//   float5  unused
// Entry points: VS, PS, PS_Chroma, PS_Wave.

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
    float frequency = knob2 == 0.0 ? 12.0 : knob2;
    float speed = knob3 == 0.0 ? 1.0 : knob3;
    float2 centre = (knob4 == 0.0 && knob5 == 0.0) ? float2(0.5, 0.5) : float2(knob4, knob5);

    float2 d = (uv - centre) * float2(aspect, 1.0);
    float dist = length(d);
    float2 dir = dist > 1e-5 ? d / dist : float2(0.0, 0.0);
    float phase = dist * frequency * 6.2831853 - time * speed * 6.2831853;
    // Waves fade out with distance so the edges of the screen stay put.
    float envelope = exp(-dist * 1.8);
    float wave = sin(phase) * envelope;
    float amplitudeUv = knob1 / 1080.0;
    float2 offset = dir * wave * amplitudeUv / float2(aspect, 1.0);
    float3 colour = frameTex.Sample(linearClamp, uv + offset).rgb;
    // Light caught by the slopes of the crests.
    colour += cos(phase) * envelope * saturate(knob1 / 40.0) * 0.12;
    return float4(colour, 1.0);
}

float4 PS_Chroma(PSIn pin) : SV_Target
{
    float2 size = FrameSize();
    float aspect = size.x / size.y;
    float2 uv = pin.uv;
    float2 c = (uv - 0.5) * float2(aspect, 1.0);
    float r2 = dot(c, c);
    float swirl = knob3 * 0.15 * sin(time * 0.7 + r2 * 6.0);
    float s = sin(swirl), co = cos(swirl);
    c = float2(c.x * co - c.y * s, c.x * s + c.y * co);
    c *= (1.0 + knob2 * r2) * (1.0 - knob4);
    float2 base = c / float2(aspect, 1.0) + 0.5;

    float2 spread = c / float2(aspect, 1.0) * (knob1 / 1080.0) * (0.5 + 2.0 * r2);
    float red = frameTex.Sample(linearClamp, base + spread).r;
    float green = frameTex.Sample(linearClamp, base).g;
    float blue = frameTex.Sample(linearClamp, base - spread).b;
    return float4(red, green, blue, 1.0);
}

float4 PS_Wave(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float frequency = knob2 == 0.0 ? 6.0 : knob2;
    float speed = knob3 == 0.0 ? 1.0 : knob3;
    float2 size = FrameSize();
    float row = floor(uv.y * size.y / 3.0);
    float jitter = (Hash12(float2(row, floor(time * 20.0))) - 0.5) * knob4;
    float shift = sin(uv.y * frequency * 6.2831853 + time * speed * 3.0) + jitter * 3.0;
    shift += 0.5 * sin(uv.y * frequency * 17.0 - time * speed * 5.0);
    float2 offset = float2(shift * knob1 / 1080.0 * size.y / size.x, 0.0);
    return float4(frameTex.Sample(linearClamp, uv + offset).rgb, 1.0);
}
