// Showing the image in the window, and the interface language.
#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "protocol/Communication.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/MainWindowState.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"

#include <QComboBox>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>

#include <algorithm>
#include <cstring>

namespace {

ChannelBlock CopyBlock(int channel)
{
    ImageLock lock(g_ImageMutex);
    return g_ChannelBlocks[channel];
}

std::array<std::uint8_t, kChannelCount * kNotchTableSize> CopyNotchTables()
{
    std::array<std::uint8_t, kChannelCount * kNotchTableSize> tables;
    ImageLock lock(g_ImageMutex);
    for (int c = 0; c < kChannelCount; ++c)
        std::memcpy(tables.data() + c * kNotchTableSize, BlockBytes(g_ChannelBlocks[c]) + kNotchTableOffset,
                    kNotchTableSize);
    return tables;
}

GlobalSettings CopyGlobals()
{
    ImageLock lock(g_ImageMutex);
    return g_GlobalSettings;
}

void SetSameImages(CSkinnedButton* button, int image)
{
    button->SetImages(image, image, image);
}

}  // namespace

void CMainWindow::ShowChannelSection(ChannelSection section, int channel, int fields, bool queue)
{
    switch (section) {
    case Gain:
        ShowGain(channel);
        break;
    case Mute:
        ShowMuteButton(channel);
        break;
    case Compressor:
        ShowCompressorFields(channel, fields);
        break;
    }
    if (queue)
        QueueSetParam(AREA_CHANNEL, static_cast<std::uint8_t>(channel), section == Compressor ? 2 : 0);
}

void CMainWindow::ShowGain(int channel)
{
    const int gain = CopyBlock(channel).gain.Get();
    Edit(kIdGainEdit + channel)->setText(GainText(gain));
    Fader(channel)->SetInvertedPos(gain);
}

void CMainWindow::ShowCompressorFields(int channel, int fields)
{
    const ChannelBlock block = CopyBlock(channel);
    const int first = kIdCompEdit + 4 * channel;
    if (fields & kCompThreshold)
        Edit(first)->setText(CompThresholdText(block.compThreshold));
    if (fields & kCompAttack)
        Edit(first + 1)->setText(CompAttackText(block.compAttack));
    if (fields & kCompRelease)
        Edit(first + 2)->setText(CompReleaseText(block.compRelease));
    if (fields & kCompRatio)
        Edit(first + 3)->setText(CompRatioText(block.compRatio));
}

void CMainWindow::ShowMuteButton(int channel)
{
    SetSameImages(SkinButton(kIdMute + channel), MuteImage(CopyBlock(channel).mute != 0));
}

void CMainWindow::ShowNotchBypassButton(int channel)
{
    const bool on = CopyBlock(channel).notchBypass != 0;
    SetSameImages(SkinButton(kIdNotchBypass + 3 * channel), NotchBypassImage(CurrentLanguage(), on));
}

void CMainWindow::UpdatePeqBypassState(int channel)
{
    const ChannelBlock block = CopyBlock(channel);
    bool flat = true;
    for (int k = 0; k < kBandCount && flat; ++k)
        flat = block.bands[k].gainCode.Get() == kFlatGainCode;
    g_PeqBypassed[channel] = flat ? 1 : 0;
    SetSameImages(SkinButton(kIdPeqBypass + 3 * channel), PeqBypassImage(CurrentLanguage(), flat));
}

void CMainWindow::OnDeviceRefresh(qintptr, qintptr lParam)
{
    if (lParam == kRefreshNotches) {
        const std::uint8_t changed = NotchTablesChanged();
        if (changed == 0)
            return;
        ReloadModel();
        for (int c = 0; c < kChannelCount; ++c) {
            if (changed & (1u << c))
                Graph(c)->Redraw();
        }
        return;
    }
    const int unitLanguage = CopyGlobals().language != 0 ? kChinese : kEnglish;
    if (unitLanguage != g_LanguageChinese.load()) {
        g_LanguageChinese = unitLanguage;
        ApplyLanguage();
    }
    for (int c = 0; c < kChannelCount; ++c) {
        ShowChannelSection(Gain, c, 0, false);
        ShowChannelSection(Mute, c, 0, false);
        ShowChannelSection(Compressor, c, kAllCompFields, false);
    }
    const ChannelBlock a = CopyBlock(0);
    const ChannelBlock b = CopyBlock(1);
    SelectEntry(kIdDetectSpeed, a.detectSpeed, a.detectSpeed);
    SelectEntry(kIdGateA, NoiseGateEntry(a.gateThreshold), a.gateThreshold);
    SelectEntry(kIdGateB, NoiseGateEntry(b.gateThreshold), b.gateThreshold);
    ShowNotchBypassButton(0);
    ShowNotchBypassButton(1);
    UpdatePeqBypassState(0);
    UpdatePeqBypassState(1);
    SelectEntry(kIdShiftA, a.freqShift, a.freqShift);
    SelectEntry(kIdShiftB, b.freqShift, b.freqShift);
    SelectEntry(kIdNotchCountA, a.staticNotchCount, a.staticNotchCount);
    SelectEntry(kIdNotchCountB, b.staticNotchCount, b.staticNotchCount);
    ReloadModel();
    RedrawGraphs();
    SaveBandGains();
    const GlobalSettings globals = CopyGlobals();
    SelectEntry(kIdPanelLock, globals.panelLock, globals.panelLock);
    g_ChannelLinked = globals.channelLink == kChannelLinkedCode ? 1 : 0;
    SelectEntry(kIdChannelLink, g_ChannelLinked.load(), globals.channelLink);
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

void CMainWindow::ApplyLanguage()
{
    ApplyLanguageLists();
    ShowNotchBypassButton(0);
    ShowNotchBypassButton(1);
    UpdatePeqBypassState(0);
    UpdatePeqBypassState(1);
    ApplyLanguageImages();
    ApplyLanguageLabels();
    ApplyLanguageUndo();
    ShowConnectButton();
    UpdateStatusText();
}

void CMainWindow::ApplyLanguageLists()
{
    const int language = CurrentLanguage();
    const ChannelBlock a = CopyBlock(0);
    const GlobalSettings globals = CopyGlobals();
    FillList(kIdDetectSpeed, DetectSpeedEntries(language));
    SelectEntry(kIdDetectSpeed, a.detectSpeed, a.detectSpeed);
    FillList(kIdPanelLock, PanelLockEntries(language));
    SelectEntry(kIdPanelLock, globals.panelLock, globals.panelLock);
    g_ChannelLinked = globals.channelLink == kChannelLinkedCode ? 1 : 0;
    FillList(kIdChannelLink, ChannelLinkEntries(language));
    SelectEntry(kIdChannelLink, g_ChannelLinked.load(), globals.channelLink);
}

void CMainWindow::ApplyLanguageImages()
{
    const int language = CurrentLanguage();
    for (const LanguageButton& button : LanguageButtons()) {
        const ButtonImages& images = button.images[language];
        SkinButton(button.id)->SetImages(images.normal, images.down, images.over);
    }
    SetSameImages(SkinButton(kIdConnect), kConnectImageOff);
}

void CMainWindow::ApplyLanguageLabels()
{
    const bool chinese = CurrentLanguage() == kChinese;
    for (const LabelText& label : LabelTexts()) {
        const QString text = QString::fromUtf8(chinese ? label.chinese : label.english);
        QWidget* control = Control(label.id);
        if (auto* group = qobject_cast<QGroupBox*>(control))
            group->setTitle(text);
        else if (auto* plain = qobject_cast<QLabel*>(control))
            plain->setText(text);
    }
    for (const LabelText& tip : ToolTipTexts())
        Control(tip.id)->setToolTip(QString::fromUtf8(chinese ? tip.chinese : tip.english));
}

void CMainWindow::ShowConnectButton()
{
    SetConnectImage(g_Connected.load() == 1 ? kConnectImageOn : kConnectImageOff);
}

// The link sets the image on every change of its state: the status line follows.
void CMainWindow::SetConnectImage(int bitmapId)
{
    SetSameImages(SkinButton(kIdConnect), bitmapId);
    if (m_statusText)
        UpdateStatusText();
}

void CMainWindow::ReloadAndRedraw(int channel)
{
    ReloadModel();
    Graph(channel)->Redraw();
}

// The tables are taken before the reload, so a reply landing in between costs one
// more reload later rather than a graph that misses it.
void CMainWindow::ReloadModel()
{
    m_loadedNotches = CopyNotchTables();
    ReloadEqualizers();
}

std::uint8_t CMainWindow::NotchTablesChanged() const
{
    const auto tables = CopyNotchTables();
    std::uint8_t changed = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        const auto offset = static_cast<std::ptrdiff_t>(c * kNotchTableSize);
        if (!std::equal(tables.begin() + offset, tables.begin() + offset + kNotchTableSize,
                        m_loadedNotches.begin() + offset))
            changed |= static_cast<std::uint8_t>(1u << c);
    }
    return changed;
}

void CMainWindow::RedrawGraphs()
{
    Graph(0)->Redraw();
    Graph(1)->Redraw();
}
