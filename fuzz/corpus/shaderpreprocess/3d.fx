// 3d.fx - lit, textured models under the shared camera and light list.
//   b1  light constants: record count, visibility fall-off start and length
//   t5  light records (pixel stage): type 0 ambient, 1 directional, 2 point
//   b2  material: ambient, diffuse, emissive and specular colours, specular power
//   b3  camera: world (identity), view and projection (uploaded transposed), eye position
//   t6  instance world matrices (vertex stage, uploaded transposed)
//   t0..t2  ambient, diffuse and emissive maps (white when the material names none)
// Outside a light scene (no records) a soft head-light keeps models visible.
// Entry points: VS, PS.

cbuffer LightConstants : register(b1)
{
    int lightCount;
    float visibilityFallOffMin;
    float visibilityFallOffRange;
    float lightUnused;
};

cbuffer Material : register(b2)
{
    float4 materialAmbient;
    float4 materialDiffuse;
    float4 materialEmissive;
    float4 materialSpecular;
    float materialPower;
};

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

struct Light
{
    float4 position;
    float4 direction;
    float4 colour;
    float maxDistance;
    float fallOff;
    int type;
    int unused;
};

StructuredBuffer<Light> lights : register(t5);
StructuredBuffer<float4x4> instances : register(t6);

Texture2D ambientMap : register(t0);
Texture2D diffuseMap : register(t1);
Texture2D emissiveMap : register(t2);
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
    float2 uv : TEXCOORD0;
    float3 normal : NORMAL;
    float3 worldPosition : TEXCOORD1;
};

PSIn VS(VSIn vin, uint instance : SV_InstanceID)
{
    float4x4 world = instances[instance];
    float4 worldPosition = mul(float4(vin.position, 1.0), world);
    PSIn vout;
    vout.position = mul(mul(worldPosition, view), projection);
    vout.uv = vin.uv;
    vout.normal = mul(float4(vin.normal, 0.0), world).xyz;
    vout.worldPosition = worldPosition.xyz;
    return vout;
}

// Blinn-Phong highlight; low powers (the default of 1) give almost none, so unlit-looking
// materials do not turn into a uniform sheen.
float3 Highlight(float3 n, float3 toLight, float3 toEye)
{
    float power = max(materialPower, 1.0);
    float3 h = normalize(toLight + toEye);
    return materialSpecular.rgb * pow(saturate(dot(n, h)), power) * saturate(materialPower / 32.0);
}

float4 PS(PSIn pin) : SV_Target
{
    float3 n = normalize(pin.normal);
    float3 toEye = eye.xyz - pin.worldPosition;
    float eyeDistance = length(toEye);
    toEye /= max(eyeDistance, 1e-5);
    // A two-sided look: a normal facing away from the eye lights its other side.
    if (dot(n, toEye) < 0.0)
        n = -n;

    float4 diffuseTexel = diffuseMap.Sample(linearWrap, pin.uv);
    float3 base = materialDiffuse.rgb * diffuseTexel.rgb;
    float3 ambientColour = materialAmbient.rgb * ambientMap.Sample(linearWrap, pin.uv).rgb;
    float3 emissive = materialEmissive.rgb * emissiveMap.Sample(linearWrap, pin.uv).rgb;
    float alpha = materialDiffuse.a * diffuseTexel.a;

    if (lightCount <= 0)
    {
        float facing = saturate(dot(n, toEye));
        return float4(base * (0.25 + 0.75 * facing) + emissive, alpha);
    }

    float3 colour = 0.0;
    int count = min(lightCount, 8);
    for (int i = 0; i < count; ++i)
    {
        Light light = lights[i];
        if (light.type == 0)
        {
            colour += light.colour.rgb * (base + ambientColour);
        }
        else if (light.type == 1)
        {
            float3 toLight = -normalize(light.direction.xyz);
            float lambert = saturate(dot(n, toLight));
            colour += light.colour.rgb * (base * lambert + Highlight(n, toLight, toEye) * step(0.0, lambert));
        }
        else if (light.type == 2)
        {
            float3 toLight = light.position.xyz - pin.worldPosition;
            float distance = length(toLight);
            toLight /= max(distance, 1e-5);
            float reach = saturate(1.0 - distance / max(light.maxDistance, 1e-5));
            float attenuation = pow(reach, max(light.fallOff, 0.0));
            float lambert = saturate(dot(n, toLight));
            colour += light.colour.rgb * attenuation * (base * lambert + Highlight(n, toLight, toEye) * step(0.0, lambert));
        }
    }

    // Things fade out between the visibility start and end distances.
    float visibility = 1.0;
    if (visibilityFallOffRange > 0.0)
        visibility = 1.0 - saturate((eyeDistance - visibilityFallOffMin) / visibilityFallOffRange);
    else if (eyeDistance > visibilityFallOffMin)
        visibility = 0.0;

    // Beyond the end distance nothing is drawn, so far things vanish over any background.
    clip(visibility - 0.001);
    return float4((colour + emissive) * visibility, alpha * visibility);
}
