// The main window: every control of dialog template 102, bound to the device
// parameter image; refreshed from the image, in English or Chinese.
#pragma once

#include "protocol/CommandScheduler.h"
#include "transport/HidLink.h"
#include "ui/main/StatusLine.h"
#include "ui/main/UndoStep.h"

#include <QBasicTimer>
#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QUndoStack>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class CSkinnedButton;
class CMeterLamp;
class CGainFader;
class CEqualizerGraph;
class CSettingsFiles;
struct ControlSpec;

class CMainWindow : public QDialog {
    Q_OBJECT
public:
    enum ChannelSection { Gain = 0, Mute = 1, Compressor = 3 };
    enum CompFields { kCompThreshold = 1, kCompAttack = 2, kCompRelease = 4, kCompRatio = 8 };
    static constexpr int kAllCompFields = kCompThreshold | kCompAttack | kCompRelease | kCompRatio;
    static constexpr int kTimerPeriodMs = 100;
    static constexpr double kPixelsPerDialogUnit = 1.7;
    static constexpr int kWindowWidth = 1200;
    static constexpr int kWindowHeight = 725;

    // How the window reaches the HID link: started on the first show, and the
    // connect button's handler.
    struct LinkHandlers {
        std::function<void()> startLink;
        std::function<void()> onConnectButton;
        std::function<void()> tick;   // every 100 ms, after the scheduler
    };

    explicit CMainWindow(LinkHandlers link = {}, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // The child with the template id, or nullptr.
    QWidget* Control(int id) const;
    QComboBox* List(int id) const;
    QLineEdit* Edit(int id) const;
    CSkinnedButton* SkinButton(int id) const;
    CMeterLamp* Lamp(int id) const;
    CGainFader* Fader(int channel) const;
    CEqualizerGraph* Graph(int channel) const;

    // Display refresh from the image.
    void ShowChannelSection(ChannelSection section, int channel, int fields, bool queue);
    void ShowMuteButton(int channel);
    void ShowNotchBypassButton(int channel);
    void UpdatePeqBypassState(int channel);
    void OnDeviceRefresh(qintptr wParam, qintptr lParam);
    void ApplyLanguage();
    // The connect button's image from g_Connected, or as the link sets it.
    void ShowConnectButton();
    void SetConnectImage(int bitmapId);

    // Control bindings.
    void StepChannelValue(ChannelSection section, int channel, int fields, int delta);
    void OnFaderMoved(qintptr wParam, qintptr lParam);
    void StoreGraphBand(qintptr wParam, qintptr lParam);
    void OnSpinStepped(int id, int step);
    void OnEditKillFocus(int id);
    void OnListSelected(int id, int index);
    void OnButtonClicked(int id);

    // Timer 1: one scheduler step, then the meters.
    void OnTimer();
    bool IsTimerRunning() const { return m_timer.isActive(); }

    // The about box (the dialog's context menu offers it).
    void ShowAboutBox();

    // Undo and redo of the user's changes: Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y.
    QUndoStack& UndoStack() { return m_undo; }
    QAction* UndoAction() const { return m_undoAction; }
    QAction* RedoAction() const { return m_redoAction; }

    // The import and export buttons' settings files.
    CSettingsFiles& SettingsFiles() { return *m_settingsFiles; }

    // The status line: what has not reached the unit yet, or why it cannot.
    void SetLinkProblem(LinkProblem problem);
    // The link came back by itself: the status line says so until something else is due.
    void OnReconnected();
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void UpdateStatusText();
    StatusLine CurrentStatus() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const ControlSpec& item);
    void ConnectControl(int id, QWidget* control);
    void InstallKeyFilter();
    void OnInitDialog();
    void SetupGraphs();
    void SetupFaders();
    void AttachSpins();
    void SelectListsFromImage();
    void SetupLamps();
    void SaveBandGains();
    void CreateStatusText();
    void CreateUndoActions();
    void ApplyLanguageUndo();

    // One user action is one step of the undo history: the image before it,
    // and after it once it ended (a drag ends at the release).
    template <class Action>
    void AsOneStep(Action action)
    {
        BeginEdit();
        action();
        EndEdit();
    }
    void BeginEdit();
    void BeginEditIfNone();
    void EndEdit();
    void ClearHistory();
    void ShowEditedImage();
    static bool IsEditingButton(int id);
    void SelectListValue(int id, int index);
    void PressButton(int id);
    void CommitEdit(int id);
    void StepSpin(int id, int step);

    void ShowGain(int channel);
    void ShowCompressorFields(int channel, int fields);
    void SelectEntry(int id, int index, int rawCode);
    void FillList(int id, const QStringList& entries);
    void ApplyLanguageLists();
    void ApplyLanguageImages();
    void ApplyLanguageLabels();
    void ReloadAndRedraw(int channel);
    void ReloadModel();
    // Bit c set: channel c's notch table differs from the one last loaded.
    std::uint8_t NotchTablesChanged() const;
    void RedrawGraphs();

    bool CommitGainEdit(int channel, const QString& text);
    bool CommitThresholdEdit(int channel, const QString& text);
    bool CommitAttackEdit(int channel, const QString& text);
    void ShowRangeMessage(ChannelSection section, int channel, int fields);
    void TogglePeqBypass(int channel);
    void ToggleNotchBypass(int channel);
    void ClearNotches(int channel);
    void SetStaticNotchCount(int channel, int index);
    void SetDetectSpeed(int index);
    void SetPanelLock(int index);
    void SetChannelLink(int index);
    void ToggleLanguage();
    template <class Dialog>
    void RunPresetDialog();
    void ToggleMute(int channel);
    void SetFreqShift(int channel, int index);
    void SetGateThreshold(int channel, int index);

    QHash<int, QWidget*> m_controls;
    LinkHandlers m_link;
    QIcon m_hIcon;
    QBasicTimer m_timer;
    bool m_linkStarted = false;
    QLabel* m_statusText = nullptr;
    CSettingsFiles* m_settingsFiles = nullptr;
    QUndoStack m_undo;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    std::optional<ImageState> m_editBefore;
    LinkProblem m_linkProblem = LinkProblem::None;
    bool m_wasConnected = false;
    bool m_reconnected = false;
    StatusLine m_note{StatusKind::Connected};   // the last preset outcome, shown while nothing else is due
    // Both notch tables as the equalizers last loaded them; a notch refresh that
    // brings the same tables again needs no reload and no redraw.
    std::array<std::uint8_t, kChannelCount * kNotchTableSize> m_loadedNotches{};
};

// The main dialog that the reader thread posts WM_DEVICE_REFRESH to.
extern std::atomic<CMainWindow*> g_pMainDlg;
