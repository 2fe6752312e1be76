// networkground.fx - a dark ground with a faint glowing grid, for Shader3D: lay the quad
// flat and scale it well past the scene; it fades out towards its rim.
//   b3  camera: world, view and projection (uploaded transposed), eye position
//   b4  quad: world matrix, local time, float1..float6, random value
// Knobs: float1 grid spacing in world units (0 selects 20), float2 grid brightness,
//        float3 pulse speed (waves running out from the centre).
// Entry points: VS, PS.

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

cbuffer Quad : register(b4)
{
    float4x4 world;
    float time;
    float spacing;
    float brightness;
    float pulseSpeed;
    float unused4;
    float unused5;
    float unused6;
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
    float3 worldPosition : TEXCOORD1;
};

PSIn VS(VSIn vin)
{
    PSIn vout;
    float4 worldPosition = mul(float4(vin.position, 1.0), world);
    vout.position = mul(mul(worldPosition, view), projection);
    vout.uv = vin.uv;
    vout.worldPosition = worldPosition.xyz;
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    float cell = spacing > 0.0 ? spacing : 20.0;
    float2 p = pin.worldPosition.xz / cell;
    // Anti-aliased lines: distance to the nearest line in pixels.
    float2 width = fwidth(p);
    float2 toLine = abs(frac(p - 0.5) - 0.5) / max(width, 1e-4);
    float grid = 1.0 - saturate(min(toLine.x, toLine.y));
    float radius = length(pin.worldPosition.xz);
    float wave = 0.6 + 0.4 * sin(radius * 0.05 - time * pulseSpeed * 6.2831855);
    float3 colour = float3(0.015, 0.02, 0.045) + grid * brightness * wave * float3(0.25, 0.45, 0.9);
    // Solid in the middle, fading to nothing at the quad's rim.
    float2 edge = min(pin.uv, 1.0 - pin.uv);
    float alpha = smoothstep(0.0, 0.25, min(edge.x, edge.y));
    return float4(colour, alpha);
}
