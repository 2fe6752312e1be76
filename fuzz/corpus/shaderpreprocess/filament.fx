// filament.fx - recorded flock paths drawn as tubes (BallSwarm, Strands).
//   b2  filament constants: frame, diameter, length, points per path, colourSpeed
//         frame        head of every tube, in recorded frames along its path (fractions
//                      glide between recorded points; clamped to the path)
//         diameter     scale of the tube's radius profile, in world units
//         length       how many recorded frames the tube reaches back from its head
//         colourSpeed  colour turns per 32 recorded frames along the path: a moving head
//                      shifts colour as it travels; 0 keeps each tube one colour
//   b3  camera: world (identity), view and projection (uploaded transposed), eye position
//   t7  path points (vertex stage): instance i owns points i x P .. i x P + P - 1
//   t0  image wrapped round the tube: u along it (tail 0, head 1), v around it
// Tubes fade from full colour at the head to black at the tail, so they trail off both over
// a dark frame and when added to it.
// Entry points: VS, PS.

cbuffer FilamentConstants : register(b2)
{
    float frame;
    float diameter;
    float tubeLength;
    float pointsPerStrand;
    float colourSpeed;
};

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

StructuredBuffer<float4> points : register(t7);
Texture2D image : register(t0);
SamplerState linearWrap : register(s2);

struct VSIn
{
    float3 position : POSITION;  // u along the tube, angle around it, radius
    float2 uv : TEXCOORD;
    float3 normal : NORMAL;
};

struct PSIn
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
    float3 normal : NORMAL;
    float3 worldPosition : TEXCOORD1;
    float4 colour : COLOR;
};

float3 PathPoint(uint first, int last, int i)
{
    return points[first + (uint)clamp(i, 0, last)].xyz;
}

// The centre line at path position s (recorded frames): a Catmull-Rom spline through the
// recorded points, so tubes stay round between them.
float3 PathAt(uint first, int last, float s)
{
    s = clamp(s, 0.0, (float)last);
    int i = min((int)floor(s), max(last - 1, 0));
    float t = s - (float)i;
    float3 p0 = PathPoint(first, last, i - 1);
    float3 p1 = PathPoint(first, last, i);
    float3 p2 = PathPoint(first, last, i + 1);
    float3 p3 = PathPoint(first, last, i + 2);
    float t2 = t * t;
    float t3 = t2 * t;
    return 0.5 * (2.0 * p1 + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2 +
                  (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);
}

float3 Palette(float hue)
{
    return 0.5 + 0.5 * cos(6.2831855 * (hue + float3(0.0, 0.33, 0.67)));
}

PSIn VS(VSIn vin, uint instance : SV_InstanceID)
{
    float u = vin.position.x;
    float angle = vin.position.y;
    int count = max((int)pointsPerStrand, 1);
    int last = count - 1;
    uint first = instance * (uint)count;

    // Ring u sits (1 - u) x length frames behind the head.
    float s = clamp(frame - (1.0 - u) * tubeLength, 0.0, (float)last);
    float3 centre = PathAt(first, last, s);
    float3 along = PathAt(first, last, min(s + 0.25, (float)last)) - PathAt(first, last, max(s - 0.25, 0.0));
    float3 tangent = dot(along, along) > 1e-12 ? normalize(along) : float3(0.0, 0.0, 1.0);
    float3 reference = abs(tangent.y) < 0.95 ? float3(0.0, 1.0, 0.0) : float3(1.0, 0.0, 0.0);
    float3 side = normalize(cross(reference, tangent));
    float3 up = cross(tangent, side);
    float3 outward = cos(angle) * side + sin(angle) * up;
    float3 worldPosition = centre + outward * (vin.position.z * diameter);

    PSIn vout;
    vout.position = mul(mul(float4(worldPosition, 1.0), view), projection);
    vout.uv = float2(u, angle / -6.2831855);
    vout.normal = outward;
    vout.worldPosition = worldPosition;
    float hue = frac((float)instance * 0.618034) * 0.35 + s * colourSpeed / 32.0;
    vout.colour = float4(Palette(hue), u * u * (3.0 - 2.0 * u));
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    float3 n = normalize(pin.normal);
    float3 toEye = normalize(eye.xyz - pin.worldPosition);
    float facing = abs(dot(n, toEye));
    float3 texel = image.Sample(linearWrap, pin.uv).rgb;
    // Lit from the eye, with a brighter rim so thin tubes read against each other.
    float3 shade = pin.colour.rgb * texel * (0.3 + 0.7 * facing) + pow(1.0 - facing, 3.0) * 0.35;
    return float4(shade * pin.colour.a, 1.0);
}
