// Editing keys in the main window's number edits, and the keyboard in the preset lists.
#include "MainWindowFixture.h"
#include "PresetDialogFixture.h"

#include "ui/main/NumberEdit.h"
#include "ui/main/MainWindowControls.h"
#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QShortcut>

#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kReleaseEdit = CompEdit(0, kRelease);   // read-only
constexpr int kNoSelection = -1;

QClipboard* Clipboard()
{
    return QGuiApplication::clipboard();
}

void Press(QWidget* target, QKeyCombination keys)
{
    QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
}

// Each case starts from a fresh window whose number edit holds typed text (or,
// when typed is nullptr, the text the window shows), with an optional selection.
class EditKeys : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Clipboard()->clear();
    }

    void TearDown() override
    {
        Clipboard()->clear();
        MainWindowFixture::TearDown();
    }

    QLineEdit* FocusedEdit(int id, const char* typed)
    {
        Open();
        ShowActive();
        QLineEdit* edit = m_dlg->Edit(id);
        edit->setFocus();
        if (typed != nullptr) {
            edit->setText(QString());
            QTest::keyClicks(edit, typed);
        }
        return edit;
    }
};

const QKeyCombination kCtrlA = Qt::CTRL | Qt::Key_A;
const QKeyCombination kCtrlC = Qt::CTRL | Qt::Key_C;
const QKeyCombination kCtrlX = Qt::CTRL | Qt::Key_X;
const QKeyCombination kCtrlZ = Qt::CTRL | Qt::Key_Z;
const QKeyCombination kCtrlShiftZ = Qt::CTRL | Qt::SHIFT | Qt::Key_Z;
const QKeyCombination kCtrlY = Qt::CTRL | Qt::Key_Y;
const QKeyCombination kCtrlV = Qt::CTRL | Qt::Key_V;
const QKeyCombination kShiftInsert = Qt::SHIFT | Qt::Key_Insert;

struct KeyCase {
    const char* name;
    int id;
    const char* typed;           // nullptr: the text the window shows
    int selectFrom;              // kNoSelection: the cursor stays at the end
    int selectLength;
    const char* clipboard;       // the clipboard before the keys
    std::vector<QKeyCombination> keys;
    const char* text;            // the edit's text afterwards
    const char* selected;        // its selected text afterwards
    const char* clipboardAfter;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class EditKeyShortcuts : public EditKeys, public testing::WithParamInterface<KeyCase> {};

TEST_P(EditKeyShortcuts, KeysActOnTheEditAsStated)
{
    const KeyCase& c = GetParam();
    QLineEdit* edit = FocusedEdit(c.id, c.typed);
    if (c.selectFrom != kNoSelection)
        edit->setSelection(c.selectFrom, c.selectLength);
    Clipboard()->setText(QString::fromUtf8(c.clipboard));
    for (QKeyCombination keys : c.keys)
        Press(edit, keys);
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(edit->selectedText(), QString::fromUtf8(c.selected));
    EXPECT_EQ(Clipboard()->text(), QString::fromUtf8(c.clipboardAfter));
    EXPECT_TRUE(edit->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    EditKeys, EditKeyShortcuts,
    testing::Values(
        KeyCase{"CtrlASelectsAll", kIdGainEdit, "-12.5", kNoSelection, 0, "", {kCtrlA}, "-12.5", "-12.5", ""},
        KeyCase{"CtrlCCopiesTheSelection", kIdGainEdit, "-12.5", 1, 2, "", {kCtrlC}, "-12.5", "12", "12"},
        KeyCase{"CtrlXCutsTheSelection", kIdGainEdit, "-12.5", 1, 2, "", {kCtrlX}, "-.5", "", "12"},
        KeyCase{"CtrlZUndoesTheTyping", kIdGainEdit, "12", kNoSelection, 0, "", {kCtrlZ}, "", "", ""},
        KeyCase{"CtrlShiftZRedoes", kIdGainEdit, "12", kNoSelection, 0, "", {kCtrlZ, kCtrlShiftZ}, "12", "", ""},
        KeyCase{"CtrlYRedoes", kIdGainEdit, "12", kNoSelection, 0, "", {kCtrlZ, kCtrlY}, "12", "", ""},
        KeyCase{"CtrlVPastesANegativeNumber", kIdGainEdit, "7", 0, 1, "-12", {kCtrlV}, "-12", "", "-12"},
        KeyCase{"CtrlVPastesADecimalAtTheCursor", kIdGainEdit, "1", kNoSelection, 0, "3.5", {kCtrlV}, "13.5", "",
                "3.5"},
        KeyCase{"CtrlVPastesAWholeNumber", kIdGainEdit, "7", 0, 1, "10", {kCtrlV}, "10", "", "10"},
        KeyCase{"CtrlZTakesBackOnlyThePaste", kIdGainEdit, "1", kNoSelection, 0, "3.5", {kCtrlV, kCtrlZ}, "1", "",
                "3.5"},
        KeyCase{"CtrlVRefusesLetters", kIdGainEdit, "7", 0, 1, "abc", {kCtrlV}, "7", "7", "abc"},
        KeyCase{"CtrlVRefusesAnExponent", kIdGainEdit, "7", 0, 1, "1e3", {kCtrlV}, "7", "7", "1e3"},
        KeyCase{"CtrlVRefusesAUnit", kIdGainEdit, "7", 0, 1, "12dB", {kCtrlV}, "7", "7", "12dB"},
        KeyCase{"CtrlVRefusesTwoPoints", kIdGainEdit, "7", 0, 1, "1.2.3", {kCtrlV}, "7", "7", "1.2.3"},
        KeyCase{"CtrlVRefusesAMinusWithoutDigits", kIdGainEdit, "7", 0, 1, "-", {kCtrlV}, "7", "7", "-"},
        KeyCase{"CtrlVRefusesAMinusInside", kIdGainEdit, "7", 0, 1, "1-2", {kCtrlV}, "7", "7", "1-2"},
        KeyCase{"CtrlVRefusesALineBreak", kIdGainEdit, "7", 0, 1, "12\n", {kCtrlV}, "7", "7", "12\n"},
        KeyCase{"CtrlVRefusesAnEmptyClipboard", kIdGainEdit, "7", 0, 1, "", {kCtrlV}, "7", "7", ""},
        KeyCase{"ShiftInsertPastesANumber", kIdGainEdit, "7", 0, 1, "-0.5", {kShiftInsert}, "-0.5", "", "-0.5"},
        KeyCase{"ShiftInsertRefusesLetters", kIdGainEdit, "7", 0, 1, "abc", {kShiftInsert}, "7", "7", "abc"},
        KeyCase{"ReadOnlyEditCopies", kReleaseEdit, nullptr, 0, 3, "", {kCtrlC}, "Atkx2", "Atk", "Atk"},
        KeyCase{"ReadOnlyEditNeitherCutsNorPastes", kReleaseEdit, nullptr, 0, 3, "5", {kCtrlX, kCtrlV, kShiftInsert},
                "Atkx2", "Atk", "5"}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(EditKeys, TheOffscreenClipboardHoldsTextWithinTheProcess)
{
    Clipboard()->setText(QStringLiteral("-12"));
    EXPECT_EQ(Clipboard()->text(), "-12");
}

// QTest presses the modifier keys themselves before a key that carries them.
bool IsModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta;
}

// Records the key presses that reach the window itself, passed on by a child that
// had no use for them.
class KeysReachingWindow : public QObject {
public:
    explicit KeysReachingWindow(QWidget* window) : m_window(window) { window->installEventFilter(this); }
    ~KeysReachingWindow() override { m_window->removeEventFilter(this); }

    std::vector<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!IsModifierKey(key->key()))
            keys.push_back(key->keyCombination().toCombined());
        return false;
    }

private:
    QWidget* m_window;
};

TEST_F(EditKeys, OtherCtrlLettersInAnEditAreDiscarded)
{
    QLineEdit* edit = FocusedEdit(kIdGainEdit, "12.5");
    KeysReachingWindow window(m_dlg.get());
    for (QKeyCombination keys : {Qt::CTRL | Qt::Key_J, Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_U,
                                 Qt::CTRL | Qt::SHIFT | Qt::Key_A, Qt::CTRL | Qt::SHIFT | Qt::Key_V})
        Press(edit, keys);
    Press(edit, Qt::Key_F2);   // a key the edit has no use for goes on to the window
    EXPECT_EQ(window.keys, std::vector<int>{QKeyCombination(Qt::Key_F2).toCombined()});
    EXPECT_EQ(edit->text(), "12.5");
}

// Window-level shortcuts on some keys, as the window's undo stack binds them.
class WindowShortcuts {
public:
    WindowShortcuts(QWidget* window, std::initializer_list<QKeyCombination> bound)
    {
        for (QKeyCombination keys : bound) {
            auto& shortcut = m_shortcuts.emplace_back(
                std::make_unique<QShortcut>(QKeySequence(keys), window, nullptr, nullptr, Qt::WindowShortcut));
            QObject::connect(shortcut.get(), &QShortcut::activated, [this, keys] { ++m_fired[keys.toCombined()]; });
        }
    }

    int Fired(QKeyCombination keys) const
    {
        const auto found = m_fired.find(keys.toCombined());
        return found == m_fired.end() ? 0 : found->second;
    }

private:
    std::vector<std::unique_ptr<QShortcut>> m_shortcuts;
    std::map<int, int> m_fired;
};

// Window shortcuts on the same keys, bound here or by anyone else, leave them to the edit.
TEST_F(EditKeys, WindowShortcutsOnUndoAndRedoLeaveThemToAnEdit)
{
    QLineEdit* edit = FocusedEdit(kIdGainEdit, "12");
    WindowShortcuts window(m_dlg.get(), {kCtrlZ, kCtrlShiftZ, kCtrlY});
    const std::pair<QKeyCombination, const char*> steps[] = {
        {kCtrlZ, ""}, {kCtrlY, "12"}, {kCtrlZ, ""}, {kCtrlShiftZ, "12"}};
    for (auto [keys, text] : steps) {
        Press(edit, keys);
        EXPECT_EQ(edit->text(), text) << keys.toCombined();
    }
    for (QKeyCombination keys : {kCtrlZ, kCtrlShiftZ, kCtrlY})
        EXPECT_EQ(window.Fired(keys), 0) << keys.toCombined();
}

struct ClaimCase {
    const char* name;
    int id;
    QKeyCombination keys;
    bool claimed;   // the edit takes the keys before any window shortcut
};

void PrintTo(const ClaimCase& c, std::ostream* os)
{
    *os << c.name;
}

class EditShortcutClaim : public EditKeys, public testing::WithParamInterface<ClaimCase> {};

// What the shortcut machinery asks the focused widget before it looks for a window shortcut.
TEST_P(EditShortcutClaim, TheEditClaimsTheKeysItActsOn)
{
    const ClaimCase& c = GetParam();
    QLineEdit* edit = FocusedEdit(c.id, nullptr);
    QKeyEvent query(QEvent::ShortcutOverride, c.keys.key(), c.keys.keyboardModifiers());
    query.setAccepted(false);
    QCoreApplication::sendEvent(edit, &query);
    EXPECT_EQ(query.isAccepted(), c.claimed);
}

// A read-only edit has nothing of its own to undo: the window's undo may have the keys.
INSTANTIATE_TEST_SUITE_P(
    EditKeys, EditShortcutClaim,
    testing::Values(ClaimCase{"UndoInAnEdit", kIdGainEdit, kCtrlZ, true},
                    ClaimCase{"CtrlShiftZRedoInAnEdit", kIdGainEdit, kCtrlShiftZ, true},
                    ClaimCase{"CtrlYRedoInAnEdit", kIdGainEdit, kCtrlY, true},
                    ClaimCase{"PasteInAnEdit", kIdGainEdit, kCtrlV, true},
                    ClaimCase{"OtherCtrlLetterInAnEdit", kIdGainEdit, Qt::CTRL | Qt::Key_B, false},
                    ClaimCase{"UndoInAReadOnlyEdit", kReleaseEdit, kCtrlZ, false},
                    ClaimCase{"CtrlShiftZRedoInAReadOnlyEdit", kReleaseEdit, kCtrlShiftZ, false},
                    ClaimCase{"CtrlYRedoInAReadOnlyEdit", kReleaseEdit, kCtrlY, false},
                    ClaimCase{"SelectAllInAReadOnlyEdit", kReleaseEdit, kCtrlA, true},
                    ClaimCase{"CopyInAReadOnlyEdit", kReleaseEdit, kCtrlC, true}),
    [](const testing::TestParamInfo<ClaimCase>& info) { return std::string(info.param.name); });

struct MenuCase {
    const char* name;
    const char* clipboardAtOpen;
    const char* clipboardAtPaste;   // what the clipboard holds when Paste is chosen
    bool pasteEnabled;
    const char* text;               // the edit's text afterwards
};

void PrintTo(const MenuCase& c, std::ostream* os)
{
    *os << c.name;
}

// The menu entry whose text, before its shortcut, is text.
QAction* MenuAction(const QMenu* menu, const char* text)
{
    for (QAction* action : menu->actions())
        if (action->text().section(u'\t', 0, 0) == QLatin1String(text))
            return action;
    return nullptr;
}

class EditContextMenu : public EditKeys, public testing::WithParamInterface<MenuCase> {};

TEST_P(EditContextMenu, PasteInTheContextMenuTakesOnlyANumber)
{
    const MenuCase& c = GetParam();
    QLineEdit* edit = FocusedEdit(kIdGainEdit, "7");
    edit->selectAll();
    Clipboard()->setText(QString::fromUtf8(c.clipboardAtOpen));
    const QPoint at = edit->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, edit->mapToGlobal(at));
    QCoreApplication::sendEvent(edit, &request);
    auto* menu = edit->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QAction* paste = MenuAction(menu, "&Paste");
    ASSERT_NE(paste, nullptr);
    EXPECT_EQ(paste->isEnabled(), c.pasteEnabled);
    Clipboard()->setText(QString::fromUtf8(c.clipboardAtPaste));
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    EditKeys, EditContextMenu,
    testing::Values(MenuCase{"NumberIsPasted", "-12", "-12", true, "-12"},
                    MenuCase{"LettersAreRefused", "abc", "abc", false, "7"},
                    MenuCase{"EmptyClipboardIsRefused", "", "", false, "7"},
                    MenuCase{"ExponentArrivingWhileOpenIsRefused", "-12", "1e3", true, "7"}),
    [](const testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

TEST(EditKeysNumberText, SignedDecimalsOnly)
{
    for (const char* number : {"0", "10", "-12", "3.5", "-0.5", "5.", ".5", "-.5", "007"})
        EXPECT_TRUE(IsNumberText(QString::fromLatin1(number))) << number;
    for (const char* other : {"", "-", ".", "-.", "abc", "1e3", "12dB", "1.2.3", "1-2", "--1", "+1", " 1", "1 ",
                              "12\n", "1,5"})
        EXPECT_FALSE(IsNumberText(QString::fromLatin1(other))) << other;
    EXPECT_FALSE(IsNumberText(QStringLiteral("١٢")));
}

}  // namespace

namespace {

using namespace preset_test;

enum class ListKind { Load, Save };

struct ListKeysCase {
    const char* name;
    ListKind kind;
    std::vector<Qt::Key> keys;
    int selection;
};

void PrintTo(const ListKeysCase& c, std::ostream* os)
{
    *os << c.name;
}

class PresetListKeys : public PresetDlgTest, public testing::WithParamInterface<ListKeysCase> {
protected:
    // Opened and active, so the list holds the focus as it does for the user.
    std::unique_ptr<CPresetDialog> OpenActive(ListKind kind)
    {
        std::unique_ptr<CPresetDialog> dlg;
        if (kind == ListKind::Load)
            dlg = std::make_unique<CPresetLoadDialog>(nullptr, *m_adapter);
        else
            dlg = std::make_unique<CPresetSaveDialog>(nullptr, *m_adapter);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return dlg;
    }
};

TEST_P(PresetListKeys, ArrowsFromAFreshListCountFromPresetOne)
{
    const ListKeysCase& c = GetParam();
    auto dlg = OpenActive(c.kind);
    CPresetList* list = ListOf(dlg.get());
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(dlg->Selection(), 0);
    for (Qt::Key key : c.keys)
        QTest::keyClick(list, key);
    EXPECT_EQ(dlg->Selection(), c.selection);
    EXPECT_EQ(list->SelectedPreset(), c.selection);
}

INSTANTIATE_TEST_SUITE_P(
    EditKeys, PresetListKeys,
    testing::Values(ListKeysCase{"DownSelectsPreset1", ListKind::Load, {Qt::Key_Down}, 1},
                    ListKeysCase{"ThreeDownsSelectPreset3", ListKind::Load,
                                 {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 3},
                    ListKeysCase{"UpSelectsPreset1", ListKind::Load, {Qt::Key_Up}, 1},
                    ListKeysCase{"DownDownUpSelectsPreset1", ListKind::Load,
                                 {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, 1},
                    ListKeysCase{"SaveListCountsTheSame", ListKind::Save, {Qt::Key_Down, Qt::Key_Down}, 2}),
    [](const testing::TestParamInfo<ListKeysCase>& info) { return std::string(info.param.name); });

}  // namespace
