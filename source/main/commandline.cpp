#include "main/commandline.h"

#include <cctype>
#include <cstdlib>

namespace {

bool Contains(const std::string& text, const char* option) {
    return text.find(option) != std::string::npos;
}

// The argument that holds the character at `position` of the joined text, from that
// character to the argument's end. The joined text puts one blank between arguments.
std::string ArgumentTailAt(const std::vector<std::string>& arguments, std::size_t position) {
    std::size_t start = 0;
    for (const std::string& argument : arguments) {
        std::size_t end = start + argument.size();
        if (position < end) return argument.substr(position - start);
        if (position == end) return std::string();  // the separating blank
        start = end + 1;
    }
    return std::string();
}

// A positive decimal count after "-frames" (blanks allowed in between), or 0.
int ParseFrames(const std::string& lowered, std::size_t after, bool* invalid) {
    std::size_t i = after;
    while (i < lowered.size() && lowered[i] == ' ') ++i;
    const char* begin = lowered.c_str() + i;
    char* end = nullptr;
    long value = std::strtol(begin, &end, 10);
    bool digits = end != begin && std::isdigit(static_cast<unsigned char>(*begin));
    if (!digits || value <= 0 || value > 1000000000L) {
        *invalid = true;
        return 0;
    }
    return static_cast<int>(value);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i) text += ' ';
        text += arguments[i];
    }
    std::string lowered = text;
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    CommandLine result;
    if (Contains(lowered, "-notontop")) result.config.AlwaysOnTop = false;
    if (Contains(lowered, "-silent")) result.silent = true;
    if (Contains(lowered, "-video")) result.video = true;
    if (Contains(lowered, "-skipsettings")) result.skipSettings = true;
    if (Contains(lowered, "-transport")) result.transport = true;
    if (Contains(lowered, "-windowed")) result.config.FullScreen = false;
    if (Contains(lowered, "-aa")) result.config.AntiAlias = true;
    if (Contains(lowered, "-togglekeys")) result.toggleKeys = true;
    if (Contains(lowered, "-lowres")) result.config.Resolution = 1;
    if (Contains(lowered, "-headless")) result.headless = true;
    if (Contains(lowered, "-check")) result.check = true;
    if (Contains(lowered, "-overlay")) result.overlay = true;

    static const std::string kDemoFile = "-demofile ";
    std::size_t demo = lowered.find(kDemoFile);
    if (demo != std::string::npos) {
        std::string name = ArgumentTailAt(arguments, demo + kDemoFile.size());
        if (!name.empty()) result.demoFile = name;
    }

    // "-videofile NAME" also switches recording on, as its text contains "-video".
    static const std::string kVideoFile = "-videofile ";
    std::size_t videoFile = lowered.find(kVideoFile);
    if (videoFile != std::string::npos) {
        std::string name = ArgumentTailAt(arguments, videoFile + kVideoFile.size());
        if (!name.empty()) result.videoFile = name;
    }

    static const std::string kFrames = "-frames";
    std::size_t frames = lowered.find(kFrames);
    if (frames != std::string::npos)
        result.frames = ParseFrames(lowered, frames + kFrames.size(), &result.framesInvalid);
    return result;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
    return ParseCommandLine(arguments);
}
