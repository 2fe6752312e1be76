// A plain filament shader for the Connections tests: every strand a solid cyan tube of
// diameter tunable 1 from sample point "value" to "value" + tunable 2 of its centre line.
//   b2  value, tunable 1, tunable 2, points per strand, tunable 3
//   t7  centre-line points (vertex stage), strand-major

cbuffer Filament : register(b2)
{
    float value;
    float diameter;
    float tubeLength;
    float pointsPerStrand;
    float tunable3;
};

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

StructuredBuffer<float4> points : register(t7);

struct VSIn
{
    float3 position : POSITION;
    float2 uv : TEXCOORD;
    float3 normal : NORMAL;
};

struct PSIn
{
    float4 position : SV_Position;
};

float3 Point(uint strand, float s)
{
    float last = pointsPerStrand - 1.0;
    s = clamp(s, 0.0, last);
    float i0 = floor(s);
    float i1 = min(i0 + 1.0, last);
    uint base = strand * (uint)pointsPerStrand;
    return lerp(points[base + (uint)i0].xyz, points[base + (uint)i1].xyz, s - i0);
}

PSIn VS(VSIn vin, uint instance : SV_InstanceID)
{
    float s = value + vin.position.x * tubeLength;
    float3 centre = Point(instance, s);
    float3 tangent = Point(instance, s + 0.5) - Point(instance, s - 0.5);
    tangent = length(tangent) > 1e-5 ? normalize(tangent) : float3(0.0, 1.0, 0.0);
    float3 side = cross(tangent, float3(0.0, 0.0, 1.0));
    if (length(side) < 1e-3)
        side = cross(tangent, float3(1.0, 0.0, 0.0));
    side = normalize(side);
    float3 up = cross(side, tangent);
    float angle = vin.position.y;
    float3 world = centre + (cos(angle) * side + sin(angle) * up) * vin.position.z * diameter * 0.5;
    PSIn vout;
    vout.position = mul(mul(float4(world, 1.0), view), projection);
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    return float4(0.0, 1.0, 1.0, 1.0);
}
