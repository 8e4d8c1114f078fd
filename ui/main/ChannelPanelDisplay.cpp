// What a channel panel shows of its channel's settings, in the interface language, and what
// a screen reader calls each of its controls.
#include "ui/main/ChannelPanel.h"

#include "ui/common/Language.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/controls/SpinButton.h"
#include "ui/main/ChannelPanelControls.h"
#include "ui/main/MainWindowTexts.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

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

// Each control shows its setting again when the group it travels in changed.
void CChannelPanel::ShowSettings(const ChannelBlock& block, const SettingsChange& change)
{
    const int c = m_channel;
    if (change.ChangedGroup(c, kGroupGain)) {
        ShowGain(block);
        ShowMute(block);
    }
    if (change.ChangedGroup(c, kGroupCompressor)) {
        for (ChannelField field : kCompFields)
            ShowCompressorField(block, field);
    }
    if (change.ChangedGroup(c, kGroupNotch))
        ShowNotchBypass(block);
    if (change.ChangedGroup(c, kGroupGain) || change.ChangedGroup(c, kGroupGate) || change.ChangedGroup(c, kGroupNotch))
        ShowLists(block);
    if (change.ChangedBands(c))
        ShowPeqBypass(block);
}

void CChannelPanel::ShowGain(const ChannelBlock& block)
{
    const int gain = block.gain.Get();
    Edit(m_ids.gainEdit)->setText(GainText(gain));
    Fader()->SetInvertedPos(gain);
}

void CChannelPanel::ShowCompressorField(const ChannelBlock& block, ChannelField field)
{
    for (int f = 0; f < kCompFieldCount; ++f) {
        if (kCompFields[f] == field)
            Edit(m_ids.compEdits[f])->setText(CompressorText(field, LoadCode(BlockBytes(block), Spec(field))));
    }
}

void CChannelPanel::ShowMute(const ChannelBlock& block)
{
    const bool muted = block.mute != 0;
    Button(m_ids.mute)->ShowSwitch(MuteImage(muted), muted);
}

void CChannelPanel::ShowNotchBypass(const ChannelBlock& block)
{
    m_notchBypassOn = block.notchBypass != 0;
    Button(m_ids.notchBypass)->ShowSwitch(NotchBypassImage(CurrentLanguage(), m_notchBypassOn), m_notchBypassOn);
}

// The PEQ bypass is engaged while all 12 band gains of the channel are 0 dB.
void CChannelPanel::ShowPeqBypass(const ChannelBlock& block)
{
    m_peqBypassOn = AllBandsFlat(block);
    Button(m_ids.peqBypass)->ShowSwitch(PeqBypassImage(CurrentLanguage(), m_peqBypassOn), m_peqBypassOn);
}

void CChannelPanel::ShowLists(const ChannelBlock& block)
{
    ShowListEntry(*List(m_ids.frequencyShift), block.freqShift, block.freqShift);
    ShowListEntry(*List(m_ids.noiseGate), NoiseGateEntry(block.gateThreshold), block.gateThreshold);
    ShowListEntry(*List(m_ids.staticNotchCount), block.staticNotchCount, block.staticNotchCount);
}

void CChannelPanel::ShowLevel(const MeterLamps& lamps)
{
    for (int j = 0; j < kLampsPerChannel; ++j)
        m_meter->Lamp(j)->SetLit(lamps[j]);
}

void CChannelPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ApplyLanguage();
    QWidget::changeEvent(event);
}

// The texts, the pictures of words and the spoken names of the interface language.
void CChannelPanel::ApplyLanguage()
{
    for (const ChannelControlSpec& spec : ChannelPanelControls()) {
        QWidget* control = Control(spec.ids[m_channel]);
        const QString text = spec.flags & kItemNamesChannel ? ShownChannelName(m_channel) : tr(spec.text);
        if (auto* group = qobject_cast<QGroupBox*>(control))
            group->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(text);
    }
    ApplyLanguageImages();
    ApplySpokenNames();
}

void CChannelPanel::ApplyLanguageImages()
{
    const int language = CurrentLanguage();
    ShowLanguageImages([this](int id) { return qobject_cast<CSkinnedButton*>(Control(id)); }, language);
    Button(m_ids.notchBypass)->ShowSwitch(NotchBypassImage(language, m_notchBypassOn), m_notchBypassOn);
    Button(m_ids.peqBypass)->ShowSwitch(PeqBypassImage(language, m_peqBypassOn), m_peqBypassOn);
}

// Each control is called after what it does and its channel; a label names the control after
// it in the description, as its buddy; a spin's arrows are its edit's, up and down; the lamps
// are one level meter.
void CChannelPanel::ApplySpokenNames()
{
    const QString channel = ShownChannelName(m_channel);
    QLabel* label = nullptr;
    for (const ChannelControlSpec& spec : ChannelPanelControls()) {
        QWidget* control = Control(spec.ids[m_channel]);
        if (spec.spokenName)
            control->setAccessibleName(tr(spec.spokenName).arg(channel));
        if (label && spec.kind != ItemKind::Label && spec.kind != ItemKind::Spin) {
            label->setBuddy(control);
            label = nullptr;
        }
        if (spec.kind == ItemKind::Label)
            label = qobject_cast<QLabel*>(control);
    }
    for (const auto& [spinId, editId] : SpinEdits()) {
        auto* spin = qobject_cast<CSpinButton*>(Control(spinId));
        const QString edit = Control(editId)->accessibleName();
        spin->UpButton()->setAccessibleName(tr("%1, up").arg(edit));
        spin->DownButton()->setAccessibleName(tr("%1, down").arg(edit));
    }
    m_meter->setAccessibleName(tr("%1 level").arg(channel));
    for (int j = 0; j < kOverloadLamp; ++j)
        m_meter->Lamp(j)->setAccessibleName(tr("%1 level lamp %2").arg(channel).arg(j + 1));
    m_meter->Lamp(kOverloadLamp)->setAccessibleName(tr("%1 overload lamp").arg(channel));
}
