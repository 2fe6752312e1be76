// loading.fx - the loading screen.
//   b0: progress in [0, 1] (then three unused floats)
//   t0: loading1.png (shown at the start), t1: loading2.png (revealed as loading proceeds)
// The second picture dissolves in behind a glowing, noisy front that sweeps from left to
// right; a rounded progress bar with a moving sheen sits near the bottom edge.
// Entry points: VS, PS.

cbuffer LoadingConstants : register(b0)
{
    float progress;
    float unused0;
    float unused1;
    float unused2;
};

Texture2D firstImage : register(t0);
Texture2D secondImage : register(t1);
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
    for (int i = 0; i < 4; ++i)
    {
        sum += amp * ValueNoise(p);
        p = p * 2.03 + float2(17.1, 3.7);
        amp *= 0.5;
    }
    return sum;
}

float4 PS(PSIn pin) : SV_Target
{
    float2 uv = pin.uv;
    float p = saturate(progress);

    // Width over height of the viewport, from the screen-space derivatives of uv.
    float aspect = abs(ddy(uv.y)) / max(abs(ddx(uv.x)), 1e-6);

    float3 a = firstImage.Sample(linearClamp, uv).rgb;
    float3 b = secondImage.Sample(linearClamp, uv).rgb;

    // Dissolve: a left-to-right sweep broken up by noise. The front starts fully off-screen
    // at 0 and has passed the right edge at 1.
    float n = Fbm(uv * float2(aspect, 1.0) * 6.0);
    float field = uv.x * 0.75 + n * 0.25;          // 0..1
    float front = lerp(-0.06, 1.06, p);
    float reveal = smoothstep(front + 0.03, front - 0.03, field);
    float edge = 1.0 - saturate(abs(field - front) / 0.05);
    edge = edge * edge * (p > 0.0 && p < 1.0 ? 1.0 : 0.0);

    float3 colour = lerp(a, b, reveal);
    colour += float3(1.0, 0.55, 0.2) * edge * 1.4;

    // Progress bar, in pixel-aspect-correct units so the caps stay round.
    float2 centre = float2(0.5, 0.9);
    float halfLen = 0.3;
    float halfThick = 0.008;
    float2 q = (uv - centre) * float2(aspect, 1.0);
    float barHalf = halfLen * aspect;
    // Signed distance to a capsule along x.
    float dx = max(abs(q.x) - barHalf, 0.0);
    float dist = length(float2(dx, q.y)) - halfThick;
    float pixel = abs(ddy(uv.y));
    float inside = saturate(0.5 - dist / pixel);
    float halo = exp(-max(dist, 0.0) / (pixel * 6.0)) * 0.35;

    float along = (q.x + barHalf) / (2.0 * barHalf);   // 0..1 along the bar
    float filled = saturate((p - along) / max(pixel * 2.0, 1e-4) + 0.5);
    float sheen = pow(saturate(1.0 - abs(frac(along * 2.0 - p * 3.0) - 0.5) * 4.0), 3.0);
    float3 fillColour = lerp(float3(0.15, 0.7, 1.0), float3(1.0, 0.45, 0.85), along) * (1.0 + 0.6 * sheen);
    float3 track = float3(0.04, 0.05, 0.08);

    colour = lerp(colour, colour * 0.6, halo);               // darken behind the bar
    colour += fillColour * halo * filled;                    // glow from the filled part
    colour = lerp(colour, lerp(track, fillColour, filled), inside * 0.9);

    return float4(saturate(colour), 1.0);
}
