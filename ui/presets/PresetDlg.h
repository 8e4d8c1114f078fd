// What the load and save dialogs share: the preset list, OK and Cancel, the
// selection kept from clicks on the list, and the OK handler that checks the
// link and the selection before queueing the command.
#pragma once

#include <QDialog>

#include <cstdint>

class CPresetList;
class QPushButton;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// One text in both interface languages.
struct LanguageText {
    const char* english;
    const char* chinese;
};

// Texts of the current interface language (g_LanguageChinese).
QString LocalText(const LanguageText& text);

// Every message box of the preset dialogs carries this caption.
inline constexpr char kPresetMessageCaption[] = "Warning";

struct PresetDlgTexts {
    LanguageText title;
    LanguageText noSelection;
    LanguageText success;
};

class CPresetDlg : public QDialog {
    Q_OBJECT

public:
    // 0 = nothing selected, 1..20 = the selected preset.
    std::uint8_t Selection() const { return m_nSelection; }

protected:
    using QueueCommand = void (*)(std::uint8_t n);

    CPresetDlg(QWidget* parent, const PresetDlgTexts& texts, QueueCommand queue);

    CPresetList* List() const { return m_pList; }

private:
    void OnInitDialog();
    void OnClickList();
    void OnOK();

    const PresetDlgTexts& m_texts;
    QueueCommand m_queue;
    CPresetList* m_pList;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    std::uint8_t m_nSelection = 0;
};
