// Reading parameters from the script: types, constant form, number conversions,
// replacement, the default entry, and what is logged for bad input.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "paramsxml.h"
#include "support/logcapture.h"
#include "system/params.h"

namespace {

int IntOf(const std::string& text) {
    Params params;
    pugi::xml_document document;
    pugi::xml_node param = document.append_child("effect").append_child("param");
    param.append_attribute("key") = "n";
    param.append_attribute("type") = "int";
    param.append_attribute("value") = text.c_str();
    EXPECT_TRUE(params.Load(document.first_child()));
    return params.Get("n").GetAsInt();
}

double DoubleOf(const std::string& text) {
    Params params;
    EXPECT_TRUE(LoadParams(params, "<effect><param key=\"d\" type=\"double\" value=\"" + text + "\"/></effect>"));
    return params.Get("d").GetAsDouble(0);
}

}  // namespace

TEST(ParamsLoad, NewSetHoldsOnlyTheDefaultEntry) {
    Params params;
    EXPECT_EQ(params.GetCount(), 1u);
    EXPECT_TRUE(params.Has(""));
    EXPECT_EQ(params.Get("").GetType(), ParamType::None);
    EXPECT_TRUE(LoadParams(params, "<effect><child/><other key=\"x\" type=\"float\"/></effect>"));
    EXPECT_TRUE(params.Load(pugi::xml_node()));
    EXPECT_EQ(params.GetCount(), 1u);
}

TEST(ParamsLoad, ReadsEveryTypeInDocumentOrder) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect>"
                           "<param key=\"name\" type=\"string\" value=\"noise.png\"/>"
                           "<shader file=\"x.fx\"/>"
                           "<param key=\"count\" type=\"int\" value=\"42\"/>"
                           "<param key=\"speed\" type=\"double\" value=\"2.5\"/>"
                           "<param key=\"size\" type=\"vec2\" x=\"3\" y=\"4\"/>"
                           "<param key=\"pos\" type=\"vec3\" x=\"1\" y=\"2\"/>"
                           "<param key=\"color\" type=\"vec4\" x=\"1\" y=\"0.5\" z=\"0.25\" w=\"1\"/>"
                           "<param key=\"empty\" type=\"string\"/>"
                           "</effect>"));
    EXPECT_EQ(params.GetCount(), 8u);
    EXPECT_EQ(params.Get("name").GetType(), ParamType::String);
    EXPECT_EQ(params.Get("name").GetAsString(), "noise.png");
    EXPECT_EQ(params.Get("count").GetAsInt(), 42);
    EXPECT_EQ(params.Get("speed").GetAsDouble(123), 2.5);
    EXPECT_EQ(params.Get("size").GetAsVec2(0), (vec2{3, 4}));
    EXPECT_EQ(params.Get("color").GetAsVec4(-7), (vec4{1, 0.5f, 0.25f, 1}));
    EXPECT_EQ(params.Get("empty").GetAsString(), "");
    for (double t : {-10.0, 0.0, 5.0, 1e9}) EXPECT_EQ(params.Get("pos").GetAsVec3(t), (vec3{1, 2, 0})) << t;
}

TEST(ParamsLoad, ConstantFormIsOneSnapKeyframeAtZero) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect><param key=\"pos\" type=\"vec3\" x=\"1\" y=\"2\"/>"
                           "<param key=\"d\" type=\"double\" value=\"9\"/>"
                           "<param key=\"k\" type=\"double\"><key time=\"3\" value=\"1\"/></param></effect>"));
    const auto& keys = params.Get("pos").GetVec3Keys();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].time, 0.0);
    EXPECT_EQ(keys[0].ease, Ease_Snap);
    ASSERT_EQ(params.Get("d").GetDoubleKeys().size(), 1u);
    EXPECT_EQ(params.Get("d").GetDoubleKeys()[0].ease, Ease_Snap);
    // A written keyframe without "ease" gets Linear; absent "time" and "value" read as 0.
    ASSERT_EQ(params.Get("k").GetDoubleKeys().size(), 1u);
    EXPECT_EQ(params.Get("k").GetDoubleKeys()[0].ease, Ease_Linear);
    Params defaults;
    ASSERT_TRUE(LoadParams(defaults, "<effect><param key=\"k\" type=\"vec2\"><key/><key x=\"1\"/></param></effect>"));
    EXPECT_EQ(defaults.Get("k").GetVec2Keys()[1].time, 0.0);
    EXPECT_EQ(defaults.Get("k").GetAsVec2(0), (vec2{1, 0}));
    // With key children, the param element's own value attributes are ignored.
    Params ignored;
    ASSERT_TRUE(LoadParams(ignored, "<effect><param key=\"k\" type=\"double\" value=\"5\"><key value=\"2\"/></param></effect>"));
    EXPECT_EQ(ignored.Get("k").GetAsDouble(0), 2.0);
}

TEST(ParamsLoad, IntegerConversion) {
    EXPECT_EQ(IntOf("0x10"), 16);
    EXPECT_EQ(IntOf(" -12"), -12);
    EXPECT_EQ(IntOf("abc"), 0);
    EXPECT_EQ(IntOf("0x1F"), 31);
    EXPECT_EQ(IntOf("0X1f"), 31);
    EXPECT_EQ(IntOf("-0x10"), -16);
    EXPECT_EQ(IntOf("012"), 12);
    EXPECT_EQ(IntOf("30x"), 30);
    EXPECT_EQ(IntOf("7.9"), 7);
    EXPECT_EQ(IntOf(""), 0);
    EXPECT_EQ(IntOf("+5"), 5);
    // "+" is not skipped before looking for "0x", so this is decimal: the "0" before "x".
    EXPECT_EQ(IntOf("+0x10"), 0);
    EXPECT_EQ(IntOf("\t\n 8"), 8);
    EXPECT_EQ(IntOf("- 5"), 0);
    // Out of range saturates instead of wrapping.
    EXPECT_EQ(IntOf("2147483647"), INT_MAX);
    EXPECT_EQ(IntOf("-2147483648"), INT_MIN);
    EXPECT_EQ(IntOf("2147483648"), INT_MAX);
    EXPECT_EQ(IntOf("4294967297"), INT_MAX);
    EXPECT_EQ(IntOf("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(IntOf("0xFFFFFFFF"), INT_MAX);
    // An absent "value" reads as 0.
    Params params;
    ASSERT_TRUE(LoadParams(params, "<effect><param key=\"n\" type=\"int\"/></effect>"));
    EXPECT_EQ(params.Get("n").GetAsInt(), 0);
}

TEST(ParamsLoad, DoubleConversion) {
    EXPECT_EQ(DoubleOf("2.5abc"), 2.5);
    EXPECT_EQ(DoubleOf(" -3.25"), -3.25);
    EXPECT_EQ(DoubleOf("abc"), 0.0);
    EXPECT_EQ(DoubleOf(""), 0.0);
    EXPECT_EQ(DoubleOf("1e3"), 1000.0);
    EXPECT_EQ(DoubleOf("0x10"), 16.0);
    EXPECT_EQ(DoubleOf("1e999"), HUGE_VAL);
    EXPECT_EQ(DoubleOf("-inf"), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(DoubleOf("nan")));
    EXPECT_EQ(DoubleOf("0.1"), 0.1);

    Params params;
    ASSERT_TRUE(LoadParams(params, "<effect><param key=\"v\" type=\"vec3\" x=\"1e39\" y=\"0.1\" z=\"-1e999\"/></effect>"));
    vec3 v = params.Get("v").GetAsVec3(0);
    EXPECT_TRUE(std::isinf(v.x) && v.x > 0);
    EXPECT_EQ(v.y, 0.1f);
    EXPECT_TRUE(std::isinf(v.z) && v.z < 0);
}

TEST(ParamsLoad, LaterParamOfTheSameNameWins) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect><param key=\"a\" type=\"double\" value=\"1\"/>"
                           "<param key=\"a\" type=\"int\" value=\"2\"/></effect>"));
    EXPECT_EQ(params.GetCount(), 2u);
    EXPECT_EQ(params.Get("a").GetType(), ParamType::Int);
    EXPECT_EQ(params.Get("a").GetAsInt(), 2);
}

TEST(ParamsLoad, ParamWithoutNameReplacesTheDefaultEntry) {
    LogCapture log;
    Params params;
    ASSERT_TRUE(LoadParams(params, "<effect><param type=\"double\" value=\"4\"/></effect>"));
    EXPECT_EQ(params.GetCount(), 1u);
    EXPECT_EQ(params.Get("missing").GetAsDouble(0), 4.0);
    EXPECT_EQ(log.Count("Couldn't find param 'missing'"), 1);
    EXPECT_EQ(log.Count("Accessing param as the wrong type"), 0);
}

TEST(ParamsLoad, UnknownTypeStopsLoadingAndKeepsEarlierParams) {
    LogCapture log;
    Params params;
    EXPECT_FALSE(LoadParams(params,
                            "<effect><param key=\"a\" type=\"int\" value=\"1\"/>"
                            "<param key=\"b\" type=\"float\" value=\"2\"/>"
                            "<param key=\"c\" type=\"int\" value=\"3\"/></effect>"));
    EXPECT_TRUE(params.Has("a"));
    EXPECT_FALSE(params.Has("b"));
    EXPECT_FALSE(params.Has("c"));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].message, "Unknown param type 'float'");
    EXPECT_EQ(log.Entries()[0].function, "Params::Load");

    log.Clear();
    Params missing;
    EXPECT_FALSE(LoadParams(missing, "<effect><param key=\"a\" value=\"1\"/></effect>"));
    EXPECT_EQ(log.Count("Unknown param type ''"), 1);
    // Type names are case-sensitive.
    EXPECT_FALSE(LoadParams(missing, "<effect><param key=\"a\" type=\"Double\"/></effect>"));
    EXPECT_EQ(log.Count("Unknown param type 'Double'"), 1);
}

TEST(ParamsLoad, UnknownEaseBecomesSnapAndLoadingContinues) {
    LogCapture log;
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect><param key=\"a\" type=\"double\">"
                           "<key time=\"0\" value=\"0\" ease=\"linear\"/><key time=\"2\" value=\"10\" ease=\"\"/>"
                           "</param><param key=\"b\" type=\"int\" value=\"1\"/></effect>"));
    EXPECT_EQ(params.Get("a").GetAsDouble(1), 0.0);
    EXPECT_EQ(params.Get("b").GetAsInt(), 1);
    ASSERT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].message, "Unknown ease function 'linear', defaulting to Snap");
    EXPECT_EQ(log.Entries()[0].function, "Params::GetEaseFunction");
    EXPECT_EQ(log.Entries()[1].message, "Unknown ease function '', defaulting to Snap");
    EXPECT_EQ(Params::GetEaseFunction("BounceOutIn"), Ease_BounceOutIn);
}

TEST(ParamsLoad, WrongTypeAccessLogsAtEveryCallAndReadsZero) {
    Params params;
    ASSERT_TRUE(LoadParams(params,
                           "<effect><param key=\"i\" type=\"int\" value=\"5\"/>"
                           "<param key=\"s\" type=\"string\" value=\"x\"/>"
                           "<param key=\"v\" type=\"vec3\" x=\"1\"/></effect>"));
    LogCapture log;
    const ParamVariant& i = params.Get("i");
    const ParamVariant& s = params.Get("s");
    const ParamVariant& v = params.Get("v");
    EXPECT_EQ(i.GetAsDouble(0), 0.0);
    EXPECT_EQ(i.GetAsDouble(0), 0.0);
    EXPECT_EQ(i.GetAsVec2(0), (vec2{}));
    EXPECT_EQ(i.GetAsVec3(0), (vec3{}));
    EXPECT_EQ(i.GetAsVec4(0), (vec4{}));
    EXPECT_EQ(i.GetAsString(), "");
    EXPECT_EQ(s.GetAsInt(), 0);
    EXPECT_EQ(v.GetAsVec4(0), (vec4{}));
    const char* expected[] = {"ParamVariant::GetAsDouble", "ParamVariant::GetAsDouble", "ParamVariant::GetAsVec2",
                              "ParamVariant::GetAsVec3",   "ParamVariant::GetAsVec4",   "ParamVariant::GetAsString",
                              "ParamVariant::GetAsInt",    "ParamVariant::GetAsVec4"};
    ASSERT_EQ(log.Entries().size(), 8u);
    for (size_t n = 0; n < 8; ++n) {
        EXPECT_EQ(log.Entries()[n].message, "Accessing param as the wrong type");
        EXPECT_EQ(log.Entries()[n].function, expected[n]);
    }
    // Right-type access logs nothing.
    log.Clear();
    EXPECT_EQ(i.GetAsInt(), 5);
    EXPECT_EQ(s.GetAsString(), "x");
    EXPECT_EQ(v.GetAsVec3(0).x, 1.0f);
    EXPECT_TRUE(log.Entries().empty());
}

TEST(ParamsLoad, MissingNameLogsAndFallsBackToTheDefaultEntry) {
    Params params;
    LogCapture log;
    EXPECT_FALSE(params.Has("speed"));
    EXPECT_TRUE(log.Entries().empty());
    const ParamVariant& fallback = params.Get("speed");
    EXPECT_EQ(&fallback, &params.Get(""));
    EXPECT_EQ(fallback.GetAsDouble(1), 0.0);
    ASSERT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].message, "Couldn't find param 'speed'");
    EXPECT_EQ(log.Entries()[0].function, "Params::Get");
    EXPECT_EQ(log.Entries()[1].function, "ParamVariant::GetAsDouble");

    Params moved = std::move(params);
    EXPECT_EQ(params.Get("x").GetType(), ParamType::None);  // a moved-from set still answers
}

TEST(ParamsLoad, HugeKeyframeListLoadsAndEvaluates) {
    std::string xml = "<effect><param key=\"k\" type=\"vec4\">";
    const int count = 100000;
    for (int n = 0; n < count; ++n) {
        xml += "<key time=\"" + std::to_string(n) + "\" x=\"" + std::to_string(n * 2) + "\"/>";
    }
    xml += "</param></effect>";
    Params params;
    ASSERT_TRUE(LoadParams(params, xml));
    EXPECT_EQ(params.Get("k").GetVec4Keys().size(), size_t(count));
    EXPECT_EQ(params.Get("k").GetAsVec4(0.5).x, 1.0f);
    EXPECT_EQ(params.Get("k").GetAsVec4(99998.5).x, 199997.0f);
    EXPECT_EQ(params.Get("k").GetAsVec4(1e9).x, 199998.0f);
}
