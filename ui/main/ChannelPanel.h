// One channel's strip of the main window: its equalizer graph with the bypass and notch
// controls beside it, the gain (mute, fader, level meter, number and spin) and the compressor.
// It is built from the one description of a channel's controls for the channel it is given,
// in layouts in which the graph takes any room the window has beyond its design size. It shows
// what the channel's settings hold and tells through its signals what the user does; the window
// turns those into the unit's actions. Nothing in it knows the other channel.
#pragma once

#include "model/SettingFields.h"
#include "protocol/ProtocolEvents.h"
#include "ui/main/MainWindowControls.h"
#include "unit/Unit.h"

#include <QHash>
#include <QWidget>

#include <array>
#include <utility>

class QComboBox;
class QLineEdit;
class CEqualizerGraph;
class CGainFader;
class CLevelMeter;
class CSkinnedButton;
struct ChannelControlSpec;

class CChannelPanel : public QWidget {
    Q_OBJECT
public:
    // Channel 0 is CH A, 1 CH B.
    CChannelPanel(int channel, QWidget* parent);

    int Channel() const { return m_channel; }
    // Where the channel's strip sits in the window at the window's design size.
    static QRect DesignRect(int channel);

    // The panel's control that keeps the id, or nullptr.
    QWidget* Control(int id) const;
    CEqualizerGraph* Graph() const;
    CGainFader* Fader() const;
    CLevelMeter* Meter() const;

    // Shows what the channel's settings hold in the groups that changed.
    void ShowSettings(const ChannelBlock& block, const SettingsChange& change);
    void ShowGain(const ChannelBlock& block);
    void ShowCompressorField(const ChannelBlock& block, ChannelField field);
    void ShowLevel(const MeterLamps& lamps);
    // What is being typed into one of the panel's edits is committed now, as leaving the edit would.
    void CommitTypedText();

signals:
    void muteClicked();
    void peqBypassClicked();
    void notchBypassClicked();
    void notchClearClicked();
    // A spin's arrow or the Up or Down key in its edit: +1 raises, -1 lowers.
    void gainStepped(int step);
    void compressorStepped(ChannelField field, int step);
    // An edit the user typed into lost the focus; only the threshold and the attack are typed.
    void gainTyped(const QString& text);
    void compressorTyped(ChannelField field, const QString& text);
    // The fader's gain code while it is dragged, and once a drag, a key or a wheel step ended.
    void faderMoved(int gainCode, bool ended);
    void frequencyShiftPicked(int index);
    void noiseGatePicked(int index);
    void staticNotchCountPicked(int index);
    // The graph's bands: a drag step or a key changed a band; a drag or a burst of keys ended.
    void bandChanged(int channel, int band);
    void bandDragFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Building the strip (ChannelPanel.cpp).
    void CreateControls();
    QWidget* CreateControl(const ChannelControlSpec& item, const QRect& rect);
    QWidget* ContainerOf(const QRect& rect) const;
    QWidget* MeterFor(const QRect& lampRect, QWidget* group);
    void SetUpControls();
    void LayOut();
    void ConnectControls();
    void CommitEdit(QObject* edit);

    QComboBox* List(int id) const;
    QLineEdit* Edit(int id) const;
    CSkinnedButton* Button(int id) const;
    // Each spin with the edit it steps.
    std::array<std::pair<int, int>, kCompFieldCount + 1> SpinEdits() const;

    // Showing and speaking (ChannelPanelDisplay.cpp).
    void ShowMute(const ChannelBlock& block);
    void ShowNotchBypass(const ChannelBlock& block);
    void ShowPeqBypass(const ChannelBlock& block);
    void ShowLists(const ChannelBlock& block);
    void ApplyLanguage();
    void ApplyLanguageImages();
    void ApplySpokenNames();

    const int m_channel;
    const ChannelControlIds m_ids;
    QHash<int, QWidget*> m_controls;
    QList<QWidget*> m_groups;   // the group boxes
    CLevelMeter* m_meter = nullptr;
    bool m_notchBypassOn = false;   // as last shown: the language picks its face
    bool m_peqBypassOn = false;
};
