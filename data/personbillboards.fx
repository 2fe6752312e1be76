// personbillboards.fx - the people of Connections: camera-facing sprites that stand on the
// ground, pop up at their appearance time and are tinted and sized by their record.
//   b2  local time, 1 when a people image is bound, 0, 0
//   b3  camera: world (identity), view and projection (uploaded transposed), eye position
//   t5  person records (vertex stage): position, colour, size, eye distance, index, time
//   t0  people image (pixel stage): a light figure on black or on transparency; without
//       one a plain figure is drawn
// Entry points: VS, PS.

cbuffer PeopleConstants : register(b2)
{
    float time;
    float hasImage;
    float2 peopleUnused;
};

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

struct Person
{
    float4 position;
    float4 colour;
    float size;
    float eyeDistance;
    float index;
    float appearTime;
};

StructuredBuffer<Person> people : register(t5);
Texture2D image : register(t0);
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
    float2 uv : TEXCOORD0;
    float4 colour : COLOR0;
};

PSIn VS(VSIn vin, uint instance : SV_InstanceID)
{
    Person person = people[instance];
    // Hidden before the appearance time, then grows in a quarter of a time unit with a
    // small overshoot.
    float age = time - person.appearTime;
    float grow = saturate(age * 4.0);
    float pop = age < 0.0 ? 0.0 : grow + 0.3 * sin(grow * 3.1415927);
    float height = person.size * pop;

    // The quad (corners at +-0.5) is spread in view space around the figure's middle, so
    // the sprite always faces the camera with its feet on the ground.
    float4 middle = mul(float4(person.position.xyz + float3(0.0, height * 0.5, 0.0), 1.0), view);
    middle.xy += vin.position.xy * float2(height * 0.5, height);

    PSIn vout;
    vout.position = mul(middle, projection);
    vout.uv = vin.uv;
    float shimmer = 0.85 + 0.15 * sin(time * 3.0 + person.index * 1.7);
    vout.colour = float4(person.colour.rgb * shimmer, person.colour.a);
    return vout;
}

// A plain figure in the sprite (v grows downwards, the sprite is half as wide as high): a
// round head over a rounded body.
float Figure(float2 uv)
{
    float2 p = uv - float2(0.5, 0.0);
    float head = length((p - float2(0.0, 0.14)) * float2(1.0, 2.0)) - 0.15;
    float2 b = abs(p - float2(0.0, 0.66)) - float2(0.22, 0.26);
    float body = length(max(b, 0.0)) + min(max(b.x, b.y), 0.0) - 0.08;
    float d = min(head, body);
    return 1.0 - smoothstep(-0.02, 0.02, d);
}

float4 PS(PSIn pin) : SV_Target
{
    float3 colour = pin.colour.rgb;
    float coverage;
    if (hasImage > 0.5)
    {
        float4 texel = image.Sample(linearClamp, pin.uv);
        coverage = texel.a * max(texel.r, max(texel.g, texel.b));
        colour *= texel.rgb;
    }
    else
    {
        coverage = Figure(pin.uv);
    }
    // Clear texels write no depth, so people behind still show through them.
    clip(coverage - 0.02);
    return float4(colour, coverage * pin.colour.a);
}
