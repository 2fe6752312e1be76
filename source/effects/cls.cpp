#include "effects/cls.h"

#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"

namespace Effects {

void CLS::Render(double time, DynamicTexturePair& frameChain) {
    vec4 colour{0.0f, 0.0f, 0.0f, 1.0f};
    if (HasParam("colour")) colour = GetParam("colour").GetAsVec4(time);
    const float rgba[4] = {colour.x, colour.y, colour.z, colour.w};
    gContext->ClearRenderTargetView(frameChain.GetCurrent().GetTarget(), rgba);
}

}  // namespace Effects
