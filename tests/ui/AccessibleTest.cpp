// What a screen reader is told of the drawn controls: the names, values and states their
// accessible interfaces give, in English and Chinese, and the changes they announce.
#include "GraphTestSupport.h"
#include "MainWindowFixture.h"

#include "ui/common/Accessibility.h"
#include "ui/common/Language.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/main/ChannelPanel.h"

#include <QAccessible>
#include <QAccessibleValueInterface>

#include <ostream>

namespace {

QString Said(QObject* control, QAccessible::Text what)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    return iface ? iface->text(what) : QStringLiteral("(no interface)");
}

QString NameOf(QObject* control) { return Said(control, QAccessible::Name); }
QString ValueOf(QObject* control) { return Said(control, QAccessible::Value); }

// What the controls announce, as the platform's screen reader bridge would hear it.
struct Heard {
    const QObject* object;
    QAccessible::Event type;
    QString value;
    bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& h, std::ostream* os)
{
    *os << h.object << " event " << h.type << " \"" << h.value.toStdString() << '"';
}

class Listener {
public:
    Listener()
    {
        SetAccessibilityHook([this](const QAccessibleEvent& event) {
            QString value;
            if (event.type() == QAccessible::ValueChanged)
                value = static_cast<const QAccessibleValueChangeEvent&>(event).value().toString();
            m_heard.push_back({event.object(), event.type(), value});
        });
    }
    ~Listener() { SetAccessibilityHook({}); }

    std::vector<Heard> Take()
    {
        std::vector<Heard> taken;
        taken.swap(m_heard);
        return taken;
    }

private:
    std::vector<Heard> m_heard;
};

using graphtest::GraphFixture;

class GraphSpoken : public GraphFixture {
protected:
    void TearDown() override
    {
        GraphFixture::TearDown();
        SetCurrentLanguage(kEnglish);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(m_graph.get(), Qt::Key(key), modifiers); }
};

TEST_F(GraphSpoken, AChartNamedAfterItsChannelWhoseValueIsTheSelectedBand)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(m_graph.get());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Chart);
    EXPECT_EQ(iface->text(QAccessible::Name), "CH A equalizer");
    EXPECT_EQ(iface->text(QAccessible::Value), "no band selected");
    EXPECT_TRUE(iface->text(QAccessible::Description).startsWith("Drag a band's number, or use the keys:\n"));
    EXPECT_TRUE(iface->state().focusable);
    m_graph->Attach(m_model.Channel(1), 1);
    EXPECT_EQ(iface->text(QAccessible::Name), "CH B equalizer");
}

struct SpokenCase {
    int hz, gainCode, bwCode, slope, type;
    const char* said;
};

void PrintTo(const SpokenCase& c, std::ostream* os) { *os << c.said; }

class GraphSpokenBand : public GraphSpoken, public testing::WithParamInterface<SpokenCase> {};

TEST_P(GraphSpokenBand, SaysFrequencyGainAndWidthOrShelf)
{
    const SpokenCase& c = GetParam();
    SetBand(7, c.hz, c.gainCode, c.bwCode, c.type);
    Record(7).slope = static_cast<std::uint8_t>(c.slope);
    Key(Qt::Key_8);
    EXPECT_EQ(ValueOf(m_graph.get()), c.said);
}

INSTANTIATE_TEST_SUITE_P(Bands, GraphSpokenBand, testing::Values(
    SpokenCase{1000, 120, 32, 0, FILTER_PEAK, "CH A band 8, 1.00 kHz, 0.0 dB, 0.37 octaves"},
    SpokenCase{999, 119, 0, 0, FILTER_PEAK, "CH A band 8, 999 Hz, -0.1 dB, 0.05 octaves"},
    SpokenCase{12340, 240, 295, 0, FILTER_PEAK, "CH A band 8, 12.34 kHz, +12.0 dB, 3.00 octaves"},
    SpokenCase{20, 0, 95, 0, FILTER_PEAK, "CH A band 8, 20 Hz, -12.0 dB, 1.00 octaves"},
    SpokenCase{100, 150, 32, 1, FILTER_LOW_SHELF, "CH A band 8, 100 Hz, +3.0 dB, low shelf, 12 dB per octave"},
    SpokenCase{5000, 105, 32, 0, FILTER_HIGH_SHELF, "CH A band 8, 5.00 kHz, -1.5 dB, high shelf, 6 dB per octave"},
    SpokenCase{5000, 105, 32, 9, FILTER_HIGH_SHELF, "CH A band 8, 5.00 kHz, -1.5 dB, high shelf, 6 dB per octave"},
    SpokenCase{1000, 180, 32, 0, 7, "CH A band 8, 1.00 kHz, +6.0 dB, 0.37 octaves"}
));

// Each key edit is announced with the band as it is after the key.
TEST_F(GraphSpoken, KeyEditsAreHeardAsTheyHappen)
{
    Listener listener;
    Key(Qt::Key_8);
    for (int i = 0; i < 6; ++i)
        Key(Qt::Key_Up, Qt::ShiftModifier);
    for (int i = 0; i < 6; ++i)
        Key(Qt::Key_PageUp, Qt::ShiftModifier);
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_PageUp);
    EXPECT_EQ(ValueOf(m_graph.get()), "CH A band 8, 1.00 kHz, +6.0 dB, 1.00 octaves");

    const auto told = [this](const char* value) { return Heard{m_graph.get(), QAccessible::ValueChanged, value}; };
    const std::vector<Heard> heard = listener.Take();
    ASSERT_EQ(heard.size(), 16u) << "the pick and fifteen edits";
    EXPECT_EQ(heard[0], told("CH A band 8, 1.00 kHz, 0.0 dB, 0.37 octaves"));
    EXPECT_EQ(heard[1], told("CH A band 8, 1.00 kHz, +1.0 dB, 0.37 octaves"));
    EXPECT_EQ(heard[7], told("CH A band 8, 1.00 kHz, +6.0 dB, 0.47 octaves"));
    EXPECT_EQ(heard[15], told("CH A band 8, 1.00 kHz, +6.0 dB, 1.00 octaves"));

    Key(Qt::Key_Left);
    EXPECT_EQ(listener.Take(), std::vector<Heard>{told("CH A band 8, 972 Hz, +6.0 dB, 1.00 octaves")});
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(listener.Take().empty()) << "nothing changed, nothing said";
}

TEST_F(GraphSpoken, SpeaksChinese)
{
    SetBand(7, 1000, 180, 95);
    SetCurrentLanguage(kChinese);
    Key(Qt::Key_8);
    EXPECT_EQ(NameOf(m_graph.get()), "通道 A 均衡器");
    EXPECT_EQ(ValueOf(m_graph.get()), "通道 A 频段 8，1.00 kHz，+6.0 dB，1.00 倍频程");
    SetBand(7, 100, 150, 32, FILTER_LOW_SHELF);
    Record(7).slope = kSlope12dBPerOct;
    EXPECT_EQ(ValueOf(m_graph.get()), "通道 A 频段 8，100 Hz，+3.0 dB，低搁架，每倍频程 12 dB");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_TRUE(m_graph->toolTip().startsWith("拖动频段的编号，或使用按键：\n")) << m_graph->toolTip().toStdString();
}

// The window names each drawn control after what it does; the switches say their state.
class ControlsSpoken : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Open();
    }
};

struct NameCase {
    int id;
    const char* english;
    const char* chinese;
};

TEST_F(ControlsSpoken, EveryDrawnControlHasItsNameInBothLanguages)
{
    const NameCase cases[] = {
        {kIdConnect, "USB connection", "USB 连接"},
        {kIdLoad, "Load a preset", "调用预设"},
        {kIdSave, "Save a preset", "保存预设"},
        {kIdImport, "Import settings from a file", "从文件导入设置"},
        {kIdExport, "Export settings to a file", "将设置导出到文件"},
        {kIdLanguage, "Switch the language", "切换语言"},
        {kIdCompare, "A/B compare", "A/B 比较"},
        {kIdMute, "CH A mute", "通道 A 静音"},
        {kIdMute + 1, "CH B mute", "通道 B 静音"},
        {kIdFader, "CH A gain", "通道 A 增益"},
        {kIdFader + 1, "CH B gain", "通道 B 增益"},
        {kIdPeqBypass, "CH A PEQ bypass", "通道 A PEQ 旁通"},
        {kIdPeqBypass + 3, "CH B PEQ bypass", "通道 B PEQ 旁通"},
        {kIdNotchBypass, "CH A notch bypass", "通道 A 陷波旁通"},
        {kIdNotchBypass + 3, "CH B notch bypass", "通道 B 陷波旁通"},
        {kIdNotchClear, "CH A notch clear", "通道 A 清除陷波"},
        {kIdNotchClear + 3, "CH B notch clear", "通道 B 清除陷波"},
        {kIdLampA, "CH A level lamp 1", "通道 A 电平灯 1"},
        {kIdLampA + 8, "CH A level lamp 9", "通道 A 电平灯 9"},
        {kIdLampA + 9, "CH A overload lamp", "通道 A 过载灯"},
        {kIdLampB + 4, "CH B level lamp 5", "通道 B 电平灯 5"},
        {kIdLampB + 9, "CH B overload lamp", "通道 B 过载灯"},
        {kIdGraph + 1, "CH B equalizer", "通道 B 均衡器"},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(NameOf(m_dlg->Control(c.id)), c.english) << c.id;
    SetCurrentLanguage(kChinese);
    FollowLanguage();
    for (const NameCase& c : cases)
        EXPECT_EQ(NameOf(m_dlg->Control(c.id)), QString::fromUtf8(c.chinese)) << c.id;
}

TEST_F(ControlsSpoken, ASwitchSaysOnOrOffAndAPushButtonNothing)
{
    QAccessibleInterface* mute = QAccessible::queryAccessibleInterface(m_dlg->Control(kIdMute + 1));
    ASSERT_NE(mute, nullptr);
    EXPECT_EQ(mute->role(), QAccessible::Button);
    EXPECT_TRUE(mute->state().checkable);
    EXPECT_FALSE(mute->state().checked);
    EXPECT_EQ(mute->text(QAccessible::Value), "off");

    Click(kIdMute + 1);
    EXPECT_EQ(Block(1).mute, 1);
    EXPECT_TRUE(mute->state().checked);
    EXPECT_EQ(mute->text(QAccessible::Value), "on");
    SetCurrentLanguage(kChinese);
    EXPECT_EQ(mute->text(QAccessible::Value), "开");

    mute->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Block(1).mute, 0) << "a screen reader's press is a click";
    EXPECT_EQ(mute->text(QAccessible::Value), "关");

    QAccessibleInterface* load = QAccessible::queryAccessibleInterface(m_dlg->Control(kIdLoad));
    EXPECT_FALSE(load->state().checkable);
    EXPECT_EQ(load->text(QAccessible::Value), "");
}

TEST_F(ControlsSpoken, ThePeqBypassIsOnWhileEveryBandIsFlat)
{
    QAccessibleInterface* bypass = QAccessible::queryAccessibleInterface(m_dlg->Control(kIdPeqBypass));
    EXPECT_EQ(bypass->text(QAccessible::Value), "on");
    Image().channels[0].bands[2].gainCode.Set(130);
    m_dlg->ShowUnitSettings();
    EXPECT_EQ(bypass->text(QAccessible::Value), "off");
}

TEST_F(ControlsSpoken, TheFaderReadsItsGainInDecibels)
{
    CGainFader* fader = m_dlg->Fader(0);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(fader);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Slider);
    EXPECT_EQ(iface->text(QAccessible::Value), "0 dB");
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), 0.0);
    EXPECT_EQ(value->minimumValue().toDouble(), -80.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 10.0);
    EXPECT_EQ(value->minimumStepSize().toDouble(), 1.0);

    fader->setFocus();
    QTest::keyClick(fader, Qt::Key_Down);
    QTest::keyClick(fader, Qt::Key_Down);
    QTest::keyClick(fader, Qt::Key_Down);
    EXPECT_EQ(Block(0).gain.Get(), 77);
    EXPECT_EQ(iface->text(QAccessible::Value), "-3 dB");
    EXPECT_EQ(value->currentValue().toDouble(), -3.0);

    value->setCurrentValue(-12.4);
    EXPECT_EQ(Block(0).gain.Get(), 68) << "the nearest position, sent as a key's step is";
    EXPECT_EQ(iface->text(QAccessible::Value), "-12 dB");
}

TEST_F(ControlsSpoken, ALampSaysLitOrDarkAndIsHeardWhenItChanges)
{
    CMeterLamp* lamp = m_dlg->Lamp(kIdLampB + 9);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(lamp);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Indicator);
    lamp->SetLit(true);
    Listener listener;
    lamp->SetLit(true);
    lamp->SetLit(false);
    lamp->SetLit(false);
    EXPECT_EQ(iface->text(QAccessible::Value), "dark");
    lamp->SetLit(true);
    EXPECT_EQ(iface->text(QAccessible::Value), "lit");
    const std::vector<Heard> heard = listener.Take();
    EXPECT_EQ(heard.size(), 2u) << "only changes are told";
    EXPECT_EQ(heard.back(), (Heard{lamp, QAccessible::ValueChanged, "lit"}));
    SetCurrentLanguage(kChinese);
    EXPECT_EQ(iface->text(QAccessible::Value), "亮");
}

// The window as a screen reader walks it: what each node is, what it is called and what it reads.
struct SpokenNode {
    QAccessible::Role role;
    QString name;
    QString value;
};

void Walk(QAccessibleInterface* iface, std::vector<SpokenNode>& nodes)
{
    nodes.push_back({iface->role(), iface->text(QAccessible::Name), iface->text(QAccessible::Value)});
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface* child = iface->child(i))
            Walk(child, nodes);
    }
}

bool IsOperated(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Chart:
        return true;
    default:
        return false;
    }
}

struct LanguageNames {
    int language;
    std::vector<const char*> names;   // names the walk must meet
    const char* levelA;
    const char* levelB;
};

// No control a user operates goes without a name of its own, no list is called by the entry it
// shows, and each channel's ten lamps read as one level.
TEST_F(ControlsSpoken, EveryControlOfTheWindowHasANameOfItsOwnInBothLanguages)
{
    const LanguageNames cases[] = {
        {kEnglish,
         {"CH A attack, up", "CH A attack, down", "CH B gain in dB, up", "CH B ratio, down", "CH A gain in dB",
          "CH B threshold", "CH A release", "CH A ratio", "Rate", "Panel Lock", "Channel Link", "CH A static notch",
          "CH B FBX", "CH A noise gate", "CH B mute", "Settings"},
         "CH A level", "CH B level"},
        {kChinese,
         {"通道 A 启动时间，增大", "通道 A 启动时间，减小", "通道 B 增益（dB），增大", "通道 A 增益（dB）", "检测速度", "面板锁",
          "通道联调", "通道 A 静态滤波器", "通道 B 移频", "通道 A 噪声门", "通道 B 静音", "设置"},
         "通道 A 电平", "通道 B 电平"},
    };
    for (const LanguageNames& c : cases) {
        SetCurrentLanguage(c.language);
        FollowLanguage();
        std::vector<SpokenNode> nodes;
        Walk(QAccessible::queryAccessibleInterface(m_dlg.get()), nodes);
        QStringList names;
        int levels = 0;
        for (const SpokenNode& node : nodes) {
            names << node.name;
            EXPECT_NE(node.role, QAccessible::Indicator) << "a lamp of its own: " << node.name.toStdString();
            if (node.role == QAccessible::ProgressBar)
                ++levels;
            if (!IsOperated(node.role))
                continue;
            EXPECT_FALSE(node.name.trimmed().isEmpty()) << "a control of role " << node.role << " reading "
                                                         << node.value.toStdString();
            if (node.role == QAccessible::ComboBox || node.role == QAccessible::EditableText) {
                EXPECT_NE(node.name, node.value) << "called by what it shows: " << node.name.toStdString();
            }
        }
        for (const char* name : c.names)
            EXPECT_TRUE(names.contains(QString::fromUtf8(name))) << name;
        EXPECT_EQ(levels, 2);
        EXPECT_TRUE(names.contains(QString::fromUtf8(c.levelA)));
        EXPECT_TRUE(names.contains(QString::fromUtf8(c.levelB)));
    }
}

// A channel's level meter reads how many level lamps are lit, and an overload.
TEST_F(ControlsSpoken, TheLevelMeterReadsTheLampsLitAsOneLevel)
{
    QAccessibleInterface* meter = QAccessible::queryAccessibleInterface(m_dlg->Panel(1).Meter());
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->childCount(), 0);
    Image().meterBytes[1] = 0;
    m_dlg->OnTimer();
    EXPECT_EQ(meter->text(QAccessible::Value), "0 of 9");
    Image().meterBytes[1] = 0x80;
    m_dlg->OnTimer();
    EXPECT_EQ(meter->text(QAccessible::Value), "0 of 9, overload");
    Image().meterBytes[1] = 0x15;   // above the first two thresholds, below the third
    m_dlg->OnTimer();
    EXPECT_EQ(meter->valueInterface()->currentValue().toInt(), m_dlg->Panel(1).Meter()->LitLevels());
    EXPECT_EQ(meter->valueInterface()->maximumValue().toInt(), 9);
    SetCurrentLanguage(kChinese);
    EXPECT_EQ(meter->text(QAccessible::Value), QString::fromUtf8("%1/9").arg(m_dlg->Panel(1).Meter()->LitLevels()));
}

// A list is called by its name and reads the entry it shows, or the number of a code without one.
TEST_F(ControlsSpoken, AListReadsTheEntryItShows)
{
    QAccessibleInterface* gate = QAccessible::queryAccessibleInterface(m_dlg->Control(kIdGateB));
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->role(), QAccessible::ComboBox);
    EXPECT_EQ(gate->text(QAccessible::Name), "CH B noise gate");
    EXPECT_EQ(gate->text(QAccessible::Value), "-99dB");
    EXPECT_EQ(gate->childCount(), 1) << "the list it drops down";
    Image().channels[1].gateThreshold = 99;
    m_dlg->ShowUnitSettings();
    EXPECT_EQ(gate->text(QAccessible::Value), "99");
}

}  // namespace
