// Evaluation of keyframed parameters: backward scan, eases of the earlier keyframe,
// equal-time jumps, and single versus double precision arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "paramsxml.h"
#include "support/logcapture.h"
#include "system/params.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double DoubleAt(const std::string& keys, double t) {
    Params params;
    EXPECT_TRUE(LoadParams(params, "<effect><param key=\"p\" type=\"double\">" + keys + "</param></effect>"));
    return params.Get("p").GetAsDouble(t);
}

}  // namespace

TEST(Evaluation, LinearDoubleBeforeInsideAndAfter) {
    const std::string keys = "<key time=\"0\" value=\"0\" ease=\"Linear\"/><key time=\"2\" value=\"10\"/>";
    EXPECT_EQ(DoubleAt(keys, -1), 0.0);
    EXPECT_EQ(DoubleAt(keys, 0), 0.0);
    EXPECT_EQ(DoubleAt(keys, 1), 5.0);
    EXPECT_EQ(DoubleAt(keys, 2), 10.0);
    EXPECT_EQ(DoubleAt(keys, 5), 10.0);
    // Linear is the default ease of a keyframe.
    EXPECT_EQ(DoubleAt("<key time=\"0\" value=\"0\"/><key time=\"2\" value=\"10\"/>", 1), 5.0);
}

TEST(Evaluation, SnapHoldsUntilTheNextKeyframe) {
    const std::string keys = "<key time=\"0\" value=\"0\" ease=\"Snap\"/><key time=\"2\" value=\"10\"/>";
    for (double t : {0.0, 0.5, 1.0, 1.999999}) EXPECT_EQ(DoubleAt(keys, t), 0.0) << t;
    EXPECT_EQ(DoubleAt(keys, 2), 10.0);
}

TEST(Evaluation, EaseOfTheEarlierKeyframeShapesTheSegment) {
    const std::string in = "<key time=\"0\" value=\"0\" ease=\"QuadraticIn\"/><key time=\"2\" value=\"10\"/>";
    EXPECT_DOUBLE_EQ(DoubleAt(in, 1), 2.5);
    const std::string bounce = "<key time=\"0\" value=\"0\" ease=\"BounceOut\"/><key time=\"2\" value=\"10\"/>";
    EXPECT_NEAR(DoubleAt(bounce, 1), 6.011921875, 1e-11);

    // The last keyframe's ease is never used.
    const std::string plain = "<key time=\"0\" value=\"0\"/><key time=\"2\" value=\"10\"/>";
    for (const char* last : {"Linear", "Snap", "QuadraticIn", "BounceOut"}) {
        std::string keys =
            "<key time=\"0\" value=\"0\"/><key time=\"2\" value=\"10\" ease=\"" + std::string(last) + "\"/>";
        for (double t : {-1.0, 0.5, 1.0, 2.0, 7.0}) EXPECT_EQ(DoubleAt(keys, t), DoubleAt(plain, t)) << last << " " << t;
    }
}

TEST(Evaluation, EqualTimesMakeAnInstantJump) {
    const std::string keys =
        "<key time=\"0\" value=\"0\"/><key time=\"1\" value=\"10\"/>"
        "<key time=\"1\" value=\"20\"/><key time=\"2\" value=\"30\"/>";
    EXPECT_EQ(DoubleAt(keys, 0.5), 5.0);
    EXPECT_NEAR(DoubleAt(keys, 1.0 - 1e-9), 10.0, 1e-6);  // moving toward the first of the pair
    EXPECT_EQ(DoubleAt(keys, 1.0), 20.0);
    EXPECT_EQ(DoubleAt(keys, 1.5), 25.0);
    EXPECT_EQ(DoubleAt(keys, 2.0), 30.0);
}

TEST(Evaluation, SingleKeyframeIsConstantAtEveryTime) {
    const std::string keys = "<key time=\"3\" value=\"7\" ease=\"BounceOut\"/>";
    for (double t : {-kInf, -5.0, 0.0, 2.999, 3.0, 100.0, kInf, kNaN}) EXPECT_EQ(DoubleAt(keys, t), 7.0) << t;
}

TEST(Evaluation, NotANumberTimeGivesTheFirstKeyframe) {
    const std::string keys = "<key time=\"0\" value=\"4\"/><key time=\"1\" value=\"8\"/><key time=\"2\" value=\"9\"/>";
    EXPECT_EQ(DoubleAt(keys, kNaN), 4.0);
    EXPECT_EQ(DoubleAt(keys, -kInf), 4.0);
    EXPECT_EQ(DoubleAt(keys, kInf), 9.0);
}

TEST(Evaluation, KeysOutOfOrderFollowTheBackwardScan) {
    // Times 0, 5, 2, 3: the scan picks the last keyframe in list order with time <= t.
    const std::string keys =
        "<key time=\"0\" value=\"0\"/><key time=\"5\" value=\"50\"/>"
        "<key time=\"2\" value=\"20\"/><key time=\"3\" value=\"40\"/>";
    EXPECT_EQ(DoubleAt(keys, -1), 0.0);
    EXPECT_DOUBLE_EQ(DoubleAt(keys, 1), 10.0);  // key 0 toward key 1 (time 5): x = 1/5
    EXPECT_EQ(DoubleAt(keys, 2.5), 30.0);   // key 2 toward key 3
    EXPECT_EQ(DoubleAt(keys, 4), 40.0);     // key 3 is last in the list: it holds
    EXPECT_EQ(DoubleAt(keys, 6), 40.0);
    EXPECT_EQ(DoubleAt(keys, 1.999), 0.0 + 50.0 * (1.999 / 5.0));
}

TEST(Evaluation, NonFiniteKeyframesDoNotCrash) {
    const std::string keys =
        "<key time=\"nan\" value=\"1\"/><key time=\"-inf\" value=\"1e999\"/>"
        "<key time=\"1e999\" value=\"nan\"/><key time=\"5\" value=\"-inf\"/>";
    for (double t : {-kInf, -1.0, 0.0, 3.0, 5.0, 9.0, kInf, kNaN}) (void)DoubleAt(keys, t);
    EXPECT_EQ(DoubleAt(keys, kNaN), 1.0);
    EXPECT_EQ(DoubleAt(keys, 6.0), -kInf);
}

TEST(Evaluation, DoublesInterpolateInDoublePrecision) {
    const std::string keys = "<key time=\"0\" value=\"0.1\"/><key time=\"1\" value=\"0.7\"/>";
    const double t = 1.0 / 3.0;
    EXPECT_EQ(DoubleAt(keys, t), 0.1 + (0.7 - 0.1) * t);
}

TEST(Evaluation, VectorsInterpolateInSinglePrecision) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect>"
                           "<param key=\"a\" type=\"vec2\"><key time=\"0\" x=\"0.1\" y=\"1\"/>"
                           "<key time=\"1\" x=\"0.7\" y=\"3\"/></param>"
                           "<param key=\"b\" type=\"vec3\"><key time=\"0\" x=\"0.1\" z=\"0.1\"/>"
                           "<key time=\"1\" x=\"0.7\" z=\"0.7\"/></param>"
                           "<param key=\"c\" type=\"vec4\"><key time=\"0\" x=\"0.1\" w=\"0.1\"/>"
                           "<key time=\"1\" x=\"0.7\" w=\"0.7\"/></param>"
                           "</effect>"));
    const double t = 1.0 / 3.0;
    // Weight rounded to float, then a + (b - a) * e per component in float.
    volatile float a = 0.1f, b = 0.7f, e = static_cast<float>(t);
    volatile float difference = b - a;
    volatile float step = difference * e;
    const float single = a + step;
    const float viaDouble = static_cast<float>(double(0.1f) + (double(0.7f) - double(0.1f)) * t);
    ASSERT_NE(single, viaDouble) << "values chosen so that the two precisions differ";

    vec2 v2 = params.Get("a").GetAsVec2(t);
    EXPECT_EQ(v2.x, single);
    vec3 v3 = params.Get("b").GetAsVec3(t);
    EXPECT_EQ(v3.x, single);
    EXPECT_EQ(v3.y, 0.0f);
    EXPECT_EQ(v3.z, single);
    vec4 v4 = params.Get("c").GetAsVec4(t);
    EXPECT_EQ(v4.x, single);
    EXPECT_EQ(v4.w, single);

    // Components are read as double and rounded to float.
    EXPECT_EQ(params.Get("a").GetAsVec2(0).x, 0.1f);
    EXPECT_EQ(params.Get("a").GetAsVec2(0.5).y, 2.0f);
    EXPECT_EQ(params.Get("a").GetAsVec2(9).y, 3.0f);
}

TEST(Evaluation, VectorRulesMatchTheDoubleRules) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect><param key=\"v\" type=\"vec4\">"
                           "<key time=\"0\" x=\"0\" y=\"1\" ease=\"Snap\"/><key time=\"1\" x=\"10\" y=\"2\"/>"
                           "<key time=\"1\" x=\"20\" y=\"3\"/><key time=\"2\" x=\"30\" y=\"4\"/>"
                           "</param></effect>"));
    const ParamVariant& v = params.Get("v");
    EXPECT_EQ(v.GetAsVec4(-1), (vec4{0, 1, 0, 0}));
    EXPECT_EQ(v.GetAsVec4(0.9), (vec4{0, 1, 0, 0}));
    EXPECT_EQ(v.GetAsVec4(1), (vec4{20, 3, 0, 0}));
    EXPECT_EQ(v.GetAsVec4(1.5), (vec4{25, 3.5f, 0, 0}));
    EXPECT_EQ(v.GetAsVec4(kNaN), (vec4{0, 1, 0, 0}));
    EXPECT_EQ(v.GetAsVec4(5), (vec4{30, 4, 0, 0}));
}

TEST(Evaluation, ConstructedVariantsAreSafe) {
    LogCapture log;
    ParamVariant empty{std::vector<DoubleKeyframe>{}};
    EXPECT_EQ(empty.GetAsDouble(1.0), 0.0);
    ParamVariant noEase{std::vector<Vec2Keyframe>{{0.0, nullptr, {0, 0}}, {1.0, nullptr, {4, 8}}}};
    EXPECT_EQ(noEase.GetVec2Keys()[0].ease, Ease_Snap);
    EXPECT_EQ(noEase.GetAsVec2(0.5), (vec2{0, 0}));
    EXPECT_TRUE(log.Entries().empty());
}
