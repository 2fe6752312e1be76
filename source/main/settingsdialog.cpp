#include "main/settingsdialog.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>
#include <unistd.h>

#include <algorithm>

#include "gpu/dialogsupport.h"
#include "platform/window.h"
#include "system/log.h"

namespace {

constexpr int kWidth = 280;
constexpr int kHeight = 252;
constexpr const char* kResolutions[] = {"256x192", "1280x720", "1920x1080"};
constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr float kBackground[4] = {0.11f, 0.12f, 0.14f, 1.0f};

// The SDL window with its GL context and the ImGui context on it; all torn down in reverse.
class DialogWindow {
public:
    ~DialogWindow() {
        if (rendererReady_) ImGui_ImplOpenGL3_Shutdown();
        if (platformReady_) ImGui_ImplSDL2_Shutdown();
        if (imgui_) ImGui::DestroyContext(imgui_);
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        if (videoStarted_) {
            // Input still queued for the dialog must not reach the main window. Video stays
            // initialised for the main window: shutting it down and starting it again can
            // lose the X connection and fall back to SDL's invisible "offscreen" driver.
            SDL_PumpEvents();
            SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        }
    }

    bool Open(const std::string& title) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            LOG("No display for the settings dialog (%s); run with -headless to play without one",
                SDL_GetError());
            return false;
        }
        videoStarted_ = true;
        if (!HasDisplay()) {
            LOG("No display for the settings dialog; run with -headless to play without one");
            return false;
        }
        // Events left over from before the dialog (a window closed earlier, a key released)
        // are not answers to it. Anything from the moment its window exists is: a key pressed
        // while the renderer is still being set up (slow on a cold shader cache) counts.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                                   kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (!window_) {
            LOG("Failed to create the settings dialog: %s", SDL_GetError());
            return false;
        }
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            LOG("Failed to create GL context: %s", SDL_GetError());
            return false;
        }
        SDL_GL_MakeCurrent(window_, context_);
        SDL_GL_SetSwapInterval(1);

        imgui_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;  // nothing is written to the working directory
        io.LogFilename = nullptr;
        io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
        LoadFonts(io);
        ApplyStyle();
        platformReady_ = ImGui_ImplSDL2_InitForOpenGL(window_, context_);
        rendererReady_ = platformReady_ && ImGui_ImplOpenGL3_Init("#version 330 core");
        if (!rendererReady_) {
            LOG("Failed to start the settings dialog's renderer");
            return false;
        }
        SDL_RaiseWindow(window_);
        return true;
    }

    SDL_Window* Window() const { return window_; }
    ImFont* TitleFont() const { return titleFont_; }

    void Present() {
        ImGui::Render();
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window_, &width, &height);
        ClearDialogFrame(width, height, kBackground);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(window_);
    }

private:
    void LoadFonts(ImGuiIO& io) {
        // A smooth system font when there is one; ImGui's built-in font otherwise.
        if (access(kFontFile, R_OK) == 0) {
            io.Fonts->AddFontFromFileTTF(kFontFile, 15.0f);
            titleFont_ = io.Fonts->AddFontFromFileTTF(kFontFile, 24.0f);
        }
        if (!titleFont_) {
            io.Fonts->Clear();
            io.Fonts->AddFontDefault();
        }
    }

    static void ApplyStyle() {
        ImGui::StyleColorsDark();
        ImGuiStyle& style = ImGui::GetStyle();
        style.WindowPadding = ImVec2(18, 14);
        style.FramePadding = ImVec2(8, 5);
        style.ItemSpacing = ImVec2(10, 8);
        style.WindowRounding = 0;
        style.WindowBorderSize = 0;
        style.FrameRounding = 3;
        style.PopupRounding = 3;
        style.GrabRounding = 3;
        style.Colors[ImGuiCol_WindowBg] = ImVec4(kBackground[0], kBackground[1], kBackground[2], 1.0f);
    }

    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    ImGuiContext* imgui_ = nullptr;
    ImFont* titleFont_ = nullptr;
    bool videoStarted_ = false;
    bool platformReady_ = false;
    bool rendererReady_ = false;
};

// A label on the left and, from `column`, the control that follows it.
void Label(const char* text, float column) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(text);
    ImGui::SameLine(column);
}

ImVec2 Centre(ImVec2 min, ImVec2 max) { return ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f); }

enum class Choice { None, Demo, Die };

// One frame of the dialog's contents. Returns the button pressed, if any.
Choice DrawDialog(const DialogWindow& dialog, const std::string& title, Config* values,
                  SettingsDialogLayout* layout, bool* comboOpen) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(viewport->Pos);
    ImGui::SetNextWindowSize(viewport->Size);
    ImGui::Begin("##settings", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);

    const float width = ImGui::GetContentRegionAvail().x;
    if (dialog.TitleFont()) ImGui::PushFont(dialog.TitleFont());
    float titleWidth = ImGui::CalcTextSize(title.c_str()).x;
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, (width - titleWidth) * 0.5f));
    ImGui::TextUnformatted(title.c_str());
    if (dialog.TitleFont()) ImGui::PopFont();
    ImGui::Separator();
    ImGui::Spacing();

    const float column = ImGui::GetCursorPosX() + width * 0.45f;
    const float controlWidth = width * 0.55f;
    Label("Resolution", column);
    ImGui::SetNextItemWidth(controlWidth);
    int resolution = values->Resolution;
    *comboOpen = ImGui::BeginCombo("##resolution", kResolutions[resolution]);
    if (*comboOpen) {
        for (int i = 0; i < 3; ++i) {
            bool selected = i == resolution;
            if (ImGui::Selectable(kResolutions[i], selected)) values->Resolution = i;
            if (selected) ImGui::SetItemDefaultFocus();
        }
        ImGui::EndCombo();
    }

    // Check boxes line up with the right edge of the list above them.
    const float boxColumn = column + controlWidth - ImGui::GetFrameHeight();
    Label("Anti-alias", boxColumn);
    ImGui::Checkbox("##antialias", &values->AntiAlias);
    Label("Always on top", boxColumn);
    ImGui::Checkbox("##alwaysontop", &values->AlwaysOnTop);
    Label("Full-screen", boxColumn);
    ImGui::Checkbox("##fullscreen", &values->FullScreen);

    // The buttons sit at the bottom, side by side, "Demo" first as the default.
    const float buttonHeight = ImGui::GetFrameHeight() + 6.0f;
    const float buttonWidth = (width - ImGui::GetStyle().ItemSpacing.x) * 0.5f;
    ImGui::SetCursorPosY(ImGui::GetWindowHeight() - ImGui::GetStyle().WindowPadding.y - buttonHeight);
    Choice choice = Choice::None;
    ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
    if (ImGui::Button("Demo", ImVec2(buttonWidth, buttonHeight))) choice = Choice::Demo;
    ImGui::PopStyleColor();
    layout->demoX = Centre(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()).x;
    layout->demoY = Centre(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()).y;
    ImGui::SameLine();
    if (ImGui::Button("Die", ImVec2(buttonWidth, buttonHeight))) choice = Choice::Die;
    layout->dieX = Centre(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()).x;
    layout->dieY = Centre(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()).y;
    ImGui::End();
    return choice;
}

bool IsEnter(SDL_Keycode key) { return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_RETURN2; }

}  // namespace

SettingsDialogResult RunSettingsDialog(const std::string& title, Config* config,
                                       const SettingsDialogFrameHook& hook) {
    DialogWindow dialog;
    if (!dialog.Open(title)) return SettingsDialogResult::Failed;

    Config values = *config;
    // Indices outside the list select the small size, as "256x192" does.
    if (values.Resolution < 0 || values.Resolution > 2) values.Resolution = 0;

    SettingsDialogLayout layout;
    layout.window = dialog.Window();
    const Uint32 windowId = SDL_GetWindowID(layout.window);
    bool comboOpen = false;
    Choice choice = Choice::None;
    while (choice == Choice::None) {
        // Sleep until something happens; a timeout keeps hover effects and the hook going.
        SDL_Event event;
        bool have = SDL_WaitEventTimeout(&event, 50) != 0;
        while (have && choice == Choice::None) {
            bool keyHandled = false;
            if (event.type == SDL_QUIT) choice = Choice::Die;
            if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
                event.window.windowID == windowId) {
                choice = Choice::Die;
            }
            // With the list open, Enter and Escape belong to the list.
            if (event.type == SDL_KEYDOWN && !comboOpen) {
                if (IsEnter(event.key.keysym.sym)) choice = Choice::Demo, keyHandled = true;
                if (event.key.keysym.sym == SDLK_ESCAPE) choice = Choice::Die, keyHandled = true;
            }
            if (!keyHandled) ImGui_ImplSDL2_ProcessEvent(&event);
            have = SDL_PollEvent(&event) != 0;
        }
        if (choice != Choice::None) break;

        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        choice = DrawDialog(dialog, title, &values, &layout, &comboOpen);
        dialog.Present();
        ++layout.frame;
        if (hook && choice == Choice::None) hook(layout);
    }

    if (choice == Choice::Die) return SettingsDialogResult::Cancelled;
    *config = values;
    return SettingsDialogResult::Accepted;
}
