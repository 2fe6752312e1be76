// "-check" on the bundled show: every shader entry its effects may draw with compiles, and
// every file it names loads.
#include <gtest/gtest.h>
#include <physfs.h>

#include <string>

#include "main/showcheck.h"
#include "support/gputest.h"
#include "system/globals.h"

TEST(BundledShowCheck, BundledShowPasses) {
    ASSERT_TRUE(InitTestDevice(342, 192));
    gOutputWidth = 342;
    gOutputHeight = 192;
    PHYSFS_init(nullptr);
    PHYSFS_mount((std::string(LUMIVANE_SOURCE_DIR) + "/data").c_str(), "/", 0);
    std::string report;
    for (const std::string& problem : CheckShow("demo.xml")) report += problem + "\n";
    EXPECT_TRUE(report.empty()) << report;
}
