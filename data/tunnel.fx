// tunnel.fx - flight through an endless neon tunnel: glowing rings and rails on a dark,
// fogged tube that twists as it goes. Opaque background for FullScreenShader.
//
// Knobs (FullScreenShader params, keyframeable):
//   float1  speed       flight speed in tunnel segments per time unit; 0 selects 1
//   float2  twist       how much the tube spirals (0 = straight, 1 = strong)
//   float3  hue         colour shift in turns (0 = cyan/magenta)
//   float4  brightness  overall gain; 0 selects 1
//   float5  pulse       flash of the rings on every whole time unit (each beat at a tempo), 0..1
//   float6  wobble      how far the vanishing point wanders (0 = centred, 1 = wide)
// Entry points: VS, PS. Uses no textures.

cbuffer FullScreenConstants : register(b2)
{
    float time;
    float speed;
    float twist;
    float hue;
    float brightness;
    float pulse;
    float wobble;
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

float4 PS(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float aspect = abs(ddy(uv.y)) / max(abs(ddx(uv.x)), 1e-6);
    float spd = speed == 0.0 ? 1.0 : speed;
    float gain = brightness == 0.0 ? 1.0 : brightness;

    float2 p = (uv - 0.5) * float2(aspect, 1.0);
    p -= wobble * 0.18 * float2(sin(time * 0.31), cos(time * 0.23));

    float radius = max(length(p), 1e-4);
    float angle = atan2(p.y, p.x) / 6.2831853;      // -0.5..0.5 turns

    // Depth along the tube: inverse distance from the vanishing point.
    float depth = 0.35 / radius;
    float z = depth + time * spd;
    float a = angle + twist * 0.15 * z + time * 0.02;

    // Rings across the tube and rails along it, as thin anti-aliased glowing lines.
    float ringCoord = frac(z);
    float ring = exp(-abs(ringCoord - 0.5) * 28.0);
    float railCoord = frac(a * 12.0);
    float rail = exp(-abs(railCoord - 0.5) * 18.0);
    // A slower tiling of panels, lit at random, gives the walls some structure.
    float2 panel = floor(float2(z, frac(a) * 12.0));
    float lit = step(0.82, Hash12(panel));
    float panelGlow = lit * smoothstep(0.5, 0.0, abs(ringCoord - 0.5)) * 0.25;

    float3 ringColour = Palette(hue + 0.5 + 0.1 * sin(z * 0.7));
    float3 railColour = Palette(hue + 0.85);
    float beat = pulse * exp(-frac(time) * 5.0);
    float flash = 1.0 + beat * 2.5;
    float3 colour = ringColour * ring * 1.3 * flash + railColour * rail * 0.6 + ringColour * panelGlow;

    // Fog: far away (near the centre) fades to a warm glow, the near walls darken at the edge.
    float fog = exp(-depth * 0.35);
    colour *= fog;
    colour += Palette(hue + 0.15) * exp(-radius * 9.0) * (0.5 + beat);
    colour *= smoothstep(0.0, 0.04, radius);
    colour += Palette(hue + 0.15) * smoothstep(0.05, 0.0, radius) * 0.6;

    return float4(colour * gain, 1.0);
}
