// What each control of the main window does to the unit's settings: every
// action edits the settings, and the unit sends what the action changed.
#include "ui/main/MainWindow.h"

#include "model/ValueTables.h"
#include "ui/common/Language.h"
#include "ui/common/MessageBox.h"
#include "ui/common/UnitAdapter.h"
#include "ui/main/ChannelPanel.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"

#include <algorithm>

namespace {

// The highest code a spin reaches: the end of the field's linear range, or its last named code.
int TopCode(ChannelField field)
{
    const Codec& codec = *Spec(field).codec;
    if (field == ChannelField::CompThreshold)
        return kCompThresholdOff;
    if (codec.linear && codec.named.empty())
        return codec.linear->codeMax;
    int top = codec.linear ? codec.linear->codeMax : 0;
    for (const NamedCode& named : codec.named)
        top = std::max(top, named.code);
    return top;
}

BandGainCodes FlatBandGains()
{
    BandGainCodes flat;
    flat.fill(kFlatGainCode);
    return flat;
}

// One spin step of a code within [0, top]: the up arrow raises.
int Stepped(int code, int step, int top)
{
    if (step > 0 && code < top)
        return code + 1;
    if (step < 0 && code > 0)
        return code - 1;
    return code;
}

}  // namespace

// The change goes out as part of the action open; the user has moved on from
// the last preset load or save (CUnitActions::edited).
void CMainWindow::ChangeSettings(const CUnit::Action& action)
{
    Actions().Edit(action);
}

// A preset's outcome stays on the status line until the user's next change,
// made here or by a remote client.
void CMainWindow::ForgetPresetNote()
{
    if (m_note.kind == StatusKind::PresetDone || m_note.kind == StatusKind::PresetFailed)
        m_note = {StatusKind::Connected};
}

void CMainWindow::StepGain(int channel, int step)
{
    ChangeSettings([&](CSettingsEdit& edit) {
        const int code = edit.Get(channel, ChannelField::Gain);
        edit.Set(channel, ChannelField::Gain, Stepped(code, step, TopCode(ChannelField::Gain)));
    });
}

void CMainWindow::StepCompressor(int channel, ChannelField field, int step)
{
    ChangeSettings([&](CSettingsEdit& edit) {
        edit.Set(channel, field, Stepped(edit.Get(channel, field), step, TopCode(field)));
    });
}

// A drag is one step of the history from its first move to its release.
void CMainWindow::OnFaderMoved(int channel, int gainCode, bool dragEnded)
{
    BeginEditIfNone();
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::Gain, gainCode); });
    if (dragEnded)
        EndEdit();
}

void CMainWindow::OnGraphBandChanged(int channel, int band)
{
    if (channel < 0 || channel >= kChannelCount || band < 0 || band >= kBandCount)
        return;
    BeginEditIfNone();
    const BandParams record = m_unit.Unit().Equalizers().Table(channel).bands[band];
    ChangeSettings([&](CSettingsEdit& edit) { edit.SetBand(channel, band, record); });
}

void CMainWindow::CommitGainEdit(int channel, const QString& text)
{
    if (!ParseGain(channel, text))
        ShowRangeMessage(channel, ChannelField::Gain);
}

// Only the threshold and the attack are typed; release and ratio are read-only.
void CMainWindow::CommitCompressorEdit(int channel, ChannelField field, const QString& text)
{
    const bool valid = field == ChannelField::CompThreshold ? ParseThreshold(channel, text) : ParseAttack(channel, text);
    if (!valid)
        ShowRangeMessage(channel, field);
}

bool CMainWindow::ParseGain(int channel, const QString& text)
{
    const Linear& gain = *codecs::kGain.linear;
    const double x = LeadingDecimal(text);
    if (!(x >= gain.MinValue() && x <= gain.MaxValue()))
        return false;
    const int code = gain.CodeOf(x);
    if (code != m_unit.Unit().Image().Channel(channel).gain.Get())
        ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::Gain, code); });
    return true;
}

// CH A reads a decimal number (-39.5 is code 0), CH B an integer (-39.5 is -39, code 1);
// "OFF" is 19 dB, the OFF code, which is sent again even when it is already set.
bool CMainWindow::ParseThreshold(int channel, const QString& text)
{
    const bool off = text == QStringLiteral("OFF");
    const double typed = off ? kTypedCompThreshold.MaxValue()
                             : (channel == 0 ? LeadingDecimal(text) : static_cast<double>(LeadingInteger(text)));
    if (!(typed >= kTypedCompThreshold.MinValue() && typed <= kTypedCompThreshold.MaxValue()))
        return false;
    const int code = kTypedCompThreshold.CodeOf(typed);
    if (code != m_unit.Unit().Image().Channel(channel).compThreshold || code == kCompThresholdOff)
        ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::CompThreshold, code); });
    return true;
}

bool CMainWindow::ParseAttack(int channel, const QString& text)
{
    const Linear& attack = *codecs::kCompAttack.linear;
    const long long n = LeadingInteger(text);
    if (n < attack.MinValue() || n > attack.MaxValue())
        return false;
    const int code = attack.CodeOf(static_cast<double>(n));
    if (code != m_unit.Unit().Image().Channel(channel).compAttack)
        ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::CompAttack, code); });
    return true;
}

// The edit shows the unit's value again.
void CMainWindow::ShowRangeMessage(int channel, ChannelField field)
{
    ShowMessageBox(this, RangeMessage(), ApplicationName());
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    if (field == ChannelField::Gain)
        m_panels[channel]->ShowGain(block);
    else
        m_panels[channel]->ShowCompressorField(block, field);
}

// The preset dialogs work on the unit themselves; their result is ignored.
void CMainWindow::OpenLoadDialog()
{
    CPresetLoadDialog dialog(this, m_unit);
    dialog.exec();
}

void CMainWindow::OpenSaveDialog()
{
    CPresetSaveDialog dialog(this, m_unit);
    dialog.exec();
}

void CMainWindow::ToggleMute(int channel)
{
    ChangeSettings([&](CSettingsEdit& edit) {
        edit.Set(channel, ChannelField::Mute, edit.Get(channel, ChannelField::Mute) == 0 ? 1 : 0);
    });
}

void CMainWindow::SetFreqShift(int channel, int index)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::FrequencyShift, index); });
}

void CMainWindow::SetGateThreshold(int channel, int index)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(channel, ChannelField::NoiseGate, kGateTopCode - index); });
}

// All bands flat: the bypass is engaged, and switching it off gives the kept gains back.
void CMainWindow::TogglePeqBypass(int channel)
{
    ChangeSettings([&](CSettingsEdit& edit) {
        BandGainCodes& kept = edit.RestoreGains(channel);
        const bool engaged = BandGains(edit.After().channels[channel]) == FlatBandGains();
        for (int k = 0; k < kBandCount; ++k) {
            if (!engaged) {
                kept[k] = edit.Band(channel, k).gainCode.Get();
                edit.SetBandGain(channel, k, kFlatGainCode);
            } else {
                edit.SetBandGain(channel, k, kept[k]);
            }
        }
        edit.SendBandsAsOneWrite(channel);
    });
}

void CMainWindow::ToggleNotchBypass(int channel)
{
    ChangeSettings([&](CSettingsEdit& edit) {
        edit.Set(channel, ChannelField::NotchBypass, edit.Get(channel, ChannelField::NotchBypass) == 0 ? 1 : 0);
    });
}

void CMainWindow::ClearNotches(int channel)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.ClearNotches(channel); });
}

void CMainWindow::SetStaticNotchCount(int channel, int index)
{
    if (m_unit.Unit().Image().Channel(channel).staticNotchCount == index)
        return;
    ChangeSettings([&](CSettingsEdit& edit) {
        edit.Set(channel, ChannelField::StaticNotchCount, index);
        edit.EmptyNotches(channel);
    });
}

void CMainWindow::SetDetectSpeed(int index)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(0, ChannelField::DetectionSpeed, index); });
}

void CMainWindow::SetPanelLock(int index)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(GlobalField::PanelLock, index); });
}

void CMainWindow::SetChannelLink(int index)
{
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(GlobalField::ChannelLink, index != 0 ? kChannelLinkedCode : 0); });
}

// The unit keeps the interface language: the window follows the byte it was sent.
void CMainWindow::ToggleLanguage()
{
    const int language = CurrentLanguage() == kEnglish ? kChinese : kEnglish;
    ChangeSettings([&](CSettingsEdit& edit) { edit.Set(GlobalField::Language, language); });
}
