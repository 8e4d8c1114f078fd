// What each control of the main window does to the image and the unit.
#include "ui/main/MainWindow.h"

#include "model/ValueTables.h"
#include "model/ChannelEqualizer.h"
#include "protocol/Communication.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MessageBox.h"
#include "ui/main/MainWindowState.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"
#include "ui/settings/SettingsFiles.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr int kAttackMax = 95;
constexpr int kReleaseMax = 5;
constexpr int kRatioMax = 127;      // "Inf:1"

std::uint8_t U8(int value)
{
    return static_cast<std::uint8_t>(value);
}

// One spin step of a code within [0, max]: raise when asked, else lower.
void Step(std::uint8_t& code, bool raise, int max)
{
    if (raise && code < max)
        ++code;
    else if (!raise && code > 0)
        --code;
}

void EmptyNotches(ChannelBlock& block)
{
    for (NotchEntry& notch : block.notches)
        notch.freqHz.Set(kNoNotchFreqHz);
}

}  // namespace

void CMainWindow::StepChannelValue(ChannelSection section, int channel, int fields, int delta)
{
    const bool raise = delta < 0;
    {
        ImageLock lock(g_ImageMutex);
        ChannelBlock& block = g_ChannelBlocks[channel];
        if (section == Gain) {
            const int gain = block.gain.Get();
            if (raise && gain < kGainCodeMax)
                block.gain.Set(static_cast<std::int16_t>(gain + 1));
            else if (!raise && gain > 0)
                block.gain.Set(static_cast<std::int16_t>(gain - 1));
        } else if (section == Compressor) {
            if (fields & kCompThreshold)
                Step(block.compThreshold, raise, kCompThresholdOff);
            if (fields & kCompAttack)
                Step(block.compAttack, raise, kAttackMax);
            if (fields & kCompRelease)
                Step(block.compRelease, raise, kReleaseMax);
            if (fields & kCompRatio)
                Step(block.compRatio, raise, kRatioMax);
        }
    }
    ShowChannelSection(section, channel, fields, true);
}

void CMainWindow::OnFaderMoved(qintptr wParam, qintptr)
{
    const int channel = static_cast<int>(wParam) - kIdFader;
    if (channel < 0 || channel >= kChannelCount)
        return;
    const int gain = Fader(channel)->GetInvertedPos();
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[channel].gain.Set(static_cast<std::int16_t>(gain));
    }
    ShowChannelSection(Gain, channel, 0, true);
}

void CMainWindow::StoreGraphBand(qintptr wParam, qintptr lParam)
{
    if (lParam < 0 || lParam >= kChannelCount || wParam < 0 || wParam >= kBandCount)
        return;
    const int channel = static_cast<int>(lParam);
    const int k = static_cast<int>(wParam);
    const BandParams& record = g_BandTable[channel].bands[k];
    {
        ImageLock lock(g_ImageMutex);
        BandParams& band = g_ChannelBlocks[channel].bands[k];
        band.freqHz = record.freqHz;
        band.gainCode = record.gainCode;
        band.bwCode = record.bwCode;
    }
    QueueSetParam(AREA_CHANNEL, U8(channel), U8(kGroupFirstBand + k));
    UpdatePeqBypassState(channel);
}

void CMainWindow::OnEditKillFocus(int id)
{
    AsOneStep([this, id] { CommitEdit(id); });
}

void CMainWindow::CommitEdit(int id)
{
    QLineEdit* edit = Edit(id);
    if (!edit || edit->isReadOnly())
        return;
    const QString text = edit->text();
    if (id == kIdGainEdit || id == kIdGainEdit + 1) {
        if (!CommitGainEdit(id - kIdGainEdit, text))
            ShowRangeMessage(Gain, id - kIdGainEdit, 0);
        return;
    }
    const int channel = (id - kIdCompEdit) / 4;
    const int field = (id - kIdCompEdit) % 4;
    if (field == 0 && !CommitThresholdEdit(channel, text))
        ShowRangeMessage(Compressor, channel, kCompThreshold);
    else if (field == 1 && !CommitAttackEdit(channel, text))
        ShowRangeMessage(Compressor, channel, kCompAttack);
}

bool CMainWindow::CommitGainEdit(int channel, const QString& text)
{
    const double x = LeadingDecimal(text);
    if (!(x >= -80.0 && x <= 10.0))
        return false;
    const auto code = static_cast<std::int16_t>(x + 80.0);
    {
        ImageLock lock(g_ImageMutex);
        std::int16_t current = g_ChannelBlocks[channel].gain.Get();
        if (code == current)
            return true;
        g_ChannelBlocks[channel].gain.Set(code);
    }
    ShowChannelSection(Gain, channel, 0, true);
    return true;
}

bool CMainWindow::CommitThresholdEdit(int channel, const QString& text)
{
    const bool off = text == QStringLiteral("OFF");
    int code = 0;
    if (channel == 0) {
        // CH A reads a decimal number: -39.5 is code 0.
        const double x = off ? 19.0 : LeadingDecimal(text);
        if (!(x >= -40.0 && x <= 19.0))
            return false;
        code = static_cast<int>(x + 40.0);
    } else {
        // CH B reads an integer: -39.5 is -39, code 1.
        const long long n = off ? 19 : LeadingInteger(text);
        if (n < -40 || n > 19)
            return false;
        code = static_cast<int>(n + 40);
    }
    {
        ImageLock lock(g_ImageMutex);
        std::uint8_t& threshold = g_ChannelBlocks[channel].compThreshold;
        if (code == threshold && code != kCompThresholdOff)
            return true;
        threshold = U8(code);
    }
    ShowChannelSection(Compressor, channel, kCompThreshold, true);
    return true;
}

bool CMainWindow::CommitAttackEdit(int channel, const QString& text)
{
    const long long n = LeadingInteger(text);
    if (n < 5 || n > 100)
        return false;
    {
        ImageLock lock(g_ImageMutex);
        std::uint8_t& attack = g_ChannelBlocks[channel].compAttack;
        if (n - 5 == attack)
            return true;
        attack = U8(static_cast<int>(n - 5));
    }
    ShowChannelSection(Compressor, channel, kCompAttack, true);
    return true;
}

void CMainWindow::ShowRangeMessage(ChannelSection section, int channel, int fields)
{
    ShowMessageBox(this, RangeMessage(CurrentLanguage()), ApplicationName());
    ShowChannelSection(section, channel, fields, false);
}

void CMainWindow::OnListSelected(int id, int index)
{
    if (index >= 0)
        AsOneStep([this, id, index] { SelectListValue(id, index); });
}

void CMainWindow::SelectListValue(int id, int index)
{
    switch (id) {
    case kIdShiftA: SetFreqShift(0, index); break;
    case kIdShiftB: SetFreqShift(1, index); break;
    case kIdGateA: SetGateThreshold(0, index); break;
    case kIdGateB: SetGateThreshold(1, index); break;
    case kIdNotchCountA: SetStaticNotchCount(0, index); break;
    case kIdNotchCountB: SetStaticNotchCount(1, index); break;
    case kIdDetectSpeed: SetDetectSpeed(index); break;
    case kIdPanelLock: SetPanelLock(index); break;
    case kIdChannelLink: SetChannelLink(index); break;
    default: break;
    }
}

void CMainWindow::OnButtonClicked(int id)
{
    if (IsEditingButton(id))
        AsOneStep([this, id] { PressButton(id); });
    else
        PressButton(id);
}

void CMainWindow::PressButton(int id)
{
    switch (id) {
    case kIdMute: ToggleMute(0); break;
    case kIdMute + 1: ToggleMute(1); break;
    case kIdConnect:
        if (m_link.onConnectButton)
            m_link.onConnectButton();
        break;
    case kIdLoad: RunPresetDialog<CPresetLoadDialog>(); break;
    case kIdSave: RunPresetDialog<CPresetSaveDialog>(); break;
    case kIdImport: m_settingsFiles->Import(); break;
    case kIdExport: m_settingsFiles->Export(); break;
    case kIdLanguage: ToggleLanguage(); break;
    case kIdPeqBypass: TogglePeqBypass(0); break;
    case kIdPeqBypass + 3: TogglePeqBypass(1); break;
    case kIdNotchBypass: ToggleNotchBypass(0); break;
    case kIdNotchBypass + 3: ToggleNotchBypass(1); break;
    case kIdNotchClear: ClearNotches(0); break;
    case kIdNotchClear + 3: ClearNotches(1); break;
    default: break;
    }
}

// The preset dialogs work on the image and the scheduler themselves; their result is ignored.
template <class Dialog>
void CMainWindow::RunPresetDialog()
{
    Dialog dialog(this);
    dialog.exec();
}

void CMainWindow::ToggleMute(int channel)
{
    {
        ImageLock lock(g_ImageMutex);
        std::uint8_t& mute = g_ChannelBlocks[channel].mute;
        mute = mute == 0 ? 1 : 0;
    }
    ShowChannelSection(Mute, channel, 0, true);
}

void CMainWindow::SetFreqShift(int channel, int index)
{
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[channel].freqShift = U8(index);
    }
    QueueSetParam(AREA_CHANNEL, U8(channel), kGroupGain);
}

void CMainWindow::SetGateThreshold(int channel, int index)
{
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[channel].gateThreshold = U8(kGateTopCode - index);
    }
    QueueSetParam(AREA_CHANNEL, U8(channel), kGroupGate);
}

void CMainWindow::TogglePeqBypass(int channel)
{
    {
        ImageLock lock(g_ImageMutex);
        BandParams* bands = g_ChannelBlocks[channel].bands;
        if (g_PeqBypassed[channel] == 0) {
            g_PeqBypassed[channel] = 1;
            for (int k = 0; k < kBandCount; ++k) {
                g_SavedBandGains[channel][k] = bands[k].gainCode.Get();
                bands[k].gainCode.Set(kFlatGainCode);
            }
        } else {
            g_PeqBypassed[channel] = 0;
            for (int k = 0; k < kBandCount; ++k)
                bands[k].gainCode.Set(g_SavedBandGains[channel][k]);
        }
    }
    UpdatePeqBypassState(channel);
    ReloadAndRedraw(channel);
    QueueWriteBands(AREA_CHANNEL, U8(channel));
}

void CMainWindow::ToggleNotchBypass(int channel)
{
    {
        ImageLock lock(g_ImageMutex);
        std::uint8_t& bypass = g_ChannelBlocks[channel].notchBypass;
        bypass = bypass == 0 ? 1 : 0;
    }
    ShowNotchBypassButton(channel);
    QueueSetParam(AREA_CHANNEL, U8(channel), kGroupNotch);
}

void CMainWindow::ClearNotches(int channel)
{
    {
        ImageLock lock(g_ImageMutex);
        EmptyNotches(g_ChannelBlocks[channel]);
    }
    g_NotchClearRequest = 1;
    QueueSetParam(AREA_CHANNEL, U8(channel), kGroupNotch);
    ReloadAndRedraw(channel);
}

void CMainWindow::SetStaticNotchCount(int channel, int index)
{
    {
        ImageLock lock(g_ImageMutex);
        ChannelBlock& block = g_ChannelBlocks[channel];
        if (block.staticNotchCount == index)
            return;
        block.staticNotchCount = U8(index);
        EmptyNotches(block);
    }
    QueueSetParam(AREA_CHANNEL, U8(channel), kGroupNotch);
    ReloadAndRedraw(channel);
}

void CMainWindow::SetDetectSpeed(int index)
{
    {
        ImageLock lock(g_ImageMutex);
        g_ChannelBlocks[0].detectSpeed = U8(index);
        g_ChannelBlocks[1].detectSpeed = U8(index);
    }
    SelectEntry(kIdDetectSpeed, index, index);
    QueueSetParam(AREA_CHANNEL, 0, kGroupNotch);
}

void CMainWindow::SetPanelLock(int index)
{
    {
        ImageLock lock(g_ImageMutex);
        g_GlobalSettings.panelLock = U8(index);
    }
    QueueSetParam(AREA_GLOBAL, 0, kGlobalItemPanelLock);
}

void CMainWindow::SetChannelLink(int index)
{
    g_ChannelLinked = index != 0 ? 1 : 0;
    {
        ImageLock lock(g_ImageMutex);
        g_GlobalSettings.channelLink = index != 0 ? kChannelLinkedCode : 0;
    }
    QueueSetParam(AREA_GLOBAL, 0, kGlobalItemChannelLink);
}

void CMainWindow::ToggleLanguage()
{
    g_LanguageChinese = g_LanguageChinese.load() == 0 ? 1 : 0;
    {
        ImageLock lock(g_ImageMutex);
        g_GlobalSettings.language = U8(g_LanguageChinese.load());
    }
    ApplyLanguage();
    QueueSetParam(AREA_GLOBAL, 0, kGlobalItemLanguage);
}
