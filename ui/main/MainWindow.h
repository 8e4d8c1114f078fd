// The main window: the unit's global controls and the status line along the top, one channel
// panel per channel below them, in layouts that give the graphs the room of a larger window.
// It shows what the unit holds, turns what the user does into edits of the unit's settings,
// and says what has not reached the unit yet.
#pragma once

#include "model/SettingsCompare.h"
#include "model/SettingsEdit.h"
#include "ui/common/UnitActions.h"
#include "ui/main/StatusLine.h"
#include "unit/Unit.h"

#include <QBasicTimer>
#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QUndoStack>

#include <array>
#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QComboBox;
class QLabel;
class QLineEdit;
class CChannelPanel;
class CSkinnedButton;
class CMeterLamp;
class CGainFader;
class CEqualizerGraph;
class CFilterFiles;
class CSettingsFiles;
class CUnitAdapter;
class CRemoteService;
struct ControlSpec;

class CMainWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerPeriodMs = 100;
    // The size the window opens at the first time and goes no smaller than: its controls are
    // designed for it.
    static constexpr int kWindowWidth = 1200;
    static constexpr int kWindowHeight = 725;
    // Ticks a lost unit has to come back before the warning shows: a loose
    // cable that drops the unit for a moment raises no box.
    static constexpr int kLostWarningTicks = 10;
    // The window's size and place as it last closed, in the user's settings.
    static constexpr char kGeometryKey[] = "window/geometry";

    // The window of the unit; the unit outlives it.
    explicit CMainWindow(CUnitAdapter& unit, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // The control with the control table's id, the window's own or a channel panel's, or nullptr.
    QWidget* Control(int id) const;
    QComboBox* List(int id) const;
    QLineEdit* Edit(int id) const;
    CSkinnedButton* SkinButton(int id) const;
    CMeterLamp* Lamp(int id) const;
    CGainFader* Fader(int channel) const;
    CEqualizerGraph* Graph(int channel) const;
    CChannelPanel& Panel(int channel) const { return *m_panels[channel]; }

    // Shows what changed in the unit's settings (as the unit reports it), or
    // everything they hold now.
    void OnSettingsChanged(const SettingsChange& change);
    void ShowUnitSettings();

    // Timer 1: one step of the unit, the lost warning, the status line.
    void OnTimer();
    bool IsTimerRunning() const { return m_timer.isActive(); }

    // The about box (the window's context menu offers it).
    void ShowAboutBox();

    // Undo and redo of the user's changes: Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y.
    // Each side of the A/B compare has its own history; this is the active one's.
    QUndoStack& UndoStack() { return Actions().ActiveHistory(); }
    QAction* UndoAction() const { return m_undoAction; }
    QAction* RedoAction() const { return m_redoAction; }

    // The import and export buttons' settings files.
    CSettingsFiles& SettingsFiles() { return *m_settingsFiles; }
    // A graph's "Import filters…" (one undo step) and "Export filters…".
    void ImportFilters(int channel);
    void ExportFilters(int channel);

    // A/B compare (the A/B button, Ctrl+B): two complete settings of the unit,
    // the switch sending only the groups in which they differ.
    void SwitchCompareSide();
    CompareSide ActiveCompareSide() const { return Actions().ActiveSide(); }
    // "Copy A to B" and "Copy B to A"; copying into the side the unit has is one undo step.
    void CopyCompareSide(CompareSide from);
    QAction* CompareAction() const { return m_compareAction; }
    // "Copy CH A to CH B" and back: one undo step, only the difference sent.
    void CopyChannel(int from);

    // A graph's "Show measurement…" and "Hide measurement" (MainWindowMeasurement.cpp).
    void ShowMeasurement(int channel);
    void HideMeasurement(int channel);
    // "Fit bands to the measurement…": the fit dialog, its Apply one undo step (MainWindowFit.cpp).
    void FitBandsToMeasurement(int channel);

    // Several units: the USB button offers the attached ones in a menu, unless
    // the command line chose one. The title shows the unit's name.
    void KeepToTheUnitChosen() { m_unitChosen = true; }
    void OnConnectClicked();
    // "Name this unit…": the name the connected unit is shown and chosen by.
    void NameThisUnit();
    void UpdateTitle();

    // The status line: what has not reached the unit yet, or why it cannot.
    void UpdateStatusText();
    StatusLine CurrentStatus() const;
    // "Remote control…": paired devices reach the unit through it (MainWindowRemote.cpp). It is
    // made as the window's first events are handled, so that the window shows without waiting
    // for it, or when it is asked for before.
    void OpenRemoteDialog();
    CRemoteService& RemoteControl();

    // The warning that the unit is gone, while it is shown.
    QMessageBox* LostWarning() const { return m_lostWarning; }

    // Closing keeps the window's size and place for the next start.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // The translator changed: every text, list and picture of words follows.
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Creating the window (MainWindow.cpp).
    void CreateControls();
    QWidget* CreateControl(const ControlSpec& item);
    void LayOut();
    void PlaceWindow();
    void ConnectControls();
    void ConnectPanel(const CChannelPanel& panel);
    void ConnectList(int id, const std::function<void(int)>& pick);
    void ConnectButton(int id, const std::function<void()>& press, bool editing);
    void InstallKeyFilter();
    void OnInitDialog();
    void AttachGraphs();
    void CreateStatusText();
    void CreateUndoActions();
    void CreateCompareAction();

    // What the unit reports (MainWindow.cpp, MainWindowStatus.cpp).
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void OnMeterLamps(int channel, const MeterLamps& lamps);

    // The user's actions (MainWindowBindings.cpp). Each is one step of the
    // unit's undo history: the settings before it, and after it once it ended
    // (a drag ends at the release).
    CUnitActions& Actions() const;
    template <class Action>
    void AsOneStep(Action action)
    {
        Actions().AsOneStep(action);
    }
    void BeginEditIfNone();
    void EndEdit();
    void ChangeSettings(const CUnit::Action& action);
    void ForgetPresetNote();
    void OnFaderMoved(int channel, int gainCode, bool dragEnded);
    void OnGraphBandChanged(int channel, int band);
    void StepGain(int channel, int step);
    void StepCompressor(int channel, ChannelField field, int step);
    void CommitGainEdit(int channel, const QString& text);
    void CommitCompressorEdit(int channel, ChannelField field, const QString& text);
    bool ParseGain(int channel, const QString& text);
    bool ParseThreshold(int channel, const QString& text);
    bool ParseAttack(int channel, const QString& text);
    void ShowRangeMessage(int channel, ChannelField field);
    void ToggleMute(int channel);
    void SetFreqShift(int channel, int index);
    void SetGateThreshold(int channel, int index);
    void TogglePeqBypass(int channel);
    void ToggleNotchBypass(int channel);
    void ClearNotches(int channel);
    void SetStaticNotchCount(int channel, int index);
    void SetDetectSpeed(int index);
    void SetPanelLock(int index);
    void SetChannelLink(int index);
    void ToggleLanguage();
    void OpenLoadDialog();
    void OpenSaveDialog();

    // Showing the settings (MainWindowDisplay.cpp).
    void ShowSettings(const SettingsChange& change);
    void ShowDetectSpeed(const ChannelBlock& channelA);
    void ShowGlobalLists();
    void ShowBands(const SettingsChange& change, const std::array<ChannelBlock, kChannelCount>& blocks);
    void ApplyLanguage();
    void ApplyLanguageLists();
    void ApplyLanguageLabels();
    void ApplyLanguageUndo();
    // What a screen reader calls the window's own drawn controls and lists (MainWindowAccessible.cpp).
    void SetupAccessibility();
    void ApplyAccessibleNames();
    void FollowUnitLanguage();
    void ShowConnectButton();
    void ShowCompareButton();
    void CommitTypedText();
    void AddCompareEntries(QMenu& menu);
    void AddUnitEntries(QMenu& menu);
    std::string PickUnitFromMenu(const std::vector<HidInterfaceInfo>& units);

    // The graph's measurement entries of the context menu (MainWindowMeasurement.cpp).
    void AddMeasurementActions(QMenu& menu, int channel);

    void CreateRemoteControl();
    QString RemoteStatusText() const;

    // The link as the user sees it (MainWindowStatus.cpp).
    void ShowConnectFailure(const ConnectionEvent& event);
    void WarnWhenStillLost();
    void ForgetLoss();

    CUnitAdapter& m_unit;
    QHash<int, QWidget*> m_controls;   // the window's own
    std::array<CChannelPanel*, kChannelCount> m_panels{};
    QIcon m_hIcon;
    QBasicTimer m_timer;
    bool m_linkStarted = false;
    QLabel* m_statusText = nullptr;
    CSettingsFiles* m_settingsFiles = nullptr;
    CFilterFiles* m_filterFiles = nullptr;
    CRemoteService* m_remote = nullptr;
    QAction* m_compareAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    LinkProblem m_linkProblem = LinkProblem::None;
    bool m_wasConnected = false;
    bool m_reconnected = false;
    bool m_unitChosen = false;   // on the command line: the USB button offers no menu
    int m_appliedLanguage = -1;  // the language the window's texts are in
    StatusLine m_note{StatusKind::Connected};   // the last preset outcome until the next change, shown while nothing else is due
    LossCause m_lossCause = LossCause::Removed;  // of the warning due or shown
    int m_warningInTicks = 0;                    // until the lost warning shows; 0 when none is due
    bool m_lossTold = false;                     // the warning of this loss is due or shown
    QPointer<QMessageBox> m_lostWarning;
    // Both notch tables as the equalizers last loaded them.
    std::array<std::uint8_t, kChannelCount * kNotchTableSize> m_loadedNotches{};
};
