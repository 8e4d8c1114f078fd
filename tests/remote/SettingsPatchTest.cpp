// Sparse changes of the settings document: merging, telling the difference,
// and a client's patch of the current settings as the settings reader checks it.
#include "remote/SettingsPatch.h"

#include "protocol/ParameterImage.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonValue Parse(const char* json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

std::string Text(const QJsonValue& value)
{
    if (value.isUndefined())
        return "undefined";
    return (value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject()))
        .toJson(QJsonDocument::Compact)
        .toStdString();
}

struct MergeCase {
    const char* target;
    const char* patch;
    const char* merged;
};

const MergeCase kMergeCases[] = {
    {R"({"a":1,"b":2})", R"({"b":3})", R"({"a":1,"b":3})"},
    {R"({"a":1,"b":2})", R"({"b":null})", R"({"a":1})"},
    {R"({"a":[{"x":1},{"x":2},{"x":3}]})", R"({"a":[{},{"x":5}]})", R"({"a":[{"x":1},{"x":5},{"x":3}]})"},
    {R"({"a":["p","q"]})", R"({"a":[{},"r"]})", R"({"a":["p","r"]})"},
    {R"({"a":[1]})", R"({"a":[{},2]})", R"({"a":[1,2]})"},
    {R"({"a":{"b":{"c":1,"d":2}}})", R"({"a":{"b":{"d":4}}})", R"({"a":{"b":{"c":1,"d":4}}})"},
    {R"({"a":1})", R"({"a":{"b":1}})", R"({"a":{"b":1}})"},
};

TEST(SettingsPatch, MergesObjectsKeyByKeyAndArraysEntryByEntry)
{
    for (const MergeCase& c : kMergeCases)
        EXPECT_EQ(Text(MergePatch(Parse(c.target), Parse(c.patch))), Text(Parse(c.merged))) << c.patch;
}

TEST(SettingsPatch, TheDifferenceMergedIntoTheOldGivesTheNew)
{
    const MergeCase cases[] = {
        {R"({"a":1,"b":2})", R"({"a":1,"b":3})", R"({"b":3})"},
        {R"({"a":1,"b":2})", R"({"a":1})", R"({"b":null})"},
        {R"({"a":[{"x":1},{"x":2},{"x":3}]})", R"({"a":[{"x":1},{"x":5},{"x":3}]})", R"({"a":[{},{"x":5}]})"},
        {R"({"c":[1,2,3]})", R"({"c":[1,2,4]})", R"({"c":[{},{},4]})"},
        {R"({"c":[1,2,3]})", R"({"c":[1,2]})", R"({"c":[1,2]})"},
    };
    for (const MergeCase& c : cases) {
        const QJsonValue diff = DiffPatch(Parse(c.target), Parse(c.patch));
        EXPECT_EQ(Text(diff), Text(Parse(c.merged))) << c.patch;
    }
    EXPECT_TRUE(DiffPatch(Parse(R"({"a":[1,{"b":2}]})"), Parse(R"({"a":[1,{"b":2}]})")).isUndefined());
    const QJsonValue from = Parse(R"({"a":[{"x":1},{"x":2}],"b":{"c":true},"d":"e"})");
    const QJsonValue to = Parse(R"({"a":[{"x":1},{"x":7}],"b":{"c":false},"f":1})");
    EXPECT_EQ(Text(MergePatch(from, DiffPatch(from, to))), Text(to));
}

class CurrentPatch : public testing::Test {
protected:
    void SetUp() override
    {
        m_now.channels = {DefaultChannelBlock(), DefaultChannelBlock()};
        m_current.channels = m_now.channels;
    }

    bool Apply(const char* patch)
    {
        return ApplySettingsPatch(m_now, m_current, Parse(patch).toObject(), m_out, m_error);
    }

    UnitSettings m_now;
    CurrentSettings m_current;
    UnitSettings m_out;
    SettingsError m_error;
};

TEST_F(CurrentPatch, ChangesOnlyWhatItNames)
{
    ASSERT_TRUE(Apply(R"({"channels":[{"gainDb":-20},{"bands":[{},{},{"gainDb":3,"widthOctaves":1}]}],"panelLock":"firstLevel"})"))
        << m_error.Text().toStdString();
    UnitSettings expected = m_now;
    expected.channels[0].gain.Set(60);
    expected.channels[1].bands[2].gainCode.Set(150);
    expected.channels[1].bands[2].bwCode.Set(95);
    expected.globals.panelLock = 1;
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(std::memcmp(BlockBytes(m_out.channels[c]), BlockBytes(expected.channels[c]), sizeof(ChannelBlock)), 0) << c;
    EXPECT_EQ(m_out.globals.panelLock, 1);
    EXPECT_EQ(m_out.restoreGains, m_now.restoreGains);
}

TEST_F(CurrentPatch, ABandGainNeedsNoPeqBypassOfItsOwn)
{
    // all bands flat: the document says the bypass is engaged; the patch's gain releases it
    m_now.restoreGains[0].fill(130);
    m_current.restoreGains[0] = m_now.restoreGains[0];
    ASSERT_TRUE(Apply(R"({"channels":[{"bands":[{"gainDb":-3}]}]})")) << m_error.Text().toStdString();
    EXPECT_EQ(m_out.channels[0].bands[0].gainCode.Get(), 90);
    EXPECT_EQ(m_out.restoreGains[0], m_now.restoreGains[0]);   // what the bypass gives back stays
}

TEST_F(CurrentPatch, IsRefusedAsTheReaderRefusesAFile)
{
    struct Case {
        const char* patch;
        const char* path;
        const char* error;
    };
    const Case cases[] = {
        {R"({"channels":[{"gainDb":11}]})", "current.channels[0].gainDb", "current.channels[0].gainDb: 11 is outside -80..10"},
        {R"({"channels":[{},{"bands":[{},{"frequencyHz":30000}]}]})", "current.channels[1].bands[1].frequencyHz",
         "current.channels[1].bands[1].frequencyHz: 30000 is outside 20..20000"},
        {R"({"channels":[{"channel":"CH B"}]})", "current.channels[0].channel",
         "current.channels[0].channel: expected \"CH A\", found \"CH B\""},
        {R"({"volume":3})", "current.volume", "current.volume: unknown field"},
        {R"({"channels":[{},{},{}]})", "current.channels", "current.channels: expected 2 entries, found 3"},
        {R"({"channels":[{"peqBypass":true,"bands":[{"gainDb":1}]}]})", "current.channels[0].peqBypass",
         "current.channels[0].peqBypass: true, but not all 12 band gains are 0 dB"},
        {R"({"channels":[{"mute":null}]})", "current.channels[0].mute", "current.channels[0].mute: missing"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Apply(c.patch)) << c.patch;
        EXPECT_EQ(m_error.path.toStdString(), c.path) << c.patch;
        EXPECT_EQ(m_error.Text().toStdString(), c.error) << c.patch;
    }
}

}  // namespace
