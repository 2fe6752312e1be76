// The lumivane-hlsl command-line tool, run as a separate process.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

ToolRun RunTool(const std::string& arguments) {
    const std::string command = std::string(LUMIVANE_BINARY_DIR) + "/lumivane-hlsl " + arguments + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kData = std::string(LUMIVANE_TEST_DATA) + "/hlsl/";

}  // namespace

TEST(HlslTool, CompilesEffectFileByItsEntryPoints) {
    ToolRun vs = RunTool(kData + "effect.fx VS vs");
    EXPECT_EQ(vs.status, 0) << vs.output;
    ToolRun ps = RunTool(kData + "effect.fx PS ps --glsl");
    EXPECT_EQ(ps.status, 0) << ps.output;
    EXPECT_NE(ps.output.find("#version 450"), std::string::npos);
    ToolRun other = RunTool(kData + "effect.fx PS_Other ps -D UNUSED=1 -DALSO");
    EXPECT_EQ(other.status, 0) << other.output;
}

TEST(HlslTool, FailsWithFileAndLine) {
    ToolRun broken = RunTool(kData + "broken.fx PS ps");
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.output.find("broken.fx(5,"), std::string::npos) << broken.output;

    EXPECT_EQ(RunTool(kData + "effect.fx Missing ps").status, 1);
    EXPECT_EQ(RunTool(kData + "no_such_file.fx PS ps").status, 1);
    EXPECT_EQ(RunTool(kData + "effect.fx PS gs").status, 1);
}
