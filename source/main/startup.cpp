#include "main/startup.h"

#include <physfs.h>

#include <chrono>
#include <cstdio>

#include "graphics/devicestate.h"
#include "main/commandline.h"
#include "main/initialised3d.h"
#include "main/messagebox.h"
#include "main/overlay.h"
#include "main/preview.h"
#include "main/run.h"
#include "main/settingsdialog.h"
#include "main/showcheck.h"
#include "main/usage.h"
#include "platform/window.h"
#include "system/globals.h"
#include "system/log.h"

namespace {

constexpr int kFailure = -1;
constexpr uint32_t kRandomSeed = 123456789u;

// The file system's pending error text, which reading clears; "(null)" when there is none.
const char* TakeFileSystemError() {
    PHYSFS_ErrorCode code = PHYSFS_getLastErrorCode();
    const char* text = code == PHYSFS_ERR_OK ? nullptr : PHYSFS_getErrorByCode(code);
    return text ? text : "(null)";
}

}  // namespace

void SetRenderSize(int resolution) {
    if (resolution == 1) {
        gScreenWidth = 1280;
        gScreenHeight = 720;
    } else if (resolution == 2) {
        gScreenWidth = 1920;
        gScreenHeight = 1080;
    } else {
        gScreenWidth = 342;
        gScreenHeight = 192;
        for (int key = 1; key <= 4; ++key) gToggleKeyStates[key] = false;
    }
}

int StartUp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (IsHelpArgument(argv[i])) {
            std::fputs(UsageText(), stdout);
            return 0;
        }
    }
    // Parsing touches nothing, so whether failures may show a box is known from the start.
    CommandLine options = ParseCommandLine(argc, argv);
    // A plain start without a display records a preview instead of failing at the dialog.
    const bool preview = argc <= 1 && !DisplayAvailable();
    if (preview) {
        std::printf("No display found: recording a %d s preview of the show to %s at %d x %d instead.\n"
                    "Run \"lumivane --help\" for the switches, e.g. -headless -video to record the whole show.\n",
                    kPreviewFrames / 30, kPreviewFile, kPreviewWidth, kPreviewHeight);
        std::fflush(stdout);
        options.headless = true;
        options.video = true;
        options.videoFile = kPreviewFile;
        options.frames = kPreviewFrames;
    }
    const bool headless = options.headless || options.check;
    const bool interactive = !headless;

    if (!PHYSFS_init(argc > 0 ? argv[0] : nullptr) || !PHYSFS_setWriteDir(".")) {
        ShowErrorMessage("PHYSFS FAIL", "FAIL", interactive);
        return kFailure;
    }
    // "data/" goes in front of "demo.dat", so a file in data/ hides the archive's copy.
    // Each line reports its own mount's failure, never an error left from before.
    PHYSFS_getLastErrorCode();
    const bool archive = PHYSFS_mount("demo.dat", "/", 0) != 0;
    LOG("Mounted archive: %s\n", archive ? "(null)" : TakeFileSystemError());
    PHYSFS_getLastErrorCode();
    const bool directory = PHYSFS_mount("data/", "/", 0) != 0;
    LOG("Mounted directory: %s\n", directory ? "(null)" : TakeFileSystemError());
    PHYSFS_getLastErrorCode();
    if (!archive && !directory) {
        ShowErrorMessage("NO DATA = NO DEMO", "FAIL", interactive);
        return kFailure;
    }

    gToggleKeyStates.fill(true);
    gSecondsPerTick = static_cast<double>(std::chrono::steady_clock::period::num) /
                      static_cast<double>(std::chrono::steady_clock::period::den);

    if (options.framesInvalid) LOG("Ignoring -frames without a positive frame count");
    gToggleKeysEnabled = options.toggleKeys;
    gOverlayVisible = options.overlay;

    Config& config = options.config;
    if (!options.skipSettings && !headless) {
        switch (RunSettingsDialog("Lumivane", &config)) {
        case SettingsDialogResult::Failed:
            LOG("Error running setup dialog");
            return kFailure;
        case SettingsDialogResult::Cancelled:
            LOG("User chose not to run..");
            return 0;
        case SettingsDialogResult::Accepted:
            break;
        }
    }
    // Without a window there is nothing to show full-screen.
    if (headless) config.FullScreen = false;

    LOG("Config.FullScreen = %d", config.FullScreen ? 1 : 0);
    LOG("Config.AntiAlias = %d", config.AntiAlias ? 1 : 0);
    LOG("Config.AlwaysOnTop = %d", config.AlwaysOnTop ? 1 : 0);
    LOG("Config.Resolution = %d", config.Resolution);

    SetRenderSize(config.Resolution);
    if (preview) {
        gScreenWidth = kPreviewWidth;
        gScreenHeight = kPreviewHeight;
    }
    gOutputWidth = gScreenWidth;
    gOutputHeight = gScreenHeight;

    if ((!headless && !InitialiseWindow(config.AlwaysOnTop)) || !InitialiseD3D(config.AntiAlias)) {
        ShowErrorMessage("INIT FAIL", "FAIL", interactive);
        return kFailure;
    }
    LOG("Initialised graphics");
    if (config.FullScreen) {
        LOG("Starting fullscreen");
        gSwapChain->SetFullscreenState(true);
    } else {
        LOG("Starting windowed");
    }

    gRandomSeed = kRandomSeed;
    int status = 0;
    if (options.check) {
        status = RunShowCheck(options.demoFile);
    } else {
        RunOptions runOptions;
        runOptions.frames = options.frames;
        runOptions.headless = headless;
        runOptions.videoFile = options.videoFile;
        const bool recorded = Run(options.demoFile, options.transport, options.silent, options.video, runOptions);
        if (!recorded) status = kFailure;
        if (preview && recorded) ReportPreview(options.videoFile);
    }

    if (gSwapChain) gSwapChain->SetFullscreenState(false);
    return status;
}
