// plasma.fx - aurora sky: a domain-warped plasma glow, hanging light curtains and a star
// field. Meant as an opaque background for FullScreenShader.
//
// Knobs (FullScreenShader params, keyframeable):
//   float1  speed       flow speed; 0 selects 1
//   float2  scale       zoom of the pattern; 0 selects 1 (bigger = finer detail)
//   float3  hue         colour shift in turns (0 = green/teal curtains, 0.5 = magenta/orange)
//   float4  brightness  overall gain; 0 selects 1
//   float5  pulse       flash on every whole time unit (each beat at a tempo), 0..1
//   float6  warp        domain-warp strength 0..2 (0 = calm bands, 1.5 = turbulent)
// Entry points: VS, PS. Uses no textures.

cbuffer FullScreenConstants : register(b2)
{
    float time;
    float speed;
    float scale;
    float hue;
    float brightness;
    float pulse;
    float warp;
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

float ValueNoise(float2 p)
{
    float2 i = floor(p);
    float2 f = frac(p);
    float2 u = f * f * (3.0 - 2.0 * f);
    float a = Hash12(i);
    float b = Hash12(i + float2(1.0, 0.0));
    float c = Hash12(i + float2(0.0, 1.0));
    float d = Hash12(i + float2(1.0, 1.0));
    return lerp(lerp(a, b, u.x), lerp(c, d, u.x), u.y);
}

float Fbm(float2 p)
{
    float sum = 0.0;
    float amp = 0.5;
    for (int i = 0; i < 5; ++i)
    {
        sum += amp * ValueNoise(p);
        p = float2(p.x * 1.6 - p.y * 1.2, p.x * 1.2 + p.y * 1.6) + float2(3.1, 1.7);
        amp *= 0.5;
    }
    return sum;
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
    float sc = scale == 0.0 ? 1.0 : scale;
    float gain = brightness == 0.0 ? 1.0 : brightness;
    float t = time * spd * 0.25;

    // y grows downwards; the horizon sits at the bottom of the screen.
    float2 p = (uv - 0.5) * float2(aspect, 1.0) * sc;

    // Night sky.
    float3 colour = lerp(float3(0.004, 0.008, 0.03), float3(0.07, 0.03, 0.12), pow(uv.y, 1.6));

    // Stars: one candidate per cell, twinkling, hidden behind the brightest aurora later.
    float2 sp = uv * float2(aspect, 1.0) * 90.0;
    float2 cell = floor(sp);
    float h = Hash12(cell + 13.0);
    float2 starPos = float2(Hash12(cell + 1.7), Hash12(cell + 7.3));
    float starDist = length(frac(sp) - starPos);
    float twinkle = 0.6 + 0.4 * sin(time * (1.0 + h * 3.0) + h * 40.0);
    float stars = step(0.93, h) * smoothstep(0.12, 0.0, starDist) * twinkle * (1.0 - uv.y);
    colour += stars * float3(0.8, 0.85, 1.0);

    // Domain warp shared by the glow and the curtains.
    float2 q = float2(Fbm(p * 1.3 + float2(0.0, t * 0.6)), Fbm(p * 1.3 + float2(5.2, 1.3) - t * 0.5));
    float2 r = p + warp * (q - 0.5) * 1.5;
    float v = Fbm(r * 2.0 + float2(t * 0.3, -t * 0.2));

    // Soft plasma glow behind the curtains.
    float3 glow = Palette(hue + 0.2 + v * 0.25 + 0.05 * sin(t));
    colour += glow * glow * smoothstep(0.25, 0.9, v) * 0.22;

    // Curtains: a bright lower edge that fades upwards, striped by vertical rays.
    float3 curtains = 0.0;
    for (int i = 0; i < 3; ++i)
    {
        float fi = (float)i;
        float edgeY = 0.05 + 0.11 * fi - 0.2 + 0.35 * (Fbm(float2(r.x * 0.7 + fi * 3.1 + t * 0.4, fi * 1.7)) - 0.5);
        float above = edgeY - r.y;
        float curtain = above > 0.0 ? exp(-above * (5.0 + fi * 2.0)) : exp(above * 45.0);
        float rays = ValueNoise(float2(r.x * 18.0 + fi * 7.0, t * 1.5 + fi));
        rays = 0.25 + 0.75 * rays * rays + 0.35 * ValueNoise(float2(r.x * 60.0, t * 3.0));
        float3 tint = Palette(hue + 0.67 - fi * 0.07 - saturate(above) * 0.9);
        curtains += tint * curtain * rays * (0.55 + 0.6 * v) * (1.0 - fi * 0.22);
    }
    colour += curtains * 0.9;

    // Beat flash lifts everything towards the curtain colour, a little towards white.
    float flash = pulse * exp(-frac(time) * 5.0);
    colour += flash * (curtains * 0.8 + 0.06);

    // Gentle falloff towards the corners.
    float2 c = uv - 0.5;
    colour *= 1.0 - dot(c, c) * 0.6;

    return float4(colour * gain, 1.0);
}
