#include "ui/main/MainWindowTexts.h"

#include "model/SettingFields.h"
#include "ui/controls/SkinnedButton.h"

#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>

namespace {

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

// The window's words, translated in the window's context.
class WindowWords {
    Q_DECLARE_TR_FUNCTIONS(CMainWindow)

public:
    static QStringList DetectSpeeds() { return {tr("Fast"), tr("Default"), tr("Slowest")}; }
    static QStringList PanelLocks() { return {tr("UnLock  "), tr("1st Lock"), tr("2st Lock")}; }
    static QStringList ChannelLinks() { return {tr("UnLink  "), tr("A&B Link")}; }
    static QString OutOfRange() { return tr("Data out of range"); }
};

int Clamp01(int language)
{
    return language != 0 ? kChinese : kEnglish;
}

}  // namespace

QStringList DetectSpeedEntries()
{
    return WindowWords::DetectSpeeds();
}

QStringList PanelLockEntries()
{
    return WindowWords::PanelLocks();
}

QStringList ChannelLinkEntries()
{
    return WindowWords::ChannelLinks();
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

void FillListEntries(QComboBox& list, const QStringList& entries)
{
    list.clear();
    list.addItems(entries);
}

void ShowListEntry(QComboBox& list, int index, int rawCode)
{
    const bool valid = index >= 0 && index < list.count();
    list.setPlaceholderText(valid ? QString() : QString::number(rawCode));
    list.setCurrentIndex(valid ? index : -1);
}

std::span<const LanguageButton> LanguageButtons()
{
    return kLanguageButtons;
}

void ShowLanguageImages(const std::function<CSkinnedButton*(int id)>& find, int language)
{
    for (const LanguageButton& button : kLanguageButtons) {
        if (CSkinnedButton* found = find(button.id)) {
            const ButtonImages& images = button.images[Clamp01(language)];
            found->SetImages(images.normal, images.down, images.over);
        }
    }
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

int CompareImage(bool bActive, bool pressed)
{
    return (bActive ? 202 : 200) + (pressed ? 1 : 0);
}

QString RangeMessage()
{
    return WindowWords::OutOfRange();
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
