// billboards.fx - textured quads placed by billboard records, for Crosses, Boxes and BoxLine.
//   b3  camera: world (identity), view and projection (uploaded transposed), eye position
//   t5  billboard records (vertex stage): centre, size, normal, brightness (32 bytes each)
//   t0  the quad's texture (pixel stage); a missing texture reads black and adds nothing
// Every instance expands the full-screen quad's four vertices (-0.5..0.5) to one record's quad.
// A record of size 0 collapses to a point and draws nothing.
// Entry points: VS_CameraFacing (quads turned to the camera), VS_NormalFacing (quads facing
// along the record's normal, seen from that side only), PS (texel times brightness).

cbuffer Camera : register(b3)
{
    float4x4 cameraWorld;
    float4x4 view;
    float4x4 projection;
    float4 eye;
};

struct Billboard
{
    float3 position;
    float size;
    float3 normal;
    float brightness;
};

StructuredBuffer<Billboard> billboards : register(t5);

Texture2D quadTexture : register(t0);
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
    float brightness : TEXCOORD1;
};

// Offsets the centre in view space, so the quad always faces the camera squarely.
PSIn VS_CameraFacing(VSIn vin, uint instance : SV_InstanceID)
{
    Billboard b = billboards[instance];
    float4 viewPosition = mul(float4(b.position, 1.0), view);
    viewPosition.xy += vin.position.xy * b.size;
    PSIn vout;
    vout.position = mul(viewPosition, projection);
    vout.uv = vin.uv;
    vout.brightness = b.brightness;
    return vout;
}

// Spans the quad across the plane of the normal with the same right and up axes a camera
// on the normal's side would have, so the quad's front (clockwise) face looks along the normal.
PSIn VS_NormalFacing(VSIn vin, uint instance : SV_InstanceID)
{
    Billboard b = billboards[instance];
    float3 n = dot(b.normal, b.normal) > 0.0 ? normalize(b.normal) : float3(0.0, 0.0, 1.0);
    float3 upHint = abs(n.y) > 0.99 ? float3(0.0, 0.0, 1.0) : float3(0.0, 1.0, 0.0);
    float3 right = normalize(cross(upHint, n));
    float3 up = cross(n, right);
    float3 worldPosition = b.position + (vin.position.x * right + vin.position.y * up) * b.size;
    PSIn vout;
    vout.position = mul(mul(float4(worldPosition, 1.0), view), projection);
    vout.uv = vin.uv;
    vout.brightness = b.brightness;
    return vout;
}

float4 PS(PSIn pin) : SV_Target
{
    float4 texel = quadTexture.Sample(linearClamp, pin.uv);
    return float4(texel.rgb * pin.brightness, texel.a * saturate(pin.brightness));
}
