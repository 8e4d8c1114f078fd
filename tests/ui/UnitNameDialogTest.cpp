// "Name this unit…": a name another unit has is refused while it is typed, in
// the window's language, and the dialog's standard buttons speak it too.
#include "ui/common/Language.h"
#include "ui/common/UnitNames.h"
#include "ui/main/UnitNameDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class UnitNameDialog : public testing::Test {
protected:
    void SetUp() override
    {
        m_names.SetName("QD-0001", QStringLiteral("Hall"));
        m_names.SetName("/dev/hidraw4", QStringLiteral("Bar"));
    }

    void TearDown() override
    {
        for (const char* key : {"QD-0001", "/dev/hidraw4", "QD-0003"})
            m_names.SetName(key, QString());
        SetCurrentLanguage(kEnglish);
    }

    CUnitNames m_names;
};

struct TypedName {
    int language;
    const char* typed;
    const char* refusal;   // empty: the name is taken
};

TEST_F(UnitNameDialog, ANameAnotherUnitHasIsRefusedWhileItIsTyped)
{
    const TypedName cases[] = {
        {kEnglish, "Hall", "The unit QD-0001 already has the name Hall. Choose another name."},
        {kEnglish, "  hALL ", "The unit QD-0001 already has the name Hall. Choose another name."},
        {kEnglish, "bar", "The unit /dev/hidraw4 already has the name Bar. Choose another name."},
        {kChinese, "Hall", "设备 QD-0001 已使用名称 Hall，请另选一个名称。"},
        {kChinese, "BAR", "设备 /dev/hidraw4 已使用名称 Bar，请另选一个名称。"},
        {kEnglish, "Hall 2", ""},
        {kEnglish, "Stage", ""},
        {kChinese, "舞台", ""},
        {kEnglish, "   ", ""},   // forgets the unit's name
    };
    for (const TypedName& c : cases) {
        SetCurrentLanguage(c.language);
        CUnitNameDialog dialog("QD-0003");
        dialog.NameEdit()->insert(QString::fromUtf8(c.typed));   // as typing or pasting it does
        EXPECT_EQ(dialog.Refusal().toStdString(), c.refusal) << c.typed;
        QLabel* shown = nullptr;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text() == QString::fromUtf8(c.refusal) && !label->isHidden())
                shown = label;
        }
        EXPECT_EQ(shown != nullptr, *c.refusal != '\0') << c.typed;
        EXPECT_EQ(dialog.Buttons()->button(QDialogButtonBox::Ok)->isEnabled(), *c.refusal == '\0') << c.typed;
    }
}

TEST_F(UnitNameDialog, EnterTakesAFreeNameAndNotATakenOne)
{
    CUnitNameDialog dialog("QD-0001");
    EXPECT_EQ(dialog.NameEdit()->text(), "Hall") << "the unit's own name is there to change";
    EXPECT_TRUE(dialog.Refusal().isEmpty()) << "a unit keeps its own name";
    dialog.show();
    dialog.NameEdit()->setText(QStringLiteral("Bar"));
    QTest::keyClick(dialog.NameEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Bar is another unit's";
    dialog.NameEdit()->setText(QStringLiteral(" Main hall "));
    QTest::keyClick(dialog.NameEdit(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Name(), "Main hall");
}

struct ButtonTexts {
    int language;
    const char* title;
    const char* prompt;
    const char* ok;
    const char* cancel;
};

TEST_F(UnitNameDialog, SpeaksTheWindowsLanguageStandardButtonsToo)
{
    const ButtonTexts cases[] = {
        {kEnglish, "Name this unit", "Name of the unit QD-0003:", "OK", "Cancel"},
        {kChinese, "为此设备命名", "设备 QD-0003 的名称:", "确定", "取消"},
    };
    for (const ButtonTexts& c : cases) {
        SetCurrentLanguage(c.language);
        CUnitNameDialog dialog("QD-0003");
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.title));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        EXPECT_TRUE(labels.contains(QString::fromUtf8(c.prompt))) << labels.join('|').toStdString();
        EXPECT_EQ(dialog.Buttons()->button(QDialogButtonBox::Ok)->text(), QString::fromUtf8(c.ok));
        EXPECT_EQ(dialog.Buttons()->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(c.cancel));
    }
}

}  // namespace
