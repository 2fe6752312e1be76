// Parsing of ".cube" look-up tables: the accepted subset, line endings, and bad input that
// must fail cleanly rather than crash, over-read or allocate absurd amounts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datafolder.h"
#include "graphics/cubeloader.h"
#include "support/logcapture.h"

namespace {

CubeLoader Parse(const std::string& text) {
    return CubeLoader(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
}

std::string Lines(int count, const char* line = "0.5 0.5 0.5") {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(line) + "\n";
    return text;
}

TEST(CubeLoader, SizeLineAfterTitleAndCommentsParsesInFileOrder) {
    LogCapture log;
    CubeLoader cube = Parse(DataFolder::ReadTestData("cube/identity2.cube"));
    ASSERT_TRUE(cube.GetSucceeded());
    EXPECT_EQ(cube.GetSize(), 2);
    ASSERT_EQ(cube.GetTexels().size(), 32u);
    // Red varies fastest: entry 1 is (1, 0, 0), entry 2 is (0, 1, 0), entry 4 is (0, 0, 1).
    const std::vector<uint8_t>& t = cube.GetTexels();
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 4, t.begin() + 8), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 8, t.begin() + 12), (std::vector<uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 16, t.begin() + 20), (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 28, t.begin() + 32), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(log.Count("Parsing a .cube file.."), 1);
    EXPECT_EQ(log.Count("..succeeded"), 1);
    EXPECT_EQ(log.Count("..failed"), 0);
}

TEST(CubeLoader, ValuesTruncateAndOutOfRangeValuesClamp) {
    CubeLoader cube = Parse("LUT_3D_SIZE 2\n0.5 1.0 0.999\n-0.5 1.5 nan\n1e30 -1e30 inf\n" + Lines(5));
    ASSERT_TRUE(cube.GetSucceeded());
    const std::vector<uint8_t>& t = cube.GetTexels();
    EXPECT_EQ(std::vector<uint8_t>(t.begin(), t.begin() + 12),
              (std::vector<uint8_t>{127, 255, 254, 255, 0, 255, 0, 255, 255, 0, 255, 255}));
}

TEST(CubeLoader, MissingOrMalformedDataLinesFail) {
    {
        LogCapture log;
        CubeLoader cube = Parse("LUT_3D_SIZE 2\n" + Lines(7));
        EXPECT_FALSE(cube.GetSucceeded());
        EXPECT_EQ(cube.GetSize(), 0);
        EXPECT_TRUE(cube.GetTexels().empty());
        EXPECT_EQ(log.Count("..failed"), 1);
        EXPECT_EQ(log.Count("..succeeded"), 0);
    }
    EXPECT_TRUE(Parse("LUT_3D_SIZE 2\n" + Lines(8)).GetSucceeded());
    EXPECT_TRUE(Parse("LUT_3D_SIZE 2\n" + Lines(9)).GetSucceeded()) << "lines after the table are ignored";
    EXPECT_FALSE(Parse("LUT_3D_SIZE 2\n" + Lines(3) + "0.5 0.5\n" + Lines(4)).GetSucceeded());
    EXPECT_FALSE(Parse("LUT_3D_SIZE 2\n" + Lines(3) + "# comment inside\n" + Lines(5)).GetSucceeded());
}

TEST(CubeLoader, WindowsLineEndingsParseLikeUnixOnes) {
    std::string unix = DataFolder::ReadTestData("cube/identity2.cube");
    std::string windows;
    for (char c : unix) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    windows += "\r\n\r\n";
    CubeLoader a = Parse(unix), b = Parse(windows);
    ASSERT_TRUE(b.GetSucceeded());
    EXPECT_EQ(a.GetTexels(), b.GetTexels());
    // Blank CR LF lines inside the data vanish as blank LF lines do.
    EXPECT_TRUE(Parse("LUT_3D_SIZE 2\r\n\r\n" + Lines(4, "0 0 0\r") + "\r\n" + Lines(4, "1 1 1\r")).GetSucceeded());
}

TEST(CubeLoader, DataWithoutFinalNewlineOrTerminatorParses) {
    std::string text = "LUT_3D_SIZE 2\n" + Lines(7) + "0.25 0.5 1";
    // Copy into a buffer with garbage after the counted bytes: the parse must stop at the length.
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), {'2', '5', ' ', '9'});
    CubeLoader cube(bytes.data(), uint32_t(text.size()));
    ASSERT_TRUE(cube.GetSucceeded());
    EXPECT_EQ(cube.GetTexels()[28], 63);
    EXPECT_EQ(cube.GetTexels()[29], 127);
    EXPECT_EQ(cube.GetTexels()[30], 255);
}

// An identity 3D table of size n, red fastest.
std::string Identity(int n) {
    std::string text;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                text += std::to_string(r / double(n - 1)) + " " + std::to_string(g / double(n - 1)) + " " +
                        std::to_string(b / double(n - 1)) + "\n";
    return text;
}

// A 1D shaper in front of the 3D table is applied first, never read as 3D entries; a domain
// other than 0..1 maps the lattice onto that range.
TEST(CubeLoader, ShaperTablesAndDomainsAreBakedIntoTheLattice) {
    // The shaper squares: 0.5 becomes 0.25, then the identity 3D table passes it through.
    CubeLoader shaped = Parse("TITLE \"graded\"\nLUT_1D_SIZE 3\nLUT_1D_INPUT_RANGE 0 1\nLUT_3D_SIZE 3\n"
                              "LUT_3D_INPUT_RANGE 0 1\n0 0 0\n0.25 0.25 0.25\n1 1 1\n" + Identity(3));
    ASSERT_TRUE(shaped.GetSucceeded()) << shaped.GetError();
    ASSERT_EQ(shaped.GetSize(), 3);
    const std::vector<uint8_t>& t = shaped.GetTexels();
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 4, t.begin() + 8), (std::vector<uint8_t>{63, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(t.begin() + 13 * 4, t.begin() + 14 * 4), (std::vector<uint8_t>{63, 63, 63, 255}));
    EXPECT_EQ(std::vector<uint8_t>(t.end() - 4, t.end()), (std::vector<uint8_t>{255, 255, 255, 255}));

    // The table covers 0..2: the colour 1 sits half-way up it.
    CubeLoader wide = Parse("DOMAIN_MIN 0 0 0\nDOMAIN_MAX 2 2 2\nLUT_3D_SIZE 2\n" + Identity(2));
    ASSERT_TRUE(wide.GetSucceeded()) << wide.GetError();
    EXPECT_EQ(std::vector<uint8_t>(wide.GetTexels().end() - 4, wide.GetTexels().end()),
              (std::vector<uint8_t>{127, 127, 127, 255}));
    EXPECT_EQ(wide.GetTexels()[4], 127);

    // The same shaper under DOMAIN keywords (which then belong to the shaper) reads alike.
    CubeLoader adobe = Parse("LUT_1D_SIZE 3\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\nLUT_3D_SIZE 3\n"
                             "0 0 0\n0.25 0.25 0.25\n1 1 1\n" + Identity(3));
    EXPECT_EQ(adobe.GetTexels(), shaped.GetTexels());
    // A shaper without its 3D rows fails with the count, rather than reading the shaper as 3D.
    CubeLoader shortTable = Parse("LUT_1D_SIZE 3\nLUT_3D_SIZE 2\n" + Lines(8));
    EXPECT_FALSE(shortTable.GetSucceeded());
    EXPECT_EQ(shortTable.GetError(), "the table needs 11 data lines from line 3, the file has 8");

    // A shaper value too large for a float (found by fuzzing: the lattice was then sampled at
    // NaN) and one below the domain: both read as the table's ends.
    for (const std::string value : {"1" + std::string(40, '0'), std::string("-5")}) {
        CubeLoader extreme = Parse("LUT_1D_SIZE 2\nLUT_3D_SIZE 2\n0 0 0\n" + value + " 1 1\n" + Identity(2));
        ASSERT_TRUE(extreme.GetSucceeded()) << value << ": " << extreme.GetError();
        for (uint8_t texel : extreme.GetTexels()) EXPECT_TRUE(texel == 0 || texel == 255) << value;
    }
}

TEST(CubeLoader, BadSizesAndTablesFailCleanly) {
    const std::string cases[] = {
        "",
        "TITLE \"no size line\"\n" + Lines(8),
        "LUT_1D_SIZE 4\n" + Lines(4),  // a 1D table only
        "LUT_3D_SIZE 0\n" + Lines(8),
        "LUT_3D_SIZE -2\n" + Lines(8),
        "LUT_3D_SIZE 100000\n" + Lines(8),
        "LUT_3D_SIZE 99999999999999999999\n" + Lines(8),
        "LUT_3D_SIZE 257\n" + Lines(8),
        "LUT_3D_SIZE two\n" + Lines(8),
        "LUT_3D_SIZE\n" + Lines(8),
        "LUT_3D_SIZE 2\n",
        "LUT_3D_SIZE 256\n" + Lines(8),  // allowed size, far too few lines
    };
    for (const std::string& text : cases) {
        LogCapture log;
        CubeLoader cube = Parse(text);
        EXPECT_FALSE(cube.GetSucceeded()) << text.substr(0, 40);
        EXPECT_TRUE(cube.GetTexels().empty());
        EXPECT_EQ(log.Count("..failed"), 1);
    }
    EXPECT_FALSE(CubeLoader(nullptr, 0).GetSucceeded());
}

}  // namespace

namespace {

// The bundled show's tables must parse with the loader that plays them.
TEST(CubeLoader, BundledTablesParse) {
    for (const char* name : {"identity.cube", "cold_night.cube", "teal_orange.cube"}) {
        std::ifstream in(std::string(LUMIVANE_SOURCE_DIR) + "/data/" + name, std::ios::binary);
        if (!in) continue;  // not every checkout carries the bundled show
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CubeLoader cube = Parse(text);
        EXPECT_TRUE(cube.GetSucceeded()) << name;
        EXPECT_GE(cube.GetSize(), 2) << name;
    }
}

}  // namespace
