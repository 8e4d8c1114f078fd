#include "PresetDlgFixture.h"

#include "ui/presets/MemoryLoad.h"
#include "ui/presets/MemorySave.h"
#include "ui/presets/PresetName.h"
#include "ui/presets/SaveDlg.h"

#include <QHeaderView>

#include <cstring>

namespace {

using namespace preset_test;

enum class Kind { Load, Save };

std::unique_ptr<CPresetDlg> OpenDialog(Kind kind)
{
    std::unique_ptr<CPresetDlg> dlg;
    if (kind == Kind::Load)
        dlg = std::make_unique<CMemoryLoad>(nullptr);
    else
        dlg = std::make_unique<CMemorySave>(nullptr);
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    return dlg;
}

Report ExpectedReport(std::uint8_t cmd, std::uint8_t a1, std::uint8_t a2, const std::vector<std::uint8_t>& payload)
{
    Report r{};
    EncodeFrame(cmd, a1, a2, 0, 0, payload.data(), static_cast<std::uint16_t>(payload.size()), r.data());
    return r;
}

struct ListCase {
    Kind kind;
    int chinese;
    const char* title;
    const char* idHeader;
    const char* nameHeader;
};

class PresetListInit : public PresetDlgTest, public testing::WithParamInterface<ListCase> {};

TEST_P(PresetListInit, ShowsTitleColumnsAndTheTwentyUserNames)
{
    const ListCase& c = GetParam();
    g_LanguageChinese.store(c.chinese);
    {
        ImageLock lock(g_ImageMutex);
        std::memcpy(g_PresetNames.records[7], "\xb5\xf7\xd3\xc3", 5);   // 调用 in GBK
        std::memcpy(g_PresetNames.records[20], "ABCDEFGHIJKLMNOP\0", 17);
    }
    auto dlg = OpenDialog(c.kind);
    CPresetList* list = ListOf(dlg.get());
    ASSERT_NE(list, nullptr);

    EXPECT_EQ(dlg->windowTitle().toStdString(), c.title);
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text().toStdString(), c.idHeader);
    EXPECT_EQ(list->horizontalHeaderItem(1)->text().toStdString(), c.nameHeader);
    EXPECT_EQ(list->columnWidth(0), 65);
    EXPECT_EQ(list->columnWidth(1), 300);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    ASSERT_EQ(list->rowCount(), 20);
    EXPECT_EQ(list->item(0, 0)->text().toStdString(), "1");
    EXPECT_EQ(list->item(0, 1)->text().toStdString(), " USER 1     ");
    EXPECT_EQ(list->item(6, 1)->text().toStdString(), "调用");
    EXPECT_EQ(list->item(12, 0)->text().toStdString(), "13");
    EXPECT_EQ(list->item(12, 1)->text().toStdString(), " USER 13    ");
    EXPECT_EQ(list->item(19, 0)->text().toStdString(), "20");
    EXPECT_EQ(list->item(19, 1)->text().toStdString(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(dlg->Selection(), 0);
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, PresetListInit, testing::Values(
    ListCase{Kind::Load, 0, "Load", "ID", "Name"},
    ListCase{Kind::Load, 1, "调用", "序号", "组名"},
    ListCase{Kind::Save, 0, "Save", "ID", "Name"},
    ListCase{Kind::Save, 1, "保存", "序号", "组名"}));

enum class Pick { Nothing, Row, RowThenEmptySpace };

struct OkCase {
    const char* what;
    Kind kind;
    int chinese;
    int connected;
    Pick pick;
    int row;
    std::uint8_t selection;   // after the clicks
    const char* message;
    std::uint8_t code;        // slot after OK
    std::uint8_t a2;
};

class PresetOk : public PresetDlgTest, public testing::WithParamInterface<OkCase> {};

TEST_P(PresetOk, WarnsOrQueuesThenCloses)
{
    const OkCase& c = GetParam();
    g_LanguageChinese.store(c.chinese);
    g_Connected.store(static_cast<std::uint8_t>(c.connected));
    auto dlg = OpenDialog(c.kind);
    CPresetList* list = ListOf(dlg.get());
    if (c.pick != Pick::Nothing)
        ClickRow(list, c.row);
    if (c.pick == Pick::RowThenEmptySpace)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, EmptyPoint(list));
    EXPECT_EQ(dlg->Selection(), c.selection) << c.what;

    ClickButton(dlg.get(), 1);

    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{c.message, "Warning"}})) << c.what;
    EXPECT_EQ(g_CommandSlot.code.load(), c.code) << c.what;
    EXPECT_EQ(g_CommandSlot.a2.load(), c.a2) << c.what;
    EXPECT_FALSE(dlg->isVisible()) << c.what;
    EXPECT_EQ(dlg->result(), QDialog::Accepted) << c.what;
    EXPECT_TRUE(m_sent.empty()) << "setters never send";
}

INSTANTIATE_TEST_SUITE_P(Cases, PresetOk, testing::Values(
    OkCase{"load, not connected", Kind::Load, 0, 0, Pick::Row, 4, 5, "Don't open the USB connection", 0, 0},
    OkCase{"save, not connected", Kind::Save, 1, 0, Pick::Row, 4, 5, "没打开USB联接", 0, 0},
    OkCase{"load, nothing clicked", Kind::Load, 0, 1, Pick::Nothing, 0, 0, "Please select one group", 0, 0},
    OkCase{"load, nothing clicked", Kind::Load, 1, 1, Pick::Nothing, 0, 0, "请选择调用组", 0, 0},
    OkCase{"save, nothing clicked", Kind::Save, 0, 1, Pick::Nothing, 0, 0, "Please select one group", 0, 0},
    OkCase{"save, nothing clicked", Kind::Save, 1, 1, Pick::Nothing, 0, 0, "请选择保存组", 0, 0},
    OkCase{"load, row then empty space", Kind::Load, 0, 1, Pick::RowThenEmptySpace, 2, 0, "Please select one group", 0, 0},
    OkCase{"save, row then empty space", Kind::Save, 1, 1, Pick::RowThenEmptySpace, 2, 0, "请选择保存组", 0, 0},
    OkCase{"load preset 5", Kind::Load, 0, 1, Pick::Row, 4, 5, "Load successful", CMD_RECALL_PRESET, 5},
    OkCase{"load preset 1", Kind::Load, 1, 1, Pick::Row, 0, 1, "调用成功", CMD_RECALL_PRESET, 1},
    OkCase{"save preset 20", Kind::Save, 0, 1, Pick::Row, 19, 20, "Save successful", CMD_STORE_PRESET, 20},
    OkCase{"save preset 9", Kind::Save, 1, 1, Pick::Row, 8, 9, "保存成功", CMD_STORE_PRESET, 9}));

TEST_F(PresetDlgTest, CancelQueuesNothingAndShowsNothing)
{
    auto dlg = OpenDialog(Kind::Save);
    ClickRow(ListOf(dlg.get()), 3);
    ClickButton(dlg.get(), 2);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_CommandSlot.code.load(), 0);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(PresetDlgTest, SelectionMovedByTheKeyboardIsTheOneLoaded)
{
    auto dlg = OpenDialog(Kind::Load);
    CPresetList* list = ListOf(dlg.get());
    ClickRow(list, 1);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(dlg->Selection(), 3);
    ClickButton(dlg.get(), 1);
    EXPECT_EQ(g_CommandSlot.code.load(), CMD_RECALL_PRESET);
    EXPECT_EQ(g_CommandSlot.a2.load(), 3);
}

TEST_F(PresetDlgTest, RenamingPreset3ToTwoLettersSendsTheFirst16BytesOfItsRecordAtOnce)
{
    auto dlg = OpenDialog(Kind::Save);
    CPresetList* list = ListOf(dlg.get());

    EXPECT_EQ(Rename(list, 3, "AB"), "AB");

    EXPECT_EQ(m_renameShown, " USER 3     ");
    const std::string record("AB\0ER 3     \0\0\0\0\0\0\0\0\0\0\0\0\0", kPresetRecordSize);
    EXPECT_EQ(std::string(g_PresetNames.records[3], kPresetRecordSize), record);
    EXPECT_EQ(list->item(2, 1)->text().toStdString(), "AB");
    const Report expected = {
        0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x05, 0x03, 0x00, 0x00, 0x10, 0x00,
        0x41, 0x42, 0x00, 0x45, 0x52, 0x20, 0x33, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x00, 0x00, 0x00,
        0x99, 0xAA};
    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0], expected);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(g_CommandSlot.code.load(), 0) << "the rename bypasses the slot";
    EXPECT_TRUE(dlg->isVisible());
}

struct RenameCase {
    int preset;
    const char* typed;     // UTF-8, typed character by character
    const char* accepted;  // what the edit kept
    std::vector<std::uint8_t> sent;   // the 16 name bytes of the frame
};

class PresetRename : public PresetDlgTest, public testing::WithParamInterface<RenameCase> {};

TEST_P(PresetRename, KeepsAtMostFifteenBytesOfWholeCharactersAndSendsThem)
{
    const RenameCase& c = GetParam();
    auto dlg = OpenDialog(Kind::Save);
    CPresetList* list = ListOf(dlg.get());

    EXPECT_EQ(Rename(list, c.preset, c.typed), c.accepted);

    EXPECT_EQ(list->item(c.preset - 1, 1)->text().toStdString(), c.accepted);
    EXPECT_EQ(ReadPresetName(c.preset).toStdString(), c.accepted);
    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0], ExpectedReport(CMD_SET_PARAM, AREA_PRESET_NAME, static_cast<std::uint8_t>(c.preset), c.sent));
}

INSTANTIATE_TEST_SUITE_P(Names, PresetRename, testing::Values(
    RenameCase{7, "ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO",
               {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0}},
    RenameCase{7, "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO",
               {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0}},
    RenameCase{12, "中文名字", "中文名字",
               {0xD6, 0xD0, 0xCE, 0xC4, 0xC3, 0xFB, 0xD7, 0xD6, 0, ' ', ' ', ' ', 0, 0, 0, 0}},
    // the eighth double-byte character would need bytes 14 and 15: refused whole
    RenameCase{1, "中文中文中文中文", "中文中文中文中",
               {0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0, 0}},
    RenameCase{1, "A中文中文中文中文", "A中文中文中文中",
               {'A', 0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0xCE, 0xC4, 0xD6, 0xD0, 0}},
    // a character GBK cannot carry is refused by the edit
    RenameCase{2, "x\xF0\x9F\x98\x80y", "xy", {'x', 'y', 0, 'E', 'R', ' ', '2', ' ', ' ', ' ', ' ', ' ', 0, 0, 0, 0}}));

TEST_F(PresetDlgTest, CancelledRenameChangesAndSendsNothing)
{
    auto dlg = OpenDialog(Kind::Save);
    CPresetList* list = ListOf(dlg.get());
    const PresetNameTable before = g_PresetNames;

    Rename(list, 5, nullptr);

    EXPECT_EQ(m_renameShown, " USER 5     ");
    EXPECT_EQ(std::memcmp(&before, &g_PresetNames, sizeof before), 0);
    EXPECT_EQ(list->item(4, 1)->text().toStdString(), " USER 5     ");
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(PresetDlgTest, RenameWhileNotConnectedStaysLocalWithoutAMessage)
{
    g_Connected.store(0);
    auto dlg = OpenDialog(Kind::Save);

    Rename(ListOf(dlg.get()), 4, "Live");

    EXPECT_EQ(std::string(g_PresetNames.records[4], 8), std::string("Live\0 4 ", 8));
    EXPECT_TRUE(m_sent.empty());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(PresetDlgTest, NameSentStaysSentWhenTheSaveDialogIsCancelled)
{
    auto dlg = OpenDialog(Kind::Save);
    Rename(ListOf(dlg.get()), 6, "Hall");
    ClickButton(dlg.get(), 2);

    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0][kFrameA2], 6);
    EXPECT_EQ(ReadPresetName(6).toStdString(), "Hall");
    EXPECT_EQ(g_CommandSlot.code.load(), 0) << "nothing stored";
}

TEST_F(PresetDlgTest, DoubleClickOnEmptySpaceOpensNoNameDialog)
{
    auto dlg = OpenDialog(Kind::Save);
    CPresetList* list = ListOf(dlg.get());
    ClickRow(list, 2);
    const QPoint empty = EmptyPoint(list);

    const bool opened = WithModal([&] { QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty); },
                                  [&](QWidget* modal) { ClickButton(modal, 2); });

    EXPECT_FALSE(opened);
    EXPECT_EQ(dlg->Selection(), 0);
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(PresetDlgTest, LoadDialogIgnoresDoubleClicks)
{
    auto dlg = OpenDialog(Kind::Load);
    const bool opened = WithModal([&] { DoubleClickRow(ListOf(dlg.get()), 2); },
                                  [&](QWidget* modal) { ClickButton(modal, 2); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(dlg->Selection(), 3);
}

struct NameDlgCase {
    const char* given;
    const char* shown;
};

class NameDlg : public PresetDlgTest, public testing::WithParamInterface<NameDlgCase> {};

TEST_P(NameDlg, ShowsTheGivenNameCutToWhatTheEditTakes)
{
    const NameDlgCase& c = GetParam();
    CSaveDlg dlg(nullptr, QString::fromUtf8(c.given));
    auto* edit = qobject_cast<QLineEdit*>(FindControl(&dlg, IDC_PRESET_NAME));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Dialog");
    EXPECT_EQ(edit->text().toStdString(), c.shown);
    ClickButton(&dlg, 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Name().toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Names, NameDlg, testing::Values(
    NameDlgCase{" USER 3     ", " USER 3     "},
    NameDlgCase{"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"},
    NameDlgCase{"中文中文中文中文", "中文中文中文中"}));

TEST_F(PresetDlgTest, NameDialogCancelKeepsTheGivenName)
{
    CSaveDlg dlg(nullptr, QStringLiteral("Stage"));
    auto* edit = qobject_cast<QLineEdit*>(FindControl(&dlg, IDC_PRESET_NAME));
    edit->setText(QStringLiteral("Other"));
    ClickButton(&dlg, 2);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(dlg.Name().toStdString(), "Stage");
}

}  // namespace
