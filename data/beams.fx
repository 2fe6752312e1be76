// beams.fx - additive light overlays for FullScreenShader with blendMode "additive".
// All three entries output black where there is no light, so they only ever brighten.
//
// PS: stage light beams fanning out from a point, sweeping side to side.
//   float1  intensity   beam brightness (0.3 subtle .. 1.5 blinding)
//   float2  count       number of beams (0 selects 7)
//   float3  hue         colour in turns (0 = warm white-gold)
//   float4  sweep       sweep angle speed (0 = still)
//   float5  width       beam width 0..1 (0 selects 0.35)
//   float6  originY     height of the source in screen heights from the top (0 = top edge, 1 = bottom)
// PS_Rings: shock rings expanding from the centre, one per time unit (one per beat at a tempo).
//   float1  intensity   ring brightness
//   float2  rate        rings per time unit (0 selects 1)
//   float3  hue         colour in turns
//   float4  thickness   ring thickness 0..1 (0 selects 0.3)
//   float5  distortion  wobble of the ring outline 0..1
//   float6  spread      how far a ring travels before it fades (0 selects 1, in screen heights)
// PS_Particles: drifting, twinkling sparks in three parallax layers.
//   float1  intensity   spark brightness
//   float2  density     0..1 share of cells holding a spark (0 selects 0.35)
//   float3  hue         colour in turns
//   float4  speed       rising speed (0 = hover)
//   float5  size        spark size 0..1 (0 selects 0.3)
//   float6  swirl       sideways sway 0..1
// Entry points: VS, PS, PS_Rings, PS_Particles. Uses no textures.

cbuffer FullScreenConstants : register(b2)
{
    float time;
    float knob1;
    float knob2;
    float knob3;
    float knob4;
    float knob5;
    float knob6;
    float random;
};

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

float Aspect(float2 uv)
{
    return abs(ddy(uv.y)) / max(abs(ddx(uv.x)), 1e-6);
}

float4 PS(PSIn pin) : SV_Target
{
    float intensity = knob1;
    float count = knob2 == 0.0 ? 7.0 : knob2;
    float width = knob5 == 0.0 ? 0.35 : knob5;
    float2 uv = pin.uv;
    float aspect = Aspect(uv);

    float2 origin = float2(0.5, knob6);
    float2 d = (uv - origin) * float2(aspect, 1.0);
    float dist = length(d);
    // Angle measured from straight down (towards the bottom of the screen).
    float angle = atan2(d.x, d.y);
    float sweep = sin(time * knob4 * 0.5) * 0.6;

    float fan = 1.6;                                 // total opening of the fan in radians
    float slot = (angle - sweep) / fan * count + count * 0.5;
    float index = floor(slot);
    float within = frac(slot) - 0.5;
    float inFan = step(0.0, index) * step(index, count - 1.0);
    float beam = exp(-within * within / (width * width * 0.08)) * inFan;
    // Each beam flickers on its own phase.
    float phase = Hash12(float2(index, 3.0)) * 6.2831853;
    beam *= 0.7 + 0.3 * sin(time * 1.7 + phase);
    // Fade with distance and a soft hot spot at the source.
    beam *= exp(-dist * 0.9) * smoothstep(0.0, 0.08, dist);
    float core = exp(-dist * 14.0) * 0.8;

    float3 tint = lerp(float3(1.0, 0.85, 0.6), Palette(knob3), step(0.0001, abs(knob3)));
    float3 colour = tint * (beam + core) * intensity;
    return float4(colour, 1.0);
}

float4 PS_Rings(PSIn pin) : SV_Target
{
    float intensity = knob1;
    float rate = knob2 == 0.0 ? 1.0 : knob2;
    float thickness = knob4 == 0.0 ? 0.3 : knob4;
    float spread = knob6 == 0.0 ? 1.0 : knob6;
    float2 uv = pin.uv;
    float aspect = Aspect(uv);
    float2 d = (uv - 0.5) * float2(aspect, 1.0);
    float dist = length(d);
    float angle = atan2(d.y, d.x);
    dist *= 1.0 + knob5 * 0.08 * sin(angle * 5.0 + time * 2.0);

    float3 colour = 0.0;
    float t = time * rate;
    // The three most recent rings are alive at once.
    for (int i = 0; i < 3; ++i)
    {
        float age = frac(t) + (float)i;               // in ring periods
        float born = floor(t) - (float)i;
        float radius = age / 3.0 * spread * 0.9;
        float fade = 1.0 - age / 3.0;
        float w = 0.004 + 0.025 * thickness * (0.3 + age);
        float x = (dist - radius) / w;
        float ring = exp(-x * x) * fade * fade;
        float3 tint = Palette(knob3 + 0.08 * Hash12(float2(born, 1.0)));
        colour += tint * ring;
    }
    return float4(colour * intensity, 1.0);
}

float4 PS_Particles(PSIn pin) : SV_Target
{
    float intensity = knob1;
    float density = knob2 == 0.0 ? 0.35 : knob2;
    float size = knob5 == 0.0 ? 0.3 : knob5;
    float2 uv = pin.uv;
    float aspect = Aspect(uv);
    float2 p = uv * float2(aspect, 1.0);

    float3 colour = 0.0;
    for (int layer = 0; layer < 3; ++layer)
    {
        float fl = (float)layer;
        float cells = 9.0 + fl * 7.0;                  // far layers are denser and smaller
        float depth = 1.0 / (1.0 + fl * 0.8);
        float2 q = p * cells;
        q.y += time * knob4 * 2.0 * depth;               // rising: uv.y decreases upwards
        q.x += sin(q.y * 0.35 + time * 0.7 + fl) * knob6 * 1.5;
        float2 cell = floor(q);
        float2 f = frac(q);
        float h = Hash12(cell + fl * 31.0);
        if (h < density)
        {
            float2 at = float2(Hash12(cell + 5.1), Hash12(cell + 9.7)) * 0.6 + 0.2;
            float r = length(f - at);
            float twinkle = 0.5 + 0.5 * sin(time * (2.0 + h * 5.0) + h * 50.0);
            float radius = 0.03 + 0.15 * size;
            float spark = exp(-r * r / (radius * radius)) + 0.15 * exp(-r / (radius * 3.0));
            float3 tint = Palette(knob3 + h * 0.25);
            colour += tint * spark * twinkle * depth;
        }
    }
    return float4(colour * intensity, 1.0);
}
