// Showing the unit's settings in the window, and the interface language.
#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <cstring>

namespace {

constexpr ChannelField kCompFields[kCompFieldCount] = {ChannelField::CompThreshold, ChannelField::CompAttack,
                                                       ChannelField::CompRelease, ChannelField::CompRatio};

// A switch shows its state in one face, and says it to a screen reader.
void ShowSwitch(CSkinnedButton* button, int image, bool on)
{
    button->SetImages(image, image, image);
    button->setChecked(on);
}

// The parametric band records the equalizer would take from the block differ from the ones it holds.
bool BandRecordsDiffer(const BandTable& table, const ChannelBlock& block)
{
    return std::memcmp(table.bands, block.bands, sizeof block.bands) != 0;
}

bool NotchTableDiffers(const ChannelBlock& block, const std::uint8_t* loaded)
{
    return std::memcmp(BlockBytes(block) + kNotchTableOffset, loaded, kNotchTableSize) != 0;
}

QString CompressorText(ChannelField field, int code)
{
    switch (field) {
    case ChannelField::CompThreshold: return CompThresholdText(code);
    case ChannelField::CompAttack: return CompAttackText(code);
    case ChannelField::CompRelease: return CompReleaseText(code);
    default: return CompRatioText(code);
    }
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

// Each control shows its setting again when the group it travels in changed.
void CMainWindow::ShowSettings(const SettingsChange& change)
{
    for (int c = 0; c < kChannelCount; ++c) {
        if (change.ChangedGroup(c, kGroupGain)) {
            ShowGain(c);
            ShowMuteButton(c);
        }
        if (change.ChangedGroup(c, kGroupCompressor)) {
            for (ChannelField field : kCompFields)
                ShowCompressorField(c, field);
        }
        if (change.ChangedGroup(c, kGroupNotch))
            ShowNotchBypassButton(c);
        if (change.ChangedGroup(c, kGroupGain) || change.ChangedGroup(c, kGroupGate) ||
            change.ChangedGroup(c, kGroupNotch))
            ShowChannelLists(c);
        if (change.ChangedBands(c))
            ShowPeqBypassButton(c);
    }
    ShowBands(change);
    if (change.ChangedGlobal(GlobalField::PanelLock) || change.ChangedGlobal(GlobalField::ChannelLink))
        ShowGlobalLists();
}

void CMainWindow::ShowGain(int channel)
{
    const int gain = m_unit.Unit().Image().Channel(channel).gain.Get();
    Edit(kChannelControls[channel].gainEdit)->setText(GainText(gain));
    Fader(channel)->SetInvertedPos(gain);
}

void CMainWindow::ShowCompressorField(int channel, ChannelField field)
{
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    for (int f = 0; f < kCompFieldCount; ++f) {
        if (kCompFields[f] == field)
            Edit(kChannelControls[channel].compEdits[f])->setText(CompressorText(field, LoadCode(BlockBytes(block), Spec(field))));
    }
}

void CMainWindow::ShowMuteButton(int channel)
{
    const bool muted = m_unit.Unit().Image().Channel(channel).mute != 0;
    ShowSwitch(SkinButton(kChannelControls[channel].mute), MuteImage(muted), muted);
}

void CMainWindow::ShowNotchBypassButton(int channel)
{
    const bool on = m_unit.Unit().Image().Channel(channel).notchBypass != 0;
    ShowSwitch(SkinButton(kChannelControls[channel].notchBypass), NotchBypassImage(CurrentLanguage(), on), on);
}

// The PEQ bypass is engaged while all 12 band gains of the channel are 0 dB.
void CMainWindow::ShowPeqBypassButton(int channel)
{
    const bool flat = AllBandsFlat(m_unit.Unit().Image().Channel(channel));
    ShowSwitch(SkinButton(kChannelControls[channel].peqBypass), PeqBypassImage(CurrentLanguage(), flat), flat);
}

void CMainWindow::ShowChannelLists(int channel)
{
    const ChannelControlIds& ids = kChannelControls[channel];
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    SelectEntry(ids.frequencyShift, block.freqShift, block.freqShift);
    SelectEntry(ids.noiseGate, NoiseGateEntry(block.gateThreshold), block.gateThreshold);
    SelectEntry(ids.staticNotchCount, block.staticNotchCount, block.staticNotchCount);
    if (channel == 0)
        SelectEntry(kIdDetectSpeed, block.detectSpeed, block.detectSpeed);
}

void CMainWindow::ShowGlobalLists()
{
    const GlobalSettings globals = m_unit.Unit().Image().Globals();
    SelectEntry(kIdPanelLock, globals.panelLock, globals.panelLock);
    SelectEntry(kIdChannelLink, ChannelLinkEntry(globals.channelLink), globals.channelLink);
}

// The graphs follow their bands and notches: a drag step the graph made itself
// finds its records as they are, and idle polls that bring the same notch
// tables again find them as last loaded; neither costs a reload.
void CMainWindow::ShowBands(const SettingsChange& change)
{
    CEqualizerModel& model = m_unit.Unit().Equalizers();
    const std::array<ChannelBlock, kChannelCount> blocks = m_unit.Unit().Image().Channels();
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

// A code without an entry shows as its number and selects nothing.
void CMainWindow::SelectEntry(int id, int index, int rawCode)
{
    QComboBox* list = List(id);
    const bool valid = index >= 0 && index < list->count();
    list->setPlaceholderText(valid ? QString() : QString::number(rawCode));
    list->setCurrentIndex(valid ? index : -1);
}

void CMainWindow::FillList(int id, const QStringList& entries)
{
    QComboBox* list = List(id);
    list->clear();
    list->addItems(entries);
}

// The language byte the unit holds is the interface's language.
void CMainWindow::FollowUnitLanguage()
{
    const int unitLanguage = m_unit.Unit().Image().Globals().language != 0 ? kChinese : kEnglish;
    if (unitLanguage != CurrentLanguage())
        SetCurrentLanguage(unitLanguage);   // the window follows on LanguageChange
}

void CMainWindow::ApplyLanguage()
{
    ApplyLanguageLists();
    for (int c = 0; c < kChannelCount; ++c) {
        ShowNotchBypassButton(c);
        ShowPeqBypassButton(c);
    }
    ApplyLanguageImages();
    ApplyLanguageLabels();
    ApplyLanguageUndo();
    ApplyAccessibleNames();
    ShowConnectButton();
    ShowCompareButton();
    UpdateStatusText();
}

void CMainWindow::ApplyLanguageLists()
{
    FillList(kIdDetectSpeed, DetectSpeedEntries());
    FillList(kIdPanelLock, PanelLockEntries());
    FillList(kIdChannelLink, ChannelLinkEntries());
    ShowChannelLists(0);
    ShowGlobalLists();
}

void CMainWindow::ApplyLanguageImages()
{
    const int language = CurrentLanguage();
    for (const LanguageButton& button : LanguageButtons()) {
        const ButtonImages& images = button.images[language];
        SkinButton(button.id)->SetImages(images.normal, images.down, images.over);
    }
}

void CMainWindow::ApplyLanguageLabels()
{
    for (const ControlSpec& item : MainWindowControls()) {
        QWidget* control = Control(item.id);
        if (auto* group = qobject_cast<QGroupBox*>(control))
            group->setTitle(tr(item.text));
        else if (auto* plain = qobject_cast<QLabel*>(control))
            plain->setText(tr(item.text));
        if (item.toolTip)
            control->setToolTip(tr(item.toolTip));
    }
}

void CMainWindow::ShowConnectButton()
{
    const bool connected = m_unit.Unit().IsConnected();
    ShowSwitch(SkinButton(kIdConnect), connected ? kConnectImageOn : kConnectImageOff, connected);
}

void CMainWindow::OnMeterLamps(int channel, const MeterLamps& lamps)
{
    for (int j = 0; j < kLampsPerChannel; ++j) {
        if (CMeterLamp* lamp = Lamp(kChannelControls[channel].firstLamp + j))
            lamp->SetLit(lamps[j]);
    }
}
