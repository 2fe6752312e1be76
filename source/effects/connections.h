#pragma once
// A small animated network on the ground plane: hubs with an animated launcher model on
// each, people billboards in rings around the hubs and scattered at random, and glowing
// tubes that rise out of one hub, arc through the air and dive into another, each head
// carrying a flickering point light. The network is made once at Init (connectionslayout.h).
//   tubes: "filament.fx" through FilamentRenderObject (points t7, constants b2)
//   launchers: "3d.fx", instance matrices t6 (transposed)
//   people: "personbillboards.fx"; records t5 (vertex stage), texture t0 (pixel stage),
//           b2 (both stages): local time, 1 when there is a people texture, 0, 0
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>

#include "effects/connectionslayout.h"
#include "effects/effect.h"
#include "effects/requiredparam.h"
#include "graphics/constantbuffer.h"
#include "graphics/structurebuffer.h"

class FilamentRenderObject;
class Model;
class Shader;
class Texture;

namespace Effects {

class Connections : public Effect {
public:
    struct Tube {
        std::unique_ptr<FilamentRenderObject> filament;
        StrandPoints head;  // the first strand, along which the head light runs
        float start = 0.0f;
        float speed = 0.0f;
        int target = 0;
    };

    Connections();
    ~Connections() override;

    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override;
    std::vector<ShaderUse> GetShaderUses() const override;

    const std::vector<glm::vec2>& GetHubs() const { return hubs_; }
    const std::vector<Tube>& GetTubes() const { return tubes_; }
    // In the order of the last frame's draw (farthest first once a frame has rendered).
    const std::vector<PersonRecord>& GetPeople() const { return people_; }
    const std::vector<glm::mat4>& GetLauncherInstances() const { return launchers_; }
    const Model* GetLauncherModel() const { return launcher_.get(); }

private:
    void DrawTubes(double time);
    void DrawLaunchers(double time, DynamicTexturePair& frameChain);
    void DrawPeople(double time, DynamicTexturePair& frameChain);
    // A per-frame parameter; a value that is not a finite number gives the default, and is
    // reported once.
    float FrameParam(const std::string& name, double time, float defaultValue);

    std::unique_ptr<Shader> peopleShader_;
    std::unique_ptr<Shader> tubeShader_;
    std::unique_ptr<Shader> launcherShader_;
    std::unique_ptr<Texture> peopleTexture_;
    std::unique_ptr<Model> launcher_;
    StructureBuffer<PersonRecord> peopleBuffer_;
    ConstantBuffer constants_;
    RequiredParam launcherObj_{"launcherObj"};

    std::vector<glm::vec2> hubs_;
    std::vector<PersonRecord> people_;
    std::vector<Tube> tubes_;
    std::vector<glm::mat4> launchers_;  // transposed, as the instanced draw takes them
    std::vector<std::string> reportedParams_;
};

}  // namespace Effects
