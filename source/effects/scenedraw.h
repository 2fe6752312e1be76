#pragma once
// The drawing steps every depth-tested scene effect shares: its shader or the failure colour,
// and the target, topology and depth states around its draws.
class DynamicTexturePair;
class Shader;

namespace Effects {

// Makes the shader current with its "PS" and "VS" entries. On failure (or without a shader)
// clears the chain's current target to hot pink and returns false.
bool SetSceneShader(Shader* shader, DynamicTexturePair& frameChain);

// Binds the chain's current target with the depth buffer, a triangle list, and depth testing
// with writes (stencil reference 1).
void BeginDepthDraw(DynamicTexturePair& frameChain);

// Turns depth testing off again, the state in force after start-up.
void EndDepthDraw();

}  // namespace Effects
