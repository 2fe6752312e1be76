// The effect tree: timeline rule, toggle keys, load order and failures, progress ranges.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "graphics/dynamictexture.h"
#include "support/gputest.h"
#include "support/logcapture.h"
#include "system/globals.h"

namespace {

// Records every render with its local time into a log shared by a whole tree.
struct Recorder {
    std::vector<std::pair<std::string, double>> renders;
};

class RecordingEffect : public Effects::Effect {
public:
    RecordingEffect(std::string name, Recorder* recorder) : name_(std::move(name)), recorder_(recorder) {}
    void Render(double time, DynamicTexturePair&) override { recorder_->renders.push_back({name_, time}); }
    void AddChild(std::unique_ptr<Effect> child) { children_.push_back(std::move(child)); }

private:
    std::string name_;
    Recorder* recorder_;
};

pugi::xml_node Parse(pugi::xml_document& doc, const char* xml) {
    EXPECT_TRUE(doc.load_string(xml));
    return doc.first_child();
}

class EffectTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitTestDevice(16, 16));
        chain_ = std::make_unique<DynamicTexturePair>(16.0f, 16.0f);
        gToggleKeyStates.fill(true);
    }

    // Whether a fresh render happened at `time`, and its local time.
    bool RunsAt(Effects::Effect& effect, double time, double* local = nullptr) {
        recorder_.renders.clear();
        effect.Update(time, *chain_);
        if (recorder_.renders.empty()) return false;
        if (local) *local = recorder_.renders.front().second;
        return true;
    }

    Recorder recorder_;
    std::unique_ptr<DynamicTexturePair> chain_;
};

}  // namespace

TEST_F(EffectTree, RunsOnTheClosedIntervalAtItsLocalTime) {
    pugi::xml_document doc;
    RecordingEffect effect("e", &recorder_);
    ASSERT_TRUE(effect.Load(Parse(doc, R"(<effect type="x" start="10" length="5" speed="2"/>)")));
    double local = -1;
    EXPECT_TRUE(RunsAt(effect, 10.0, &local));
    EXPECT_EQ(local, 0.0);
    EXPECT_TRUE(RunsAt(effect, 12.5, &local));
    EXPECT_EQ(local, 5.0);
    EXPECT_TRUE(RunsAt(effect, 15.0));
    EXPECT_FALSE(RunsAt(effect, 9.999));
    EXPECT_FALSE(RunsAt(effect, 15.001));
}

TEST_F(EffectTree, DefaultsWhenAttributesAreAbsent) {
    pugi::xml_document doc;
    RecordingEffect effect("e", &recorder_);
    ASSERT_TRUE(effect.Load(Parse(doc, R"(<effect type="x" start="oops"/>)")));
    EXPECT_EQ(effect.GetStart(), 0.0);
    EXPECT_EQ(effect.GetLength(), 99999.0);
    EXPECT_EQ(effect.GetSpeed(), 1.0);
    EXPECT_TRUE(effect.GetActive());
    EXPECT_EQ(effect.GetActiveToggleKey(), -1);
    EXPECT_TRUE(RunsAt(effect, 99999.0));
    EXPECT_FALSE(RunsAt(effect, 99999.5));
}

TEST_F(EffectTree, ChildTimeIsTheParentsLocalTimeAndParentRendersFirst) {
    pugi::xml_document parentDoc, childDoc;
    auto parent = std::make_unique<RecordingEffect>("parent", &recorder_);
    ASSERT_TRUE(parent->Load(Parse(parentDoc, R"(<effect type="x" start="10" speed="2"/>)")));
    auto child = std::make_unique<RecordingEffect>("child", &recorder_);
    ASSERT_TRUE(child->Load(Parse(childDoc, R"(<effect type="x" start="1"/>)")));
    parent->AddChild(std::move(child));

    recorder_.renders.clear();
    parent->Update(10.49, *chain_);
    ASSERT_EQ(recorder_.renders.size(), 1u) << "the child starts at parent local time 1";

    recorder_.renders.clear();
    parent->Update(10.5, *chain_);
    ASSERT_EQ(recorder_.renders.size(), 2u);
    EXPECT_EQ(recorder_.renders[0].first, "parent");
    EXPECT_EQ(recorder_.renders[1].first, "child");
    EXPECT_EQ(recorder_.renders[1].second, 0.0);
}

TEST_F(EffectTree, InactiveParentSilencesItsChildren) {
    pugi::xml_document parentDoc, childDoc;
    auto parent = std::make_unique<RecordingEffect>("parent", &recorder_);
    ASSERT_TRUE(parent->Load(Parse(parentDoc, R"(<effect type="x" active="0"/>)")));
    auto child = std::make_unique<RecordingEffect>("child", &recorder_);
    ASSERT_TRUE(child->Load(Parse(childDoc, R"(<effect type="x"/>)")));
    parent->AddChild(std::move(child));
    recorder_.renders.clear();
    parent->Update(1.0, *chain_);
    EXPECT_TRUE(recorder_.renders.empty());
}

TEST_F(EffectTree, ToggleKeyInvertsActive) {
    pugi::xml_document doc;
    RecordingEffect effect("e", &recorder_);
    ASSERT_TRUE(effect.Load(Parse(doc, R"(<effect type="x" active="no" activeToggleKey="3"/>)")));
    EXPECT_FALSE(RunsAt(effect, 1.0));
    gToggleKeyStates[3] = false;
    EXPECT_TRUE(RunsAt(effect, 1.0));
    gToggleKeyStates[3] = true;
    EXPECT_FALSE(RunsAt(effect, 1.0));
}

TEST_F(EffectTree, ActiveAttributeReadsItsFirstCharacter) {
    const char* yes[] = {"1", "true", "True", "yes", "Y"};
    const char* no[] = {"0", "false", "no", "", "off"};
    for (const char* value : yes) {
        pugi::xml_document doc;
        RecordingEffect effect("e", &recorder_);
        std::string xml = std::string(R"(<effect type="x" active=")") + value + R"("/>)";
        ASSERT_TRUE(effect.Load(Parse(doc, xml.c_str())));
        EXPECT_TRUE(effect.GetActive()) << value;
    }
    for (const char* value : no) {
        pugi::xml_document doc;
        RecordingEffect effect("e", &recorder_);
        std::string xml = std::string(R"(<effect type="x" active=")") + value + R"("/>)";
        ASSERT_TRUE(effect.Load(Parse(doc, xml.c_str())));
        EXPECT_FALSE(effect.GetActive()) << value;
    }
}

TEST_F(EffectTree, ToggleKeysOutsideTheDigitsAreIgnored) {
    LogCapture log;
    for (const char* key : {"10", "12", "-2", "0x7fffffff", "-2147483648"}) {
        pugi::xml_document doc;
        RecordingEffect effect("e", &recorder_);
        std::string xml = std::string(R"(<effect type="x" activeToggleKey=")") + key + R"("/>)";
        ASSERT_TRUE(effect.Load(Parse(doc, xml.c_str())));
        gToggleKeyStates.fill(false);
        EXPECT_TRUE(RunsAt(effect, 1.0)) << "key " << key << " addresses no toggle state";
        gToggleKeyStates.fill(true);
    }
    EXPECT_EQ(log.CountContaining("Ignoring activeToggleKey"), 5);
}

TEST(EffectFactory, TypeNamesAreExactAndUnknownTypesStopTheLoad) {
    LogCapture log;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<demo>
        <effect type="CLS"/>
        <effect type="bloom"/>
        <effect type="CLS"/>
    </demo>)"));
    Effects::EffectList list;
    EXPECT_FALSE(Effects::Effect::LoadEffects(doc.child("demo"), list));
    EXPECT_EQ(list.size(), 1u) << "effects created before the failure stay in the list";
    EXPECT_EQ(log.Count("Unknown effect type 'bloom'"), 1);

    EXPECT_EQ(Effects::CreateEffect(""), nullptr);
    for (const char* type : {"Bloom", "Blur", "Boxes", "BoxLine", "CameraScene", "City", "CLS", "Connections",
                             "Crosses", "BallSwarm", "Floaters", "Flyers", "FullScreenShader",
                             "FullScreenShaderEffect", "HSL", "LightScene", "Lut3D", "RenderTarget",
                             "RepeatingModels", "RGBSplit", "Shader3D", "Strands", "ThreeDeeTest"}) {
        EXPECT_NE(Effects::CreateEffect(type), nullptr) << type;
    }
}

TEST(EffectFactory, FailedLoadsAreReportedAtEveryLevel) {
    LogCapture log;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<demo>
        <effect type="RenderTarget"><effect type="City"><param key="p" type="float"/></effect></effect>
    </demo>)"));
    Effects::EffectList list;
    EXPECT_FALSE(Effects::Effect::LoadEffects(doc.child("demo"), list));
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(log.CountContaining("Failed to load effect"), 2);
    std::vector<std::string> failures;
    for (const auto& e : log.Entries()) {
        if (e.message.rfind("Failed to load effect", 0) == 0) failures.push_back(e.message);
    }
    EXPECT_EQ(failures[0], "Failed to load effect 'City'") << "innermost first";
    EXPECT_EQ(failures[1], "Failed to load effect 'RenderTarget'");
}

TEST(EffectProgress, FourEffectsReportEqualShares) {
    Recorder recorder;
    Effects::EffectList list;
    for (int i = 0; i < 4; ++i) list.push_back(std::make_unique<RecordingEffect>("e", &recorder));
    std::vector<float> progress;
    ASSERT_TRUE(Effects::Effect::InitEffects(list, [&](float p) { progress.push_back(p); }));
    std::vector<float> expected = {0.0f, 0.0f, 0.25f, 0.25f, 0.5f, 0.5f, 0.75f, 0.75f, 1.0f, 1.0f};
    EXPECT_EQ(progress, expected);
}

TEST(EffectProgress, ChildrenShareTheirParentsRange) {
    Recorder recorder;
    auto parent = std::make_unique<RecordingEffect>("p", &recorder);
    for (int i = 0; i < 3; ++i) parent->AddChild(std::make_unique<RecordingEffect>("c", &recorder));
    std::vector<float> progress;
    ASSERT_TRUE(parent->Init(0.5f, 1.0f, [&](float p) { progress.push_back(p); }));
    ASSERT_EQ(progress.size(), 8u);
    EXPECT_EQ(progress[0], 0.5f);
    EXPECT_FLOAT_EQ(progress[2], 0.5f + 1.0f / 3.0f * 0.5f);
    EXPECT_EQ(progress[7], 1.0f);
}
