#pragma once
// Stands in for an effect class that this build does not have yet: it loads its parameters
// and children like any effect, says once that it is not available, and draws nothing.
#include <string>

#include "effects/effect.h"

namespace Effects {

class UnavailableEffect : public Effect {
public:
    explicit UnavailableEffect(std::string type) : type_(std::move(type)) {}
    bool Init(float progressStart, float progressEnd, const ProgressCallback& progress) override;
    void Render(double time, DynamicTexturePair& frameChain) override {}
    const std::string& GetType() const { return type_; }

private:
    std::string type_;
};

}  // namespace Effects
