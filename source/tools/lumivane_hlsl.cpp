// Placeholder until the HLSL translator lands.
int main() { return 0; }
