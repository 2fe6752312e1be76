#pragma once
// A listener around every effect's Render (children render after their parent's End), for
// the frame benchmark's CPU shares and the overlay's GPU times. None is set by default.
namespace Effects {

class Effect;

class EffectProfiler {
public:
    virtual ~EffectProfiler() = default;
    virtual void Begin(const Effect& effect) = 0;
    virtual void End(const Effect& effect) = 0;
};

// Sets the process's profiler (null: none). The caller keeps it alive while set.
void SetEffectProfiler(EffectProfiler* profiler);
EffectProfiler* GetEffectProfiler();

}  // namespace Effects
