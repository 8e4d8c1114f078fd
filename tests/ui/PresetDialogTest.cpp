#include "PresetDialogFixture.h"

#include "ui/presets/PresetLoadDialog.h"
#include "ui/presets/PresetSaveDialog.h"
#include "ui/common/PresetNameCodec.h"
#include "ui/presets/PresetNameDialog.h"

#include <QHeaderView>
#include <QLabel>

#include <cstring>

namespace {

using namespace preset_test;

enum class Kind { Load, Save };

std::unique_ptr<CPresetDialog> OpenDialog(CUnitAdapter& unit, Kind kind)
{
    std::unique_ptr<CPresetDialog> dlg;
    if (kind == Kind::Load)
        dlg = std::make_unique<CPresetLoadDialog>(nullptr, unit);
    else
        dlg = std::make_unique<CPresetSaveDialog>(nullptr, unit);
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
    SetCurrentLanguage(c.chinese);
    {
        ImageLock lock(Image().mutex);
        std::memcpy(Image().names.records[7], "\xb5\xf7\xd3\xc3", 5);   // 调用 in GBK
        std::memcpy(Image().names.records[20], "ABCDEFGHIJKLMNOP\0", 17);
    }
    auto dlg = OpenDialog(*m_adapter, c.kind);
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

struct RefusalCase {
    const char* what;
    Kind kind;
    int chinese;
    int connected;
    Pick pick;
    int row;
    std::uint8_t selection;   // after the clicks
    const char* message;
};

class PresetRefusal : public PresetDlgTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(PresetRefusal, WarnsThenCloses)
{
    const RefusalCase& c = GetParam();
    SetCurrentLanguage(c.chinese);
    if (!c.connected)
        Disconnect();
    auto dlg = OpenDialog(*m_adapter, c.kind);
    CPresetList* list = ListOf(dlg.get());
    if (c.pick != Pick::Nothing)
        ClickRow(list, c.row);
    if (c.pick == Pick::RowThenEmptySpace)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, EmptyPoint(list));
    EXPECT_EQ(dlg->Selection(), c.selection) << c.what;

    ClickButton(dlg.get(), 1);
    Pump();

    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{c.message, "Warning"}})) << c.what;
    EXPECT_TRUE(Pending().empty()) << c.what;
    EXPECT_FALSE(dlg->isVisible()) << c.what;
    EXPECT_EQ(dlg->result(), QDialog::Accepted) << c.what;
    EXPECT_TRUE(m_sent.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, PresetRefusal, testing::Values(
    RefusalCase{"load, not connected", Kind::Load, 0, 0, Pick::Row, 4, 5, "Don't open the USB connection"},
    RefusalCase{"save, not connected", Kind::Save, 1, 0, Pick::Row, 4, 5, "没打开USB联接"},
    RefusalCase{"load, nothing clicked", Kind::Load, 0, 1, Pick::Nothing, 0, 0, "Please select one group"},
    RefusalCase{"load, nothing clicked", Kind::Load, 1, 1, Pick::Nothing, 0, 0, "请选择调用组"},
    RefusalCase{"save, nothing clicked", Kind::Save, 0, 1, Pick::Nothing, 0, 0, "Please select one group"},
    RefusalCase{"save, nothing clicked", Kind::Save, 1, 1, Pick::Nothing, 0, 0, "请选择保存组"},
    RefusalCase{"load, row then empty space", Kind::Load, 0, 1, Pick::RowThenEmptySpace, 2, 0,
                "Please select one group"},
    RefusalCase{"save, row then empty space", Kind::Save, 1, 1, Pick::RowThenEmptySpace, 2, 0, "请选择保存组"}));

struct AnswerCase {
    Kind kind;
    int chinese;
    int row;
    std::uint8_t code;
    const char* busy;
    const char* success;
    const char* failure;
};

class PresetAnswer : public PresetDlgTest, public testing::WithParamInterface<AnswerCase> {
protected:
    // OK on the row: the dialog waits, busy, until the unit answers.
    std::unique_ptr<CPresetDialog> PressOk(const AnswerCase& c)
    {
        SetCurrentLanguage(c.chinese);
        auto dlg = OpenDialog(*m_adapter, c.kind);
        ClickRow(ListOf(dlg.get()), c.row);
        ClickButton(dlg.get(), 1);
        Pump();
        const std::uint8_t n = static_cast<std::uint8_t>(c.row + 1);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_TRUE(dlg->IsWaiting());
        EXPECT_FALSE(ListOf(dlg.get())->isEnabled());
        EXPECT_FALSE(FindControl(dlg.get(), 1)->isEnabled());
        EXPECT_TRUE(FindControl(dlg.get(), 2)->isEnabled());
        EXPECT_EQ(qobject_cast<QLabel*>(FindControl(dlg.get(), IDC_PRESET_BUSY))->text().toStdString(), c.busy);
        EXPECT_TRUE(m_messages.empty()) << "nothing is claimed before the unit answered";
        EXPECT_EQ(Pending(), (std::vector<CommandSlot>{{c.code, 0, n, 0, 0}}));
        EXPECT_EQ(m_sent.size(), 1u);
        if (!m_sent.empty()) {
            EXPECT_EQ(m_sent[0][kFrameCode], c.code);
            EXPECT_EQ(m_sent[0][kFrameA2], n);
        }
        return dlg;
    }
};

TEST_P(PresetAnswer, SaysSuccessOnlyOnceTheUnitAnswered)
{
    const AnswerCase& c = GetParam();
    auto dlg = PressOk(c);
    if (c.code == CMD_RECALL_PRESET) {
        FeedReply(CMD_RECALL_PRESET, 0, 0, std::vector<std::uint8_t>(kRecallReplySize, 0));
        Pump();
    } else {
        Reply(CMD_STORE_PRESET);
    }
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{c.success, "Warning"}}));
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(Pending().empty());
}

// Four unanswered attempts, 3.6 s apart: the dialog names the preset that failed.
TEST_P(PresetAnswer, SaysFailureWhenTheUnitDoesNotAnswer)
{
    const AnswerCase& c = GetParam();
    auto dlg = PressOk(c);
    for (int t = 0; t < 4 * 36 && dlg->IsWaiting(); ++t) {
        Unit().Tick();
        Pump();
    }
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{c.failure, "Warning"}}));
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(m_sent.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Cases, PresetAnswer, testing::Values(
    AnswerCase{Kind::Load, 0, 4, CMD_RECALL_PRESET, "Loading preset 5…", "Load successful",
               "The unit did not answer: preset 5 was not loaded"},
    AnswerCase{Kind::Load, 1, 0, CMD_RECALL_PRESET, "正在调用第 1 组…", "调用成功", "设备无应答:第 1 组未调用"},
    AnswerCase{Kind::Save, 0, 19, CMD_STORE_PRESET, "Saving preset 20…", "Save successful",
               "The unit did not answer: preset 20 was not saved"},
    AnswerCase{Kind::Save, 1, 8, CMD_STORE_PRESET, "正在保存第 9 组…", "保存成功", "设备无应答:第 9 组未保存"}));

TEST_F(PresetDlgTest, CancelWhileWaitingClosesAndTheCommandStillCompletes)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    ClickRow(ListOf(dlg.get()), 2);
    ClickButton(dlg.get(), 1);
    Pump();
    ClickButton(dlg.get(), 2);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    Reply(CMD_STORE_PRESET);
    EXPECT_TRUE(Pending().empty());
    EXPECT_TRUE(m_messages.empty()) << "the window's status line tells, not a box of a closed dialog";
}

TEST_F(PresetDlgTest, ALinkLostWhileWaitingEndsTheWaitWithTheFailure)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Load);
    ClickRow(ListOf(dlg.get()), 6);
    ClickButton(dlg.get(), 1);
    Disconnect();
    EXPECT_EQ(m_messages, (std::vector<PresetMessage>{{"The unit did not answer: preset 7 was not loaded", "Warning"}}));
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(PresetDlgTest, CancelQueuesNothingAndShowsNothing)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    ClickRow(ListOf(dlg.get()), 3);
    ClickButton(dlg.get(), 2);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(Pending().empty());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(PresetDlgTest, SelectionMovedByTheKeyboardIsTheOneLoaded)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Load);
    CPresetList* list = ListOf(dlg.get());
    ClickRow(list, 1);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(dlg->Selection(), 3);
    ClickButton(dlg.get(), 1);
    EXPECT_EQ(Pending(), (std::vector<CommandSlot>{{CMD_RECALL_PRESET, 0, 3, 0, 0}}));
}

TEST_F(PresetDlgTest, RenamingPreset3ToTwoLettersSendsTheFirst16BytesOfItsRecordAtOnce)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    CPresetList* list = ListOf(dlg.get());

    EXPECT_EQ(Rename(list, 3, "AB"), "AB");
    Pump();

    EXPECT_EQ(m_renameShown, " USER 3     ");
    const std::string record("AB\0ER 3     \0\0\0\0\0\0\0\0\0\0\0\0\0", kPresetRecordSize);
    EXPECT_EQ(std::string(Image().names.records[3], kPresetRecordSize), record);
    EXPECT_EQ(list->item(2, 1)->text().toStdString(), "AB");
    const Report expected = {
        0x5A, 0x5A, 0x5A, 0x00, 0x53, 0xA1, 0x05, 0x03, 0x00, 0x00, 0x10, 0x00,
        0x41, 0x42, 0x00, 0x45, 0x52, 0x20, 0x33, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x00, 0x00, 0x00,
        0x99, 0xAA};
    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0], expected);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Pending(), (std::vector<CommandSlot>{{CMD_SET_PARAM, AREA_PRESET_NAME, 3, 0, 0}}))
        << "in flight until the unit acknowledges it";
    Reply(CMD_ACK);
    EXPECT_TRUE(Pending().empty());
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
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    CPresetList* list = ListOf(dlg.get());

    EXPECT_EQ(Rename(list, c.preset, c.typed), c.accepted);
    Pump();

    EXPECT_EQ(list->item(c.preset - 1, 1)->text().toStdString(), c.accepted);
    EXPECT_EQ(ReadPresetName(Image(), c.preset).toStdString(), c.accepted);
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
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    CPresetList* list = ListOf(dlg.get());
    const PresetNameTable before = Image().names;

    Rename(list, 5, nullptr);
    Pump();

    EXPECT_EQ(m_renameShown, " USER 5     ");
    EXPECT_EQ(std::memcmp(&before, &Image().names, sizeof before), 0);
    EXPECT_EQ(list->item(4, 1)->text().toStdString(), " USER 5     ");
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(PresetDlgTest, RenameWhileNotConnectedStaysLocalWithoutAMessage)
{
    Disconnect();
    auto dlg = OpenDialog(*m_adapter, Kind::Save);

    Rename(ListOf(dlg.get()), 4, "Live");
    Pump();

    EXPECT_EQ(std::string(Image().names.records[4], 8), std::string("Live\0 4 ", 8));
    EXPECT_TRUE(m_sent.empty());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Pending(), (std::vector<CommandSlot>{{CMD_SET_PARAM, AREA_PRESET_NAME, 4, 0, 0}}))
        << "dropped by the next connect, whose setup brings the unit's names";
}

TEST_F(PresetDlgTest, NameSentStaysSentWhenTheSaveDialogIsCancelled)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    Rename(ListOf(dlg.get()), 6, "Hall");
    ClickButton(dlg.get(), 2);
    Pump();

    ASSERT_EQ(m_sent.size(), 1u);
    EXPECT_EQ(m_sent[0][kFrameA2], 6);
    EXPECT_EQ(ReadPresetName(Image(), 6).toStdString(), "Hall");
    EXPECT_EQ(Pending(), (std::vector<CommandSlot>{{CMD_SET_PARAM, AREA_PRESET_NAME, 6, 0, 0}})) << "nothing stored";
}

TEST_F(PresetDlgTest, DoubleClickOnEmptySpaceOpensNoNameDialog)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Save);
    CPresetList* list = ListOf(dlg.get());
    ClickRow(list, 2);
    const QPoint empty = EmptyPoint(list);

    const bool opened = WithModal([&] { QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty); },
                                  [&](QWidget* modal) { ClickButton(modal, IDCANCEL); });

    EXPECT_FALSE(opened);
    EXPECT_EQ(dlg->Selection(), 0);
    EXPECT_TRUE(m_sent.empty());
}

TEST_F(PresetDlgTest, LoadDialogIgnoresDoubleClicks)
{
    auto dlg = OpenDialog(*m_adapter, Kind::Load);
    const bool opened = WithModal([&] { DoubleClickRow(ListOf(dlg.get()), 2); },
                                  [&](QWidget* modal) { ClickButton(modal, IDCANCEL); });
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
    CPresetNameDialog dlg(nullptr, QString::fromUtf8(c.given));
    auto* edit = qobject_cast<QLineEdit*>(FindControl(&dlg, IDC_PRESET_NAME));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Dialog");
    EXPECT_EQ(edit->text().toStdString(), c.shown);
    ClickButton(&dlg, IDOK);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Name().toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Names, NameDlg, testing::Values(
    NameDlgCase{" USER 3     ", " USER 3     "},
    NameDlgCase{"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"},
    NameDlgCase{"中文中文中文中文", "中文中文中文中"}));

TEST_F(PresetDlgTest, NameDialogCancelKeepsTheGivenName)
{
    CPresetNameDialog dlg(nullptr, QStringLiteral("Stage"));
    auto* edit = qobject_cast<QLineEdit*>(FindControl(&dlg, IDC_PRESET_NAME));
    edit->setText(QStringLiteral("Other"));
    ClickButton(&dlg, IDCANCEL);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(dlg.Name().toStdString(), "Stage");
}

}  // namespace
