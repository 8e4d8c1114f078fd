// What the load and save dialogs share: the preset list, OK and Cancel, the
// selection kept from clicks on the list, and the OK handler that checks the
// link and the selection, queues the command and waits for the unit's answer
// before it says whether the preset was loaded or saved.
#pragma once

#include "protocol/CommandScheduler.h"

#include <QBasicTimer>
#include <QDialog>

#include <cstdint>

class CPresetList;
class QLabel;
class QPushButton;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_PRESET_BUSY = 1058;   // the line that says what the dialog waits for

// One text in both interface languages.
struct LanguageText {
    const char* english;
    const char* chinese;
};

// The text in language (0 English, 1 Chinese).
QString TextIn(const LanguageText& text, int language);
// Texts of the current interface language (g_LanguageChinese).
QString LocalText(const LanguageText& text);

// What a command that needs the unit says while it is not connected.
inline constexpr LanguageText kTextNotConnected{"Don't open the USB connection", "没打开USB联接"};

// "Loading preset 5…" / "Saving preset 5…" in language (0 English, 1 Chinese).
QString PresetBusyText(bool store, int n, int language);
// "Preset 5 loaded" / "Preset 5 saved", or "The unit did not answer: preset 5
// was not loaded" / "... was not saved".
QString PresetOutcomeText(bool store, int n, bool answered, int language);

// Every message box of the preset dialogs carries this caption.
inline constexpr char kPresetMessageCaption[] = "Warning";

struct PresetDialogTexts {
    LanguageText title;
    LanguageText noSelection;
    LanguageText success;
};

class CPresetDialog : public QDialog {
    Q_OBJECT

public:
    // 0 = nothing selected, 1..20 = the selected preset.
    std::uint8_t Selection() const { return m_nSelection; }
    // OK was pressed and the unit has not answered yet.
    bool IsWaiting() const { return m_waiting; }
    // Run every 100 ms while waiting: a link lost meanwhile ends the wait.
    void CheckLink();
    // Cancel closes at once, also while waiting; the command still completes or
    // fails, and the main window's status line says which.
    void reject() override;

protected:
    using QueueCommand = void (*)(std::uint8_t n);

    CPresetDialog(QWidget* parent, const PresetDialogTexts& texts, std::uint8_t code, QueueCommand queue);

    CPresetList* List() const { return m_pList; }
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnClickList();
    void OnOK();
    void WaitForUnit();
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void Finish(bool answered);

    const PresetDialogTexts& m_texts;
    const std::uint8_t m_code;   // CMD_RECALL_PRESET or CMD_STORE_PRESET
    QueueCommand m_queue;
    CPresetList* m_pList;
    QLabel* m_pBusy;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    std::uint8_t m_nSelection = 0;
    bool m_waiting = false;
    QBasicTimer m_linkWatch;   // a link lost while waiting ends the wait
};
