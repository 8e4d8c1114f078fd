// What the load and save dialogs share: the preset list, OK and Cancel, the
// selection kept from clicks on the list, and the OK handler that checks the
// link and the selection, queues the command and waits for the unit's answer
// before it says whether the preset was loaded or saved.
#pragma once

#include "protocol/CommandScheduler.h"
#include "transport/HidLink.h"

#include <QDialog>

#include <cstdint>

class CPresetList;
class CUnitAdapter;
class QLabel;
class QPushButton;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_PRESET_BUSY = 1058;   // the line that says what the dialog waits for

// Every message box of the preset dialogs carries this caption.
inline constexpr char kPresetMessageCaption[] = "Warning";

// A source text and the note that tells it from another with the same words.
struct NotedText {
    const char* source;
    const char* disambiguation;
};

// A dialog's own texts, translated in the context "CPresetDialog".
struct PresetDialogTexts {
    const char* title;
    NotedText noSelection;
    const char* success;
};

class CPresetDialog : public QDialog {
    Q_OBJECT

public:
    // 0 = nothing selected, 1..20 = the selected preset.
    std::uint8_t Selection() const { return m_nSelection; }
    // OK was pressed and the unit has not answered yet.
    bool IsWaiting() const { return m_waiting; }
    // Cancel closes at once, also while waiting; the command still completes or
    // fails, and the main window's status line says which.
    void reject() override;

protected:
    // code: CMD_RECALL_PRESET or CMD_STORE_PRESET.
    CPresetDialog(QWidget* parent, CUnitAdapter& unit, const PresetDialogTexts& texts, std::uint8_t code);

    CUnitAdapter& Unit() const { return m_unit; }
    CPresetList* List() const { return m_pList; }

private:
    void OnInitDialog();
    void OnClickList();
    void OnOK();
    void WaitForUnit();
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void Finish(bool answered);

    CUnitAdapter& m_unit;
    const PresetDialogTexts& m_texts;
    const std::uint8_t m_code;
    CPresetList* m_pList;
    QLabel* m_pBusy;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    std::uint8_t m_nSelection = 0;
    bool m_waiting = false;
};
