#pragma once
// The draw shared by BallSwarm and Strands: their recorded paths as tubes through
// "filament.fx", with the per-draw value "frame" and the tunables "diameter", "length"
// and "colourSpeed" read at the local time.
#include <memory>

class DynamicTexturePair;
class FilamentRenderObject;
class Shader;

namespace Effects {

class Effect;

// The shader file and tube shape both flocks draw with.
constexpr const char* kFilamentShader = "filament.fx";

// Loads "filament.fx" with its "VS" and "PS" entries (failures are logged by the shader).
std::unique_ptr<Shader> LoadFilamentShader();

// Opaque with depth testing into the current frame, or additive without a depth target.
// A shader that cannot be made current clears the frame to hot pink instead.
void DrawFilaments(const Effect& effect, Shader* shader, FilamentRenderObject* filament, double time,
                   DynamicTexturePair& frameChain, bool additive);

}  // namespace Effects
