#include "main/showcheck.h"

#include <algorithm>

#include "effects/effectsmanager.h"
#include "graphics/shader.h"
#include "system/audio.h"
#include "system/log.h"

namespace {

struct Collected {
    std::vector<std::string> problems;
};

void Collect(std::string_view function, std::string_view line, void* user) {
    if (IsInformationalLogLine(line)) return;
    auto* collected = static_cast<Collected*>(user);
    std::string entry(function);
    entry += ": ";
    entry += line;
    collected->problems.push_back(std::move(entry));
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Compiles every entry each effect of the tree may draw with, also those its
// initialisation leaves to first use; failures are logged by the shader as usual.
void CompileShaderUses(const Effects::EffectList& effects) {
    for (const auto& effect : effects) {
        for (const Effects::ShaderUse& use : effect->GetShaderUses()) {
            Shader shader(use.file);
            for (const std::string& entry : use.vertexEntries) shader.LoadVS(entry);
            for (const std::string& entry : use.pixelEntries) shader.LoadPS(entry);
        }
        CompileShaderUses(effect->GetChildren());
    }
}

}  // namespace

bool IsInformationalLogLine(std::string_view line) {
    static constexpr std::string_view kNotePrefixes[] = {
        "Parsing a .cube file..",
        "..succeeded",
        "Shader trying to use unloaded ",
        "FileWatcher has noticed that ",
        "Filewatcher has noticed that ",
        "Found building: ",
        "-Found ",
    };
    for (std::string_view prefix : kNotePrefixes)
        if (StartsWith(line, prefix)) return true;
    // Static models have no animation file beside them; that is a note, not a fault.
    if (EndsWith(line, ". There will be no animation for this model")) return true;
    // A bare number is a timing note (how long a flock took to simulate).
    if (!line.empty() && line.find_first_not_of("0123456789.") == std::string_view::npos) return true;
    // An empty show is legal (music alone); the line is a note.
    if (StartsWith(line, "Script '") && EndsWith(line, "' has no effects: the show is empty")) return true;
    return StartsWith(line, "XML [") && EndsWith(line, "] parsed without errors");
}

std::vector<std::string> CheckShow(const std::string& demoFile) {
    Audio_SetNullOutput(true);
    Collected collected;
    Effects::EffectsManager manager;
    SetLogObserver(Collect, &collected);
    manager.Init(false, true, [](float) {}, demoFile);
    CompileShaderUses(manager.GetEffects());
    SetLogObserver(nullptr, nullptr);
    manager.Shutdown();
    // An entry that failed in initialisation fails again here with the same words.
    std::vector<std::string> problems;
    for (std::string& problem : collected.problems) {
        if (std::find(problems.begin(), problems.end(), problem) == problems.end()) {
            problems.push_back(std::move(problem));
        }
    }
    return problems;
}

int RunShowCheck(const std::string& demoFile) {
    LOG("Checking '%s'", demoFile.c_str());
    const std::vector<std::string> problems = CheckShow(demoFile);
    if (problems.empty()) {
        LOG("Check passed: '%s' loads without problems", demoFile.c_str());
        return 0;
    }
    LOG("Check failed: '%s' has %d problem(s):", demoFile.c_str(), static_cast<int>(problems.size()));
    for (const std::string& problem : problems) LOG("  %s", problem.c_str());
    return 1;
}
