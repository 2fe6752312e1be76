// The main window on a real X display.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/window.h"
#include "system/globals.h"

namespace {

TEST(Window, ClientAreaTitleAndFlags) {
    gOutputWidth = 320;
    gOutputHeight = 200;
    ASSERT_TRUE(InitialiseWindow(true));
    ASSERT_NE(gWindow, nullptr);
    EXPECT_TRUE(HasDisplay());
    EXPECT_STREQ(SDL_GetWindowTitle(gWindow), "Lumivane - Quillon");
    int width = 0, height = 0;
    SDL_GetWindowSize(gWindow, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    Uint32 flags = SDL_GetWindowFlags(gWindow);
    EXPECT_TRUE(flags & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(flags & SDL_WINDOW_ALWAYS_ON_TOP);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

    // Centred on the primary display.
    SDL_Rect display{};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
    int x = 0, y = 0;
    SDL_GetWindowPosition(gWindow, &x, &y);
    EXPECT_NEAR(x, display.x + (display.w - 320) / 2, 2);
    EXPECT_NEAR(y, display.y + (display.h - 200) / 2, 2);

    // The attributes give the context the gpu layer asks for.
    SDL_GLContext context = SDL_GL_CreateContext(gWindow);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    int major = 0, minor = 0, profile = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_EQ(major * 10 + minor, 45);
    EXPECT_EQ(profile, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_DeleteContext(context);
}

TEST(Window, NotOnTopWhenNotAsked) {
    gOutputWidth = 342;
    gOutputHeight = 192;
    ASSERT_TRUE(InitialiseWindow(false));
    EXPECT_FALSE(SDL_GetWindowFlags(gWindow) & SDL_WINDOW_ALWAYS_ON_TOP);
}

TEST(Window, LargerThanTheDisplayKeepsTheTitleBarReachable) {
    gOutputWidth = 4000;
    gOutputHeight = 3000;
    ASSERT_TRUE(InitialiseWindow(false));
    SDL_Rect display{};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
    int x = 0, y = 0;
    SDL_GetWindowPosition(gWindow, &x, &y);
    EXPECT_GE(x, display.x);
    EXPECT_GE(y, display.y);
}

}  // namespace
