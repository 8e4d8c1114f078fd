// The settings file: byte-exact round trips, the pinned JSON shape, every kind of
// refused file with its exact reason, the image on apply and capture, and the
// save through a temporary file.
#include "ui/settings/SettingsFile.h"

#include "UnitFixture.h"

#include "model/Filter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;
constexpr std::size_t kNotchClearByte = offsetof(ChannelBlock, notchClear);

QDateTime SampleTime()
{
    return QDateTime(QDate(2024, 5, 1), QTime(12, 30, 5), QTimeZone::utc());
}

UnitIdentity SampleUnit()
{
    return UnitIdentity{0x0483, 0x5750, 0x0200};
}

std::array<QString, kUserPresetCount> InitialNames()
{
    std::array<QString, kUserPresetCount> names;
    for (int n = 1; n <= kUserPresetCount; ++n)
        names[n - 1] = QStringLiteral(" USER %1").arg(n).leftJustified(12);
    return names;
}

SettingsFile BareSettings()
{
    SettingsFile settings;
    settings.programVersion = QStringLiteral("2.0.3");
    settings.unit = SampleUnit();
    settings.writtenUtc = SampleTime();
    settings.presetNames = InitialNames();
    return settings;
}

void SetBand(BandParams& band, int type, int freqHz, int gainCode, int bwCode, int slope)
{
    band.type = static_cast<std::uint8_t>(type);
    band.freqHz.Set(static_cast<std::int16_t>(freqHz));
    band.gainCode.Set(static_cast<std::int16_t>(gainCode));
    band.bwCode.Set(static_cast<std::int16_t>(bwCode));
    band.slope = static_cast<std::uint8_t>(slope);
}

// Every field away from its default and inside its defined range; the unused
// bytes all set; seed makes the blocks of different channels and presets differ.
ChannelBlock InRangeBlock(int seed)
{
    ChannelBlock block = DefaultChannelBlock();
    block.reserved0.Set(static_cast<std::int16_t>(-1234 + seed));
    block.gain.Set(static_cast<std::int16_t>(3 + seed % 80));
    block.mute = 1;
    block.unused5 = 0xA5;
    block.freqShift = static_cast<std::uint8_t>(1 + seed % 4);
    block.unused7 = 0x77;
    block.gateThreshold = static_cast<std::uint8_t>(70 - seed % 69);
    for (int i = 0; i < 7; ++i)
        block.unused9[i] = static_cast<std::uint8_t>(0x90 + i + seed);
    block.compThreshold = static_cast<std::uint8_t>(58 - seed % 58);
    block.compAttack = static_cast<std::uint8_t>(95 - seed % 95);
    block.compRelease = static_cast<std::uint8_t>(1 + seed % 5);
    block.compRatio = static_cast<std::uint8_t>(126 - seed % 126);
    for (int i = 0; i < 4; ++i)
        block.unused20[i] = static_cast<std::uint8_t>(0xF0 + i);
    SetBand(block.bands[0], FILTER_LOW_SHELF, kMinFreqHz, kMinGainCode, kMaxBwCode, kSlope12dBPerOct);
    SetBand(block.bands[1], FILTER_HIGH_SHELF, kMaxFreqHz, kMaxGainCode, kMinBwCode, kSlope6dBPerOct);
    for (int k = 2; k < kBandCount; ++k)
        SetBand(block.bands[k], FILTER_PEAK, 1000 + 37 * k + seed, 121 + k + seed % 50, 33 + k, kSlope12dBPerOct);
    block.notchClear = 1;
    block.detectSpeed = static_cast<std::uint8_t>(1 + seed % 2);
    block.unused122 = 0x7A;
    block.staticNotchCount = static_cast<std::uint8_t>(1 + seed % 8);
    block.unused124 = 0x7C;
    block.notchBypass = 1;
    block.notches[0].aux.Set(static_cast<std::int16_t>(-32768 + seed));
    for (int i = 0; i < kNotchCount; ++i)
        block.notches[i].freqHz.Set(static_cast<std::int16_t>(500 + i));
    return block;
}

// Codes only a unit sends: each field outside its defined values.
ChannelBlock RawCodeBlock(std::uint8_t detectSpeed)
{
    ChannelBlock block = InRangeBlock(7);
    block.gain.Set(95);
    block.mute = 3;
    block.freqShift = 9;
    block.gateThreshold = 200;
    block.compThreshold = 60;
    block.compAttack = 96;
    block.compRelease = 7;
    block.compRatio = 255;
    SetBand(block.bands[2], 5, 19, -1, 296, 9);
    SetBand(block.bands[3], FILTER_HIGH_PASS, 20001, 241, -32768, 2);
    SetBand(block.bands[4], FILTER_LOW_PASS, -5, 32767, 32767, 255);
    block.detectSpeed = detectSpeed;
    block.staticNotchCount = 9;
    block.notchBypass = 2;
    return block;
}

ChannelPair PairWithSpeed(ChannelBlock a, ChannelBlock b)
{
    b.detectSpeed = a.detectSpeed;
    return ChannelPair{a, b};
}

BandGainCodes Gains(std::initializer_list<std::int16_t> codes)
{
    BandGainCodes gains{};
    std::copy(codes.begin(), codes.end(), gains.begin());
    return gains;
}

void Flatten(ChannelBlock& block)
{
    for (BandParams& band : block.bands)
        band.gainCode.Set(kFlatGainCode);
}

SettingsFile DefaultSettings()
{
    SettingsFile settings = BareSettings();
    CurrentSettings current;
    current.channels = ChannelPair{DefaultChannelBlock(), DefaultChannelBlock()};
    current.restoreGains[0] = BandGainCodes{};
    current.restoreGains[1] = BandGainCodes{};
    settings.current = current;
    return settings;
}

SettingsFile InRangeSettings()
{
    SettingsFile settings = BareSettings();
    settings.presetNames[2] = QStringLiteral("中文预设");
    settings.presetNames[4] = QStringLiteral("ABCDEFGHIJKLMNO");
    settings.presetNames[6] = QString();
    settings.presetNames[7] = QStringLiteral("A中文中文中文中");
    CurrentSettings current;
    current.channels = PairWithSpeed(InRangeBlock(1), InRangeBlock(2));
    Flatten(current.channels[0]);
    current.restoreGains[0] = Gains({0, 1, 119, 121, 240, 60, 70, 80, 90, 100, 110, 130});
    current.globals = GlobalItems{2, 2, 1};
    settings.current = current;
    std::array<ChannelPair, kUserPresetCount> presets;
    for (int i = 0; i < kUserPresetCount; ++i)
        presets[i] = PairWithSpeed(InRangeBlock(10 + 2 * i), InRangeBlock(11 + 2 * i));
    Flatten(presets[5][1]);
    settings.presets = presets;
    return settings;
}

SettingsFile RawCodeSettings()
{
    SettingsFile settings = BareSettings();
    CurrentSettings current;
    current.channels = PairWithSpeed(RawCodeBlock(6), RawCodeBlock(6));
    Flatten(current.channels[1]);
    current.restoreGains[1] = Gains({-1, 241, 32767, -32768, 120, 120, 120, 120, 120, 120, 120, 300});
    current.globals = GlobalItems{7, 1, 5};
    settings.current = current;
    std::array<ChannelPair, kUserPresetCount> presets;
    for (int i = 0; i < kUserPresetCount; ++i)
        presets[i] = PairWithSpeed(RawCodeBlock(static_cast<std::uint8_t>(3 + i)), InRangeBlock(i));
    settings.presets = presets;
    return settings;
}

testing::AssertionResult SameGroupBytes(const ChannelBlock& expected, const ChannelBlock& actual)
{
    const std::uint8_t* e = BlockBytes(expected);
    const std::uint8_t* a = BlockBytes(actual);
    for (std::size_t i = 0; i < kGroupBytes; ++i) {
        if (i != kNotchClearByte && e[i] != a[i])
            return testing::AssertionFailure() << "byte " << i << ": expected " << int(e[i]) << ", got " << int(a[i]);
    }
    if (a[kNotchClearByte] != 0)
        return testing::AssertionFailure() << "notchClear is " << int(a[kNotchClearByte]);
    return testing::AssertionSuccess();
}

testing::AssertionResult SamePair(const ChannelPair& expected, const ChannelPair& actual)
{
    for (int c = 0; c < kChannelCount; ++c) {
        const testing::AssertionResult same = SameGroupBytes(expected[c], actual[c]);
        if (!same)
            return testing::AssertionFailure() << "channel " << c << ", " << same.message();
    }
    return testing::AssertionSuccess();
}

void ExpectSameSettings(const SettingsFile& expected, const SettingsFile& actual)
{
    EXPECT_EQ(actual.programVersion, expected.programVersion);
    EXPECT_EQ(actual.unit.vendorId, expected.unit.vendorId);
    EXPECT_EQ(actual.unit.productId, expected.unit.productId);
    EXPECT_EQ(actual.unit.version, expected.unit.version);
    EXPECT_EQ(actual.writtenUtc, expected.writtenUtc);
    EXPECT_EQ(actual.presetNames, expected.presetNames);
    ASSERT_EQ(actual.current.has_value(), expected.current.has_value());
    if (expected.current) {
        EXPECT_TRUE(SamePair(expected.current->channels, actual.current->channels));
        EXPECT_EQ(actual.current->restoreGains, expected.current->restoreGains);
        EXPECT_EQ(actual.current->globals.panelLock, expected.current->globals.panelLock);
        EXPECT_EQ(actual.current->globals.channelLink, expected.current->globals.channelLink);
        EXPECT_EQ(actual.current->globals.language, expected.current->globals.language);
    }
    ASSERT_EQ(actual.presets.has_value(), expected.presets.has_value());
    for (int i = 0; expected.presets && i < kUserPresetCount; ++i)
        EXPECT_TRUE(SamePair((*expected.presets)[i], (*actual.presets)[i])) << "preset " << i + 1;
}

struct RoundTripCase {
    const char* name;
    SettingsFile (*make)();
};

void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsFileRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(SettingsFileRoundTrip, ReadsBackEveryByteOfEveryGroup)
{
    const SettingsFile written = GetParam().make();
    SettingsFile read;
    SettingsError error;
    ASSERT_TRUE(SettingsFromJson(SettingsToJson(written), read, error)) << error.Text().toStdString();
    ExpectSameSettings(written, read);
}

TEST_P(SettingsFileRoundTrip, WritesTheSameDocumentAgain)
{
    const QByteArray first = SettingsToJson(GetParam().make());
    SettingsFile read;
    SettingsError error;
    ASSERT_TRUE(SettingsFromJson(first, read, error)) << error.Text().toStdString();
    EXPECT_EQ(SettingsToJson(read), first);
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsFileRoundTrip,
                         testing::Values(RoundTripCase{"Defaults", DefaultSettings},
                                         RoundTripCase{"InRange", InRangeSettings},
                                         RoundTripCase{"RawCodes", RawCodeSettings},
                                         RoundTripCase{"NamesOnly", BareSettings}),
                         [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(SettingsFileKept, ChannelBKeepsChannelASpeedAndNoNotchState)
{
    ChannelBlock a = InRangeBlock(1);
    ChannelBlock b = InRangeBlock(2);
    a.detectSpeed = 2;
    b.detectSpeed = 0;
    const ChannelPair kept = KeptChannelBlocks(a, b);
    EXPECT_EQ(kept[0].detectSpeed, 2);
    EXPECT_EQ(kept[1].detectSpeed, 2);
    EXPECT_EQ(kept[0].notchClear, 0);
    EXPECT_EQ(kept[1].notches[0].aux.Get(), b.notches[0].aux.Get());
    EXPECT_EQ(kept[1].notches[0].freqHz.Get(), kNoNotchFreqHz);
    EXPECT_EQ(kept[1].notches[11].freqHz.Get(), kNoNotchFreqHz);
    EXPECT_EQ(std::memcmp(BlockBytes(kept[1]), BlockBytes(b), kNotchClearByte), 0);
}

// ---- the JSON shape ----

QJsonObject Root(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

std::string Compact(const QJsonValue& value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return document.toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject Without(QJsonObject object, const char* key)
{
    object.remove(QLatin1String(key));
    return object;
}

SettingsFile ShapeSettings()
{
    SettingsFile settings = DefaultSettings();
    ChannelBlock& a = settings.current->channels[0];
    a.gain.Set(74);
    a.mute = 1;
    a.freqShift = 2;
    a.gateThreshold = 0;
    a.compThreshold = 30;
    a.compAttack = 15;
    a.compRelease = 4;
    a.compRatio = 127;
    a.staticNotchCount = 3;
    a.notchBypass = 1;
    a.unused124 = 9;
    a.notches[0].aux.Set(-2);
    SetBand(a.bands[0], FILTER_LOW_SHELF, 80, 95, 32, kSlope12dBPerOct);
    SetBand(a.bands[1], 5, 19, 125, 0, 7);
    settings.current->restoreGains[0].reset();
    settings.current->globals = GlobalItems{1, 2, 1};
    return settings;
}

TEST(SettingsFileShape, PinsTheDocument)
{
    const QJsonObject root = Root(SettingsToJson(ShapeSettings()));
    const QJsonObject current = root.value(QStringLiteral("current")).toObject();
    const QJsonArray channels = current.value(QStringLiteral("channels")).toArray();
    const QJsonObject chA = channels.at(0).toObject();
    const QJsonArray bands = chA.value(QStringLiteral("bands")).toArray();

    EXPECT_EQ(Compact(Without(Without(root, "current"), "presetNames")),
              R"({"format":"quenda-settings","formatVersion":1,"programVersion":"2.0.3",)"
              R"("unit":{"productId":"0x5750","vendorId":"0x0483","version":"0x0200"},)"
              R"("written":"2024-05-01T12:30:05Z"})");
    EXPECT_EQ(root.value(QStringLiteral("presetNames")).toArray().at(0).toString(), QStringLiteral(" USER 1     "));
    EXPECT_EQ(Compact(Without(current, "channels")),
              R"({"channelsLinked":true,"detectionSpeed":"fast","language":"chinese","panelLock":"firstLevel"})");
    EXPECT_EQ(Compact(Without(chA, "bands")),
              R"({"channel":"CH A",)"
              R"("compressor":{"attackMs":20,"ratio":"inf","releaseTimesAttack":16,"thresholdDb":-10},)"
              R"("frequencyShiftHz":4,"gainDb":-6,"mute":true,"noiseGateDb":"off","notchBypass":true,)"
              R"("peqBypass":false,)"
              R"("staticNotchCount":3,"uninterpreted":{"byte005":0,"byte007":0,"byte009":0,"byte010":0,)"
              R"("byte011":0,"byte012":0,"byte013":0,"byte014":0,"byte015":0,"byte020":0,"byte021":0,)"
              R"("byte022":0,"byte023":0,"byte122":0,"byte124":9,"notch0Aux":-2,"reserved0":80}})");
    EXPECT_EQ(Compact(bands.at(0)),
              R"({"frequencyHz":80,"gainDb":-2.5,"slope":"12dB/Oct","type":"lowShelf","widthOctaves":0.37})");
    EXPECT_EQ(Compact(bands.at(1)),
              R"({"frequencyHz":{"code":19},"gainDb":0.5,"slope":{"code":7},"type":{"code":5},"widthOctaves":0.05})");
    EXPECT_EQ(Compact(bands.at(2)),
              R"({"frequencyHz":100,"gainDb":0,"slope":"6dB/Oct","type":"peak","widthOctaves":0.37})");
    EXPECT_EQ(Compact(channels.at(1).toObject().value(QStringLiteral("peqBypassRestoreGainsDb"))),
              "[-12,-12,-12,-12,-12,-12,-12,-12,-12,-12,-12,-12]");
    EXPECT_EQ(channels.at(1).toObject().value(QStringLiteral("peqBypass")), QJsonValue(true));
    EXPECT_FALSE(root.contains(QStringLiteral("presets")));
}

TEST(SettingsFileShape, PresetsCarryNumberNameAndNoRestoreGains)
{
    const QJsonObject root = Root(SettingsToJson(InRangeSettings()));
    const QJsonArray presets = root.value(QStringLiteral("presets")).toArray();
    ASSERT_EQ(presets.size(), kUserPresetCount);
    const QJsonObject third = presets.at(2).toObject();
    EXPECT_EQ(Compact(Without(third, "channels")), R"({"detectionSpeed":"default","name":"中文预设","number":3})");
    const QJsonObject sixthB = presets.at(5).toObject().value(QStringLiteral("channels")).toArray().at(1).toObject();
    EXPECT_EQ(sixthB.value(QStringLiteral("peqBypass")), QJsonValue(true));
    EXPECT_FALSE(sixthB.contains(QStringLiteral("peqBypassRestoreGainsDb")));
}

TEST(SettingsFileShape, TakesTheTimeOfWritingWhenNoneIsGiven)
{
    SettingsFile settings = BareSettings();
    settings.writtenUtc = QDateTime();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const QDateTime written = QDateTime::fromString(
        Root(SettingsToJson(settings)).value(QStringLiteral("written")).toString(), Qt::ISODate);
    EXPECT_EQ(written.timeSpec(), Qt::UTC);
    EXPECT_GE(written, before);
    EXPECT_LE(written, QDateTime::currentDateTimeUtc());
}

// ---- refused files ----

// One step of a path such as "current.channels[1].bands[3].gainDb".
struct Step {
    QString key;
    int index = -1;
};

std::vector<Step> Steps(const QString& path)
{
    std::vector<Step> steps;
    for (const QString& part : path.split(u'.')) {
        const qsizetype bracket = part.indexOf(u'[');
        steps.push_back({bracket < 0 ? part : part.left(bracket)});
        for (qsizetype at = bracket; at >= 0; at = part.indexOf(u'[', at + 1))
            steps.push_back({QString(), part.mid(at + 1, part.indexOf(u']', at) - at - 1).toInt()});
    }
    return steps;
}

// node with the value at steps[i..] replaced, or removed when value is undefined.
QJsonValue Edited(const QJsonValue& node, const std::vector<Step>& steps, std::size_t i, const QJsonValue& value)
{
    if (i == steps.size())
        return value;
    const Step& step = steps[i];
    if (step.index >= 0) {
        QJsonArray array = node.toArray();
        if (i + 1 == steps.size() && value.isUndefined())
            array.removeAt(step.index);
        else
            array[step.index] = Edited(array.at(step.index), steps, i + 1, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (i + 1 == steps.size() && value.isUndefined())
        object.remove(step.key);
    else
        object.insert(step.key, Edited(object.value(step.key), steps, i + 1, value));
    return object;
}

QJsonValue ParseValue(const char* json)
{
    return QJsonDocument::fromJson(QByteArray("[") + json + "]").array().at(0);
}

struct BadCase {
    const char* field;    // what to change; null: the document is `value` itself
    const char* value;    // JSON text; null removes the field
    const char* path;     // of the error; null: the field changed
    const char* reason;   // in English
};

void PrintTo(const BadCase& c, std::ostream* os)
{
    *os << (c.field ? c.field : "document") << " = " << (c.value ? c.value : "(removed)");
}

QByteArray BadDocument(const BadCase& c)
{
    if (!c.field)
        return QByteArray(c.value);
    const QJsonValue value = c.value ? ParseValue(c.value) : QJsonValue(QJsonValue::Undefined);
    const QJsonValue root = QJsonDocument::fromJson(SettingsToJson(InRangeSettings())).object();
    return QJsonDocument(Edited(root, Steps(QString::fromUtf8(c.field)), 0, value).toObject()).toJson();
}

class SettingsFileRefusal : public UnitFixture, public testing::WithParamInterface<BadCase> {};

TEST_P(SettingsFileRefusal, NamesTheFieldAndLeavesEverythingAsItWas)
{
    const BadCase& c = GetParam();
    SettingsFile out = RawCodeSettings();
    const QByteArray before = SettingsToJson(out);
    ChannelBlock blocks[kChannelCount];
    std::memcpy(blocks, Image().channels, sizeof blocks);
    const PresetNameTable names = Image().names;

    SettingsError error;
    EXPECT_FALSE(SettingsFromJson(BadDocument(c), out, error));
    EXPECT_EQ(error.path.toStdString(), c.path ? c.path : c.field);
    EXPECT_EQ(error.reason.toStdString(), c.reason);
    SetCurrentLanguage(kChinese);
    SettingsError chinese;
    EXPECT_FALSE(SettingsFromJson(BadDocument(c), out, chinese));
    EXPECT_EQ(chinese.path, error.path);
    EXPECT_FALSE(chinese.reason.isEmpty());
    EXPECT_NE(chinese.reason, error.reason);   // every reason has its translation
    EXPECT_EQ(SettingsToJson(out), before);
    EXPECT_EQ(std::memcmp(blocks, Image().channels, sizeof blocks), 0);
    EXPECT_EQ(std::memcmp(&names, &Image().names, sizeof names), 0);
}

std::vector<BadCase> BadCases()
{
    return {
        {nullptr, R"({"format": "quenda-settings", "formatVersion": 1,)", "",
         "not valid JSON: unterminated object at offset 49"},
        {nullptr, "", "", "not valid JSON: illegal value at offset 0"},
        {nullptr, "[1, 2]", "", "expected an object, found an array"},
        {"format", R"("other-settings")", nullptr, R"(expected "quenda-settings", found "other-settings")"},
        {"format", nullptr, nullptr, "missing"},
        {"formatVersion", "2", nullptr, "version 2 is not supported (this program reads version 1)"},
        {"formatVersion", R"("1")", nullptr, R"(expected a number, found "1")"},
        {"programVersion", "203", nullptr, "expected a string, found 203"},
        {"unit.vendorId", R"("1155")", nullptr, R"("1155" is not a hexadecimal word such as "0x0483")"},
        {"unit.version", R"("0x02g0")", nullptr, R"("0x02g0" is not a hexadecimal word such as "0x0483")"},
        {"written", R"("yesterday")", nullptr,
         R"("yesterday" is not an ISO 8601 date and time in the years 1..9999 (UTC))"},
        {"written", R"("9999-12-31T23:30:00-01:00")", nullptr,
         R"("9999-12-31T23:30:00-01:00" is not an ISO 8601 date and time in the years 1..9999 (UTC))"},
        {"Current", "{}", nullptr, "unknown field"},
        {"current.channels[0].gainDb", "11", nullptr, "11 is outside -80..10"},
        {"current.channels[0].gainDb", "-81", nullptr, "-81 is outside -80..10"},
        {"current.channels[0].gainDb", "5.5", nullptr, "5.5 is not a whole number"},
        {"current.channels[0].gainDb", "null", nullptr, "expected a number, found null"},
        {"current.channels[0].mute", R"("yes")", nullptr, R"(expected true or false, found "yes")"},
        {"current.channels[0].mute", nullptr, nullptr, "missing"},
        {"current.channels[0].frequencyShiftHz", "3", nullptr, "3 is not a multiple of 2"},
        {"current.channels[0].frequencyShiftHz", "10", nullptr, "10 is outside 2..8"},
        {"current.channels[0].noiseGateDb", R"("of")", nullptr, R"(expected a number or "off", found "of")"},
        {"current.channels[0].noiseGateDb", "-29", nullptr, "-29 is outside -99..-30"},
        {"current.channels[0].compressor.releaseTimesAttack", "5", nullptr, "5 is not one of 2, 4, 6, 8, 16, 32"},
        {"current.channels[0].compressor.thresholdDb", "19", nullptr, "19 is outside -40..18"},
        {"current.channels[0].compressor", "[]", nullptr, "expected an object, found an array"},
        {"current.channels[0].uninterpreted.byte122", nullptr, nullptr, "missing"},
        {"current.channels[0].uninterpreted.byte122", "256", nullptr, "256 is outside 0..255"},
        {"current.channels[0].gainDB", "0", nullptr, "unknown field"},
        {"current.channels[0].compressor.knee", "0", nullptr, "unknown field"},
        {"current.channels[0].bands", "[]", nullptr, "expected 12 entries, found 0"},
        {"current.channels", "[{}]", nullptr, "expected 2 entries, found 1"},
        {"current.channels[0].channel", R"("CH B")", nullptr, R"(expected "CH A", found "CH B")"},
        {"current.channels[1].bands[3].frequencyHz", "30000", nullptr, "30000 is outside 20..20000"},
        {"current.channels[1].bands[3].widthOctaves", "3.5", nullptr, "3.5 is outside 0.05..3.00"},
        {"current.channels[1].bands[3].widthOctaves", "0.375", nullptr, "0.375 is not a multiple of 0.01"},
        {"current.channels[1].bands[3].gainDb", "0.05", nullptr, "0.05 is not a multiple of 0.1"},
        {"current.channels[1].bands[3].gainDb", "12.1", nullptr, "12.1 is outside -12.0..12.0"},
        {"current.channels[1].bands[3].type", R"("bandPass")", nullptr,
         R"("bandPass" is not one of "peak", "lowShelf", "highShelf")"},
        {"current.channels[1].bands[3].slope", "12", nullptr, R"(expected "6dB/Oct" or "12dB/Oct", found 12)"},
        {"current.channels[0].mute", R"({"code": 256})", "current.channels[0].mute.code", "256 is outside 0..255"},
        {"current.channels[0].mute", R"({"code": "1"})", "current.channels[0].mute.code",
         R"(expected a number, found "1")"},
        {"current.channels[0].mute", R"({"code": 1, "extra": 2})", "current.channels[0].mute.extra", "unknown field"},
        {"current.channels[0].mute", R"({})", "current.channels[0].mute.code", "missing"},
        {"current.detectionSpeed", R"("slowest")", nullptr,
         R"("slowest" is not one of "fast", "default", "slow")"},
        {"current.panelLock", "1", nullptr,
         R"(expected "unlocked" or "firstLevel" or "secondLevel", found 1)"},
        {"current.channels[0].peqBypass", "false", nullptr, "false, but all 12 band gains are 0 dB"},
        {"current.channels[1].peqBypass", "true", nullptr, "true, but not all 12 band gains are 0 dB"},
        {"current.channels[1].peqBypass", "1", nullptr, "expected true or false, found 1"},
        {"current.channels[1].peqBypassRestoreGainsDb", "[0,0,0,0,0,0,0,0,0,0,0,0]", nullptr,
         "present while peqBypass is false"},
        {"current.channels[0].peqBypassRestoreGainsDb", "[0]", nullptr, "expected 12 entries, found 1"},
        {"current.channels[0].peqBypassRestoreGainsDb[4]", "-12.5", nullptr, "-12.5 is outside -12.0..12.0"},
        {"presets[0].channels[0].peqBypassRestoreGainsDb", "[0,0,0,0,0,0,0,0,0,0,0,0]", nullptr, "unknown field"},
        {"presetNames[19]", nullptr, "presetNames", "expected 20 entries, found 19"},
        {"presetNames[2]", "\"A\xF0\x9F\x98\x80\"", nullptr,
         "\"A\xF0\x9F\x98\x80\" has characters that GBK cannot hold"},
        {"presetNames[2]", R"("ABCDEFGHIJKLMNOP")", nullptr,
         R"("ABCDEFGHIJKLMNOP" takes 16 GBK bytes, at most 15)"},
        {"presetNames[2]", R"("中文中文中文中文")", nullptr,
         R"("中文中文中文中文" takes 16 GBK bytes, at most 15)"},
        {"presetNames[2]", R"("A\u0001")", nullptr, R"("A\u0001" contains a control character)"},
        {"presetNames[2]", "7", nullptr, "expected a string, found 7"},
        {"presets[19]", nullptr, "presets", "expected 20 entries, found 19"},
        {"presets[4].number", "21", nullptr, "21 is outside 1..20"},
        {"presets[4].number", "0", nullptr, "0 is outside 1..20"},
        {"presets[4].number", R"({"code": 5})", nullptr, "expected a number, found an object"},
        {"presets[5].number", "3", nullptr, "preset 3 appears twice"},
        {"presets[0].name", R"("Other")", nullptr, R"("Other" differs from presetNames[0] " USER 1     ")"},
        {"presets[7].channels[1].bands[0].frequencyHz", "30000", nullptr,
         "30000 is outside 20..20000"},
    };
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFileRefusal, testing::ValuesIn(BadCases()));

// Refusals are worded in the interface language of the moment they happen.
class SettingsFileInLanguage : public testing::Test {
protected:
    void TearDown() override { SetCurrentLanguage(kEnglish); }
};

TEST_F(SettingsFileInLanguage, AReasonReadsInBothLanguages)
{
    SettingsFile out;
    const BadCase c{"current.channels[1].bands[3].frequencyHz", "30000", nullptr, ""};
    SettingsError english;
    ASSERT_FALSE(SettingsFromJson(BadDocument(c), out, english));
    EXPECT_EQ(english.Text().toStdString(), "current.channels[1].bands[3].frequencyHz: 30000 is outside 20..20000");
    SetCurrentLanguage(kChinese);
    SettingsError chinese;
    ASSERT_FALSE(SettingsFromJson(BadDocument(c), out, chinese));
    EXPECT_EQ(chinese.Text().toStdString(), "current.channels[1].bands[3].frequencyHz：30000 超出范围 20..20000");
}

struct ReasonCase {
    const char* document;
    const char* english;
    const char* chinese;
};

class SettingsFileReasonWording : public SettingsFileInLanguage, public testing::WithParamInterface<ReasonCase> {};

// The reasons whose words are put together from pieces.
TEST_P(SettingsFileReasonWording, PutsThePiecesWhereEachLanguageWantsThem)
{
    const ReasonCase& c = GetParam();
    SettingsFile out;
    SettingsError english;
    ASSERT_FALSE(SettingsFromJson(QByteArray(c.document), out, english));
    EXPECT_EQ(english.Text().toStdString(), c.english);
    SetCurrentLanguage(kChinese);
    SettingsError chinese;
    ASSERT_FALSE(SettingsFromJson(QByteArray(c.document), out, chinese));
    EXPECT_EQ(chinese.Text().toStdString(), c.chinese);
}

INSTANTIATE_TEST_SUITE_P(Reasons, SettingsFileReasonWording, testing::Values(
    ReasonCase{"[]", "expected an object, found an array", "应为对象，实为 数组"},
    ReasonCase{R"({"format":"other"})", R"(format: expected "quenda-settings", found "other")",
               R"(format：应为 "quenda-settings"，实为 "other")"},
    ReasonCase{R"({"format":"quenda-settings","formatVersion":"1"})",
               R"(formatVersion: expected a number, found "1")", R"(formatVersion：应为数值，实为 "1")"},
    ReasonCase{R"({"format":"quenda-settings","formatVersion":7})",
               "formatVersion: version 7 is not supported (this program reads version 1)",
               "formatVersion：不支持版本 7（本程序读取版本 1）"}));

// ---- the image ----

class SettingsFileImage : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        FillSavedGains(100);
    }
    void FillSavedGains(std::int16_t code)
    {
        for (auto& gains : Image().restoreGains)
            std::fill(std::begin(gains), std::end(gains), code);
    }

    // The whole file into the unit: its current settings, if any, and its 20 names.
    void ApplySettings(const SettingsFile& settings)
    {
        if (settings.current)
            Unit().Replace(WithCurrentSettings(Unit().Settings(), *settings.current));
        for (int n = 1; n <= kUserPresetCount; ++n)
            ApplyPresetName(Image(), n, settings.presetNames[n - 1]);
    }
};

TEST_F(SettingsFileImage, ApplyWritesGroupsGlobalsAndNamesAndKeepsTheLiveNotches)
{
    for (int c = 0; c < kChannelCount; ++c) {
        Image().channels[c].notchClear = 1;
        for (int i = 0; i < kNotchCount; ++i)
            Image().channels[c].notches[i].freqHz.Set(static_cast<std::int16_t>(900 + 10 * c + i));
    }
    Image().globals.unit0[0] = 0x11;
    Image().globals.unit6[3] = 0x66;
    std::memcpy(Image().names.records[5], "ABCDEFGHIJKLMNOPQRSTUVWX", kPresetRecordSize);
    const ChannelBlock liveA = Image().channels[0];
    const PresetNameTable namesBefore = Image().names;
    const SettingsFile settings = InRangeSettings();

    ApplySettings(settings);

    EXPECT_TRUE(SamePair(settings.current->channels, ChannelPair{Image().channels[0], Image().channels[1]}));
    EXPECT_EQ(std::memcmp(BlockBytes(Image().channels[0]) + kGroupBytes, BlockBytes(liveA) + kGroupBytes,
                          sizeof(ChannelBlock) - kGroupBytes), 0);
    EXPECT_EQ(Image().channels[1].notches[11].freqHz.Get(), 921);
    EXPECT_EQ(Image().globals.panelLock, 2);
    EXPECT_EQ(Image().globals.channelLink, 2);
    EXPECT_EQ(Image().globals.language, 1);
    EXPECT_EQ(Image().globals.unit0[0], 0x11);
    EXPECT_EQ(Image().globals.unit6[3], 0x66);
    EXPECT_EQ(Image().restoreGains[0], *settings.current->restoreGains[0]);
    EXPECT_EQ(Image().restoreGains[1], BandGains(Image().channels[1])) << "the file gives none: the channel's own";

    const char chinese[kPresetRecordSize] = "\xD6\xD0\xCE\xC4\xD4\xA4\xC9\xE8";   // 中文预设, then zeros
    EXPECT_EQ(std::memcmp(Image().names.records[3], chinese, kPresetRecordSize), 0);
    const char fifteen[kPresetRecordSize] = "ABCDEFGHIJKLMNO";
    EXPECT_EQ(std::memcmp(Image().names.records[5], fifteen, kPresetRecordSize), 0);
    const char empty[kPresetRecordSize] = {};
    EXPECT_EQ(std::memcmp(Image().names.records[7], empty, kPresetRecordSize), 0);
    EXPECT_EQ(std::memcmp(Image().names.records[0], namesBefore.records[0], kPresetRecordSize), 0);
    EXPECT_EQ(std::memcmp(Image().names.records[21], namesBefore.records[21], kPresetRecordSize), 0);
}

TEST_F(SettingsFileImage, ApplyWithoutCurrentSettingsChangesOnlyTheNames)
{
    Image().channels[1] = InRangeBlock(4);
    Image().globals.panelLock = 1;
    const ChannelBlock before = Image().channels[1];
    SettingsFile settings = BareSettings();
    settings.presetNames[0] = QStringLiteral("Live");

    ApplySettings(settings);

    EXPECT_EQ(std::memcmp(&Image().channels[1], &before, sizeof before), 0);
    EXPECT_EQ(Image().globals.panelLock, 1);
    EXPECT_EQ(Image().restoreGains[0][0], 100);
    const char live[kPresetRecordSize] = "Live";
    EXPECT_EQ(std::memcmp(Image().names.records[1], live, kPresetRecordSize), 0);
}

TEST_F(SettingsFileImage, CaptureTakesTheImageAndTheRestoreGainsOfAnEngagedBypass)
{
    Image().channels[0] = RawCodeBlock(2);
    Image().channels[1] = InRangeBlock(3);
    Flatten(Image().channels[1]);
    Image().channels[1].detectSpeed = 0;
    Image().restoreGains[1][11] = -7;
    Image().globals.panelLock = 2;
    Image().globals.channelLink = 1;
    Image().globals.language = 1;
    std::memcpy(Image().names.records[2], "ABCDEFGHIJKLMNOP", 17);        // 16 bytes, as a unit may send
    std::memcpy(Image().names.records[3], "A\xFF\x01" "B\0zz", 7);         // not GBK, a control byte

    const SettingsFile captured = CaptureSettings(Image(), QStringLiteral("2.0.3"), SampleUnit(), SampleTime());

    ASSERT_TRUE(captured.current);
    EXPECT_TRUE(SamePair(KeptChannelBlocks(Image().channels[0], Image().channels[1]), captured.current->channels));
    EXPECT_EQ(captured.current->channels[1].detectSpeed, 2);
    EXPECT_FALSE(captured.current->restoreGains[0]);
    BandGainCodes saved;
    saved.fill(100);
    saved[11] = -7;
    EXPECT_EQ(captured.current->restoreGains[1], saved);
    EXPECT_EQ(captured.current->globals.panelLock, 2);
    EXPECT_EQ(captured.current->globals.channelLink, 1);
    EXPECT_EQ(captured.current->globals.language, 1);
    EXPECT_EQ(captured.presetNames[0], QStringLiteral(" USER 1     "));
    EXPECT_EQ(captured.presetNames[1], QStringLiteral("ABCDEFGHIJKLMNO"));
    EXPECT_EQ(captured.presetNames[2], QStringLiteral("A??B"));
    EXPECT_EQ(captured.writtenUtc, SampleTime());
    EXPECT_FALSE(captured.presets);
}

TEST_F(SettingsFileImage, ExportThenImportPutsBackEveryByteTheProgramSends)
{
    Image().channels[0] = RawCodeBlock(1);
    Image().channels[1] = RawCodeBlock(1);
    Flatten(Image().channels[0]);
    Image().globals.panelLock = 9;
    Image().globals.channelLink = 2;
    Image().globals.language = 1;
    std::memset(Image().names.records[9], 0, kPresetRecordSize);
    std::memcpy(Image().names.records[9], "\xD6\xD0\xCE\xC4", 4);
    ChannelBlock exported[kChannelCount];
    std::memcpy(exported, Image().channels, sizeof exported);
    const GlobalSettings globals = Image().globals;
    const PresetNameTable names = Image().names;
    const QByteArray json = SettingsToJson(CaptureSettings(Image(), QStringLiteral("2.0.3"), SampleUnit()));

    m_adapter = std::make_unique<CUnitAdapter>(m_backend);   // a fresh unit
    FillSavedGains(0);
    SettingsFile read;
    SettingsError error;
    ASSERT_TRUE(SettingsFromJson(json, read, error)) << error.Text().toStdString();
    ApplySettings(read);

    EXPECT_TRUE(SamePair(ChannelPair{exported[0], exported[1]}, ChannelPair{Image().channels[0], Image().channels[1]}));
    EXPECT_EQ(std::memcmp(&Image().globals, &globals, sizeof globals), 0);
    EXPECT_EQ(Image().restoreGains[0][5], 100);
    for (int n = 1; n <= kUserPresetCount; ++n)
        EXPECT_EQ(std::memcmp(Image().names.records[n], names.records[n], kPresetRecordSize), 0) << "record " << n;
}

// ---- files on disk ----

class SettingsFileDisk : public SettingsFileInLanguage {};

TEST_F(SettingsFileDisk, WritingIntoAMissingFolderFailsAndCreatesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("missing/settings.json"));
    SettingsError error;

    EXPECT_FALSE(WriteSettingsFile(fileName, BareSettings(), error));
    EXPECT_EQ(error.path, fileName);
    EXPECT_EQ(error.reason.toStdString(), "cannot write the file: No such file or directory");
    SetCurrentLanguage(kChinese);
    EXPECT_FALSE(WriteSettingsFile(fileName, BareSettings(), error));
    EXPECT_EQ(error.reason.toStdString(), "无法写入文件：此文件或目录不存在") << "the system's reason in Qt's Chinese";
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST_F(SettingsFileDisk, WritingOverAGoodFileReplacesItWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("settings.json"));
    SettingsError error;
    ASSERT_TRUE(WriteSettingsFile(fileName, InRangeSettings(), error));
    const SettingsFile smaller = DefaultSettings();

    ASSERT_TRUE(WriteSettingsFile(fileName, smaller, error)) << error.Text().toStdString();

    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), SettingsToJson(smaller));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("settings.json")});
    SettingsFile read;
    ASSERT_TRUE(ReadSettingsFile(fileName, read, error)) << error.Text().toStdString();
    ExpectSameSettings(smaller, read);
}

TEST_F(SettingsFileDisk, ReadingAMissingFileSaysSo)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("none.json"));
    SettingsFile out;
    SettingsError error;
    EXPECT_FALSE(ReadSettingsFile(fileName, out, error));
    EXPECT_EQ(error.path, fileName);
    EXPECT_EQ(error.reason.toStdString(), "cannot open the file: No such file or directory");
}

}  // namespace
