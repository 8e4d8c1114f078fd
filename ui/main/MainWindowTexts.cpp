#include "ui/main/MainWindowTexts.h"

#include "model/SettingFields.h"

#include <algorithm>

namespace {

constexpr std::array kLabels = {
    LabelText{1090, "CH A", "通道 A"},
    LabelText{1091, "CH B", "通道 B"},
    LabelText{1038, "GAIN", "增益"},
    LabelText{1039, "GAIN", "增益"},
    LabelText{1036, "COMPRESS", "压缩器"},
    LabelText{1037, "COMPRESS", "压缩器"},
    LabelText{1092, "Threshold", "启动阀值"},
    LabelText{1096, "Threshold", "启动阀值"},
    LabelText{1093, " Attack", "启动时间"},
    LabelText{1097, " Attack", "启动时间"},
    LabelText{1094, " Release", "释放时间"},
    LabelText{1098, " Release", "释放时间"},
    LabelText{1095, "  Raito", "压缩比例"},
    LabelText{1099, "  Raito", "压缩比例"},
    LabelText{1083, "NoiseGate", "  噪声门"},
    LabelText{1085, "NoiseGate", "  噪声门"},
    LabelText{1100, "  Rate", "检测速度"},
    LabelText{1101, "FBX", "移频"},
    LabelText{1103, "FBX", "移频"},
    LabelText{1106, "Static Notch", "  静态滤波器"},
    LabelText{1107, "Static Notch", "  静态滤波器"},
    LabelText{1109, "Panel Lock", "    面板锁"},
    LabelText{1111, "Channel Link", "    通道联调"},
};

constexpr std::array kToolTips = {
    LabelText{1052, "Import settings from a file", "从文件导入设置"},
    LabelText{1053, "Export settings to a file", "将设置导出到文件"},
};

constexpr const char* kDetectSpeed[2][3] = {
    {"Fast", "Default", "Slowest"},
    {"快 速", "默 认", "慢 速"},
};
constexpr const char* kPanelLock[2][3] = {
    {"UnLock  ", "1st Lock", "2st Lock"},
    {"解  锁", "一级锁", "二级锁"},
};
constexpr const char* kChannelLink[2][2] = {
    {"UnLink  ", "A&B Link"},
    {"取消联调", "A&B联调"},
};

constexpr std::array kLanguageButtons = {
    LanguageButton{1050, {ButtonImages{155, 156, 156}, ButtonImages{159, 160, 160}}},
    LanguageButton{1051, {ButtonImages{157, 158, 158}, ButtonImages{161, 162, 162}}},
    LanguageButton{1052, {ButtonImages{167, 168, 168}, ButtonImages{165, 166, 166}}},
    LanguageButton{1053, {ButtonImages{170, 169, 169}, ButtonImages{163, 164, 164}}},
    LanguageButton{1054, {ButtonImages{173, 176, 176}, ButtonImages{174, 175, 175}}},
    LanguageButton{1055, {ButtonImages{171, 171, 171}, ButtonImages{172, 172, 172}}},
    LanguageButton{1078, {ButtonImages{195, 195, 195}, ButtonImages{188, 188, 188}}},
    LanguageButton{1081, {ButtonImages{195, 195, 195}, ButtonImages{188, 188, 188}}},
};

constexpr int kNotchBypassImages[2][2] = {{193, 194}, {186, 187}};
constexpr int kPeqBypassImages[2][2] = {{197, 198}, {190, 191}};

constexpr int kGateEntries = 71;   // "-30dB" .. "-99dB", "OFF"

template <std::size_t N>
QStringList Entries(const char* const (&texts)[N])
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

int Clamp01(int language)
{
    return language != 0 ? kChinese : kEnglish;
}

}  // namespace

std::span<const LabelText> LabelTexts()
{
    return kLabels;
}

std::span<const LabelText> ToolTipTexts()
{
    return kToolTips;
}

QStringList DetectSpeedEntries(int language)
{
    return Entries(kDetectSpeed[Clamp01(language)]);
}

QStringList PanelLockEntries(int language)
{
    return Entries(kPanelLock[Clamp01(language)]);
}

QStringList ChannelLinkEntries(int language)
{
    return Entries(kChannelLink[Clamp01(language)]);
}

QStringList StaticNotchEntries()
{
    QStringList list;
    for (int n = 0; n <= 8; ++n)
        list << QString::number(n);
    return list;
}

QStringList NoiseGateEntries()
{
    QStringList list;
    for (int db = 30; db <= 99; ++db)
        list << QStringLiteral("-%1dB").arg(db);
    list << QStringLiteral("OFF");
    return list;
}

QStringList FreqShiftEntries()
{
    return {QStringLiteral("OFF"), QStringLiteral("2Hz"), QStringLiteral("4Hz"),
            QStringLiteral("6Hz"), QStringLiteral("8Hz")};
}

std::span<const LanguageButton> LanguageButtons()
{
    return kLanguageButtons;
}

int NotchBypassImage(int language, bool on)
{
    return kNotchBypassImages[Clamp01(language)][on ? 1 : 0];
}

int PeqBypassImage(int language, bool on)
{
    return kPeqBypassImages[Clamp01(language)][on ? 1 : 0];
}

int MuteImage(bool muted)
{
    return muted ? 139 : 140;
}

QString RangeMessage(int language)
{
    return Clamp01(language) == kChinese ? QStringLiteral("数据超出范围")
                                         : QStringLiteral("Data out of range");
}

namespace {

// The unit's value of a code, as a whole number, also for a code outside the field's range.
QString WholeValue(const Codec& codec, int code)
{
    return QString::number(static_cast<int>(codec.linear->Value(code)));
}

}  // namespace

QString GainText(int code)
{
    return WholeValue(codecs::kGain, code);
}

QString CompThresholdText(int code)
{
    return code == kCompThresholdOff ? QStringLiteral("OFF") : WholeValue(codecs::kCompThreshold, code);
}

QString CompAttackText(int code)
{
    return WholeValue(codecs::kCompAttack, code) + QStringLiteral("ms");
}

QString CompReleaseText(int code)
{
    const NamedCode* multiple = codecs::kCompRelease.Find(code);
    return multiple ? QStringLiteral("Atkx") + QString::number(multiple->number) : QString::number(code);
}

QString CompRatioText(int code)
{
    const Linear& ratio = *codecs::kCompRatio.linear;
    if (codecs::kCompRatio.Find(code))
        return QStringLiteral("Inf:1");
    if (code < ratio.codeMin || code > ratio.codeMax)
        return QString::number(code);
    return WholeValue(codecs::kCompRatio, code) + QStringLiteral(":1");
}

int NoiseGateEntry(int gateThreshold)
{
    const int entry = kGateTopCode - gateThreshold;
    return entry >= 0 && entry < kGateEntries ? entry : -1;
}

int ChannelLinkEntry(int channelLink)
{
    return channelLink == kChannelLinkedCode ? 1 : 0;
}

namespace {

struct NumberStart {
    qsizetype pos;
    bool negative;
};

NumberStart SkipBlanksAndSign(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    return {pos, negative};
}

bool IsAsciiDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

constexpr long long kSaturation = 1'000'000'000'000LL;

}  // namespace

double LeadingDecimal(const QString& text)
{
    auto [pos, negative] = SkipBlanksAndSign(text);
    double value = 0.0;
    for (; pos < text.size() && IsAsciiDigit(text[pos]); ++pos)
        value = value * 10.0 + (text[pos].unicode() - u'0');
    if (pos < text.size() && text[pos] == u'.') {
        double scale = 0.1;
        for (++pos; pos < text.size() && IsAsciiDigit(text[pos]); ++pos, scale /= 10.0)
            value += scale * (text[pos].unicode() - u'0');
    }
    return negative ? -value : value;
}

long long LeadingInteger(const QString& text)
{
    auto [pos, negative] = SkipBlanksAndSign(text);
    long long value = 0;
    for (; pos < text.size() && IsAsciiDigit(text[pos]); ++pos)
        value = std::min(kSaturation, value * 10 + (text[pos].unicode() - u'0'));
    return negative ? -value : value;
}
