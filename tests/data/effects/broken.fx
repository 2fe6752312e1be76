// A shader that does not compile: effects using it must draw their failure colour.
float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, 1.0) +
}
float4 PS() : SV_Target { return undefinedThing; }
