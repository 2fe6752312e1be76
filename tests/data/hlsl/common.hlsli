// Helpers shared by the test effect's entry points.
float4 Tint(float4 colour, float amount)
{
    return colour * amount;
}
