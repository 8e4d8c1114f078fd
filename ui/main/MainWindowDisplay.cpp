// Showing the unit's settings in the window, and the interface language: the channel panels
// show their channels, the window its global lists and the graphs' bands.
#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/ChannelPanel.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <QComboBox>
#include <QLabel>

#include <cstring>

namespace {

// The parametric band records the equalizer would take from the block differ from the ones it holds.
bool BandRecordsDiffer(const BandTable& table, const ChannelBlock& block)
{
    return std::memcmp(table.bands, block.bands, sizeof block.bands) != 0;
}

bool NotchTableDiffers(const ChannelBlock& block, const std::uint8_t* loaded)
{
    return std::memcmp(BlockBytes(block) + kNotchTableOffset, loaded, kNotchTableSize) != 0;
}

}  // namespace

void CMainWindow::ShowUnitSettings()
{
    SettingsChange everything;
    everything.everything = true;
    OnSettingsChanged(everything);
}

void CMainWindow::OnSettingsChanged(const SettingsChange& change)
{
    if (change.ChangedGlobal(GlobalField::Language))
        FollowUnitLanguage();
    ShowSettings(change);
}

// Each control shows its setting again when the group it travels in changed; the single
// detection speed list shows CH A's, which travels with its notch group.
void CMainWindow::ShowSettings(const SettingsChange& change)
{
    const std::array<ChannelBlock, kChannelCount> blocks = m_unit.Unit().Image().Channels();
    for (CChannelPanel* panel : m_panels)
        panel->ShowSettings(blocks[panel->Channel()], change);
    if (change.ChangedGroup(0, kGroupGain) || change.ChangedGroup(0, kGroupGate) || change.ChangedGroup(0, kGroupNotch))
        ShowDetectSpeed(blocks[0]);
    ShowBands(change, blocks);
    if (change.ChangedGlobal(GlobalField::PanelLock) || change.ChangedGlobal(GlobalField::ChannelLink))
        ShowGlobalLists();
}

void CMainWindow::ShowDetectSpeed(const ChannelBlock& channelA)
{
    ShowListEntry(*List(kIdDetectSpeed), channelA.detectSpeed, channelA.detectSpeed);
}

void CMainWindow::ShowGlobalLists()
{
    const GlobalSettings globals = m_unit.Unit().Image().Globals();
    ShowListEntry(*List(kIdPanelLock), globals.panelLock, globals.panelLock);
    ShowListEntry(*List(kIdChannelLink), ChannelLinkEntry(globals.channelLink), globals.channelLink);
}

// The graphs follow their bands and notches: a drag step the graph made itself
// finds its records as they are, and idle polls that bring the same notch
// tables again find them as last loaded; neither costs a reload.
void CMainWindow::ShowBands(const SettingsChange& change, const std::array<ChannelBlock, kChannelCount>& blocks)
{
    CEqualizerModel& model = m_unit.Unit().Equalizers();
    bool differ[kChannelCount] = {};
    for (int c = 0; c < kChannelCount; ++c) {
        const std::uint8_t* loaded = m_loadedNotches.data() + c * kNotchTableSize;
        differ[c] = (change.ChangedBands(c) && BandRecordsDiffer(model.Table(c), blocks[c])) ||
                    (change.ChangedNotches(c) && NotchTableDiffers(blocks[c], loaded));
    }
    if (!differ[0] && !differ[1])
        return;
    for (int c = 0; c < kChannelCount; ++c)
        std::memcpy(m_loadedNotches.data() + c * kNotchTableSize, BlockBytes(blocks[c]) + kNotchTableOffset,
                    kNotchTableSize);
    model.Reload(blocks);
    for (int c = 0; c < kChannelCount; ++c) {
        if (differ[c])
            Graph(c)->Redraw();
    }
}

// The language byte the unit holds is the interface's language.
void CMainWindow::FollowUnitLanguage()
{
    const int unitLanguage = m_unit.Unit().Image().Globals().language != 0 ? kChinese : kEnglish;
    if (unitLanguage != CurrentLanguage())
        SetCurrentLanguage(unitLanguage);   // the window and its panels follow on LanguageChange
}

void CMainWindow::ApplyLanguage()
{
    m_appliedLanguage = CurrentLanguage();
    ApplyLanguageLists();
    ShowLanguageImages([this](int id) { return qobject_cast<CSkinnedButton*>(m_controls.value(id)); }, CurrentLanguage());
    ApplyLanguageLabels();
    ApplyLanguageUndo();
    ApplyAccessibleNames();
    ShowConnectButton();
    ShowCompareButton();
    UpdateStatusText();
}

void CMainWindow::ApplyLanguageLists()
{
    FillListEntries(*List(kIdDetectSpeed), DetectSpeedEntries());
    FillListEntries(*List(kIdPanelLock), PanelLockEntries());
    FillListEntries(*List(kIdChannelLink), ChannelLinkEntries());
    ShowDetectSpeed(m_unit.Unit().Image().Channel(0));
    ShowGlobalLists();
}

void CMainWindow::ApplyLanguageLabels()
{
    for (const ControlSpec& item : MainWindowControls()) {
        QWidget* control = Control(item.id);
        if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(tr(item.text));
        if (item.toolTip)
            control->setToolTip(tr(item.toolTip));
    }
}

void CMainWindow::ShowConnectButton()
{
    const bool connected = m_unit.Unit().IsConnected();
    SkinButton(kIdConnect)->ShowSwitch(connected ? kConnectImageOn : kConnectImageOff, connected);
}

void CMainWindow::OnMeterLamps(int channel, const MeterLamps& lamps)
{
    if (channel >= 0 && channel < kChannelCount)
        m_panels[channel]->ShowLevel(lamps);
}
