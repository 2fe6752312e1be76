// The pixel entry uses a name that does not exist.
float4 PS() : SV_Target
{
    float4 colour = 1;
    return colour * missingValue;
}
