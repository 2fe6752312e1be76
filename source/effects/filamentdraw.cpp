#include "effects/filamentdraw.h"

#include "effects/effect.h"
#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/filamentrenderobject.h"
#include "graphics/shader.h"

namespace Effects {

std::unique_ptr<Shader> LoadFilamentShader() {
    auto shader = std::make_unique<Shader>(kFilamentShader);
    shader->LoadVS("VS");
    shader->LoadPS("PS");
    return shader;
}

void DrawFilaments(const Effect& effect, Shader* shader, FilamentRenderObject* filament, double time,
                   DynamicTexturePair& frameChain, bool additive) {
    if (!shader || !shader->Set("PS", "VS")) {
        gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), kHotPink);
        return;
    }
    const float frame = static_cast<float>(effect.GetParamDouble("frame", time, 1.0));
    const float diameter = static_cast<float>(effect.GetParamDouble("diameter", time, 1.0));
    const float length = static_cast<float>(effect.GetParamDouble("length", time, 1.0));
    const float colourSpeed = static_cast<float>(effect.GetParamDouble("colourSpeed", time, 1.0));
    if (!filament) return;  // no flock was recorded
    filament->SetTunables(diameter, length, colourSpeed);

    if (additive) {
        gContext->OMSetBlendState(gBlendAdditive, nullptr, 0xffffffffu);
        gContext->OMSetRenderTargets(1, &frameChain.GetCurrent().GetTarget(), nullptr);
    } else {
        gContext->OMSetRenderTargets(1, &frameChain.GetCurrent().GetTarget(), gDepthStencilView);
    }
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    gContext->OMSetDepthStencilState(gDepthReadWrite, 1);
    static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    filament->Render(kIdentity, frame);
    gContext->OMSetDepthStencilState(gDepthOff, 1);
    if (additive) gContext->OMSetBlendState(gBlendOpaque, nullptr, 0xffffffffu);
}

}  // namespace Effects
