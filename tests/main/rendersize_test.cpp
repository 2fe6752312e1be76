// The resolution index chooses the render size; the small size also turns keys 1-4 off.
#include <gtest/gtest.h>

#include "graphics/devicestate.h"
#include "main/startup.h"
#include "system/globals.h"

namespace {

struct SizeCase {
    int resolution;
    int width;
    int height;
    bool smallSize;
};

TEST(RenderSize, TableAndToggleStates) {
    const SizeCase cases[] = {
        {1, 1280, 720, false}, {2, 1920, 1080, false}, {0, 342, 192, true},
        {3, 342, 192, true},   {-1, 342, 192, true},
    };
    for (const SizeCase& c : cases) {
        gToggleKeyStates.fill(true);
        SetRenderSize(c.resolution);
        EXPECT_EQ(gScreenWidth, c.width) << c.resolution;
        EXPECT_EQ(gScreenHeight, c.height) << c.resolution;
        for (int key = 0; key < 10; ++key) {
            bool off = c.smallSize && key >= 1 && key <= 4;
            EXPECT_EQ(gToggleKeyStates[key], !off) << "resolution " << c.resolution << " key " << key;
        }
    }
}

}  // namespace
