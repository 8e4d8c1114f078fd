// Several units on one computer, in the window: the USB button offers the
// attached units in a menu, the choice connects, the title names the unit,
// and the command line's choice needs no menu.
#include "WindowOverLink.h"

#include "ui/common/Language.h"
#include "ui/common/UnitNames.h"
#include "ui/main/UnitNameDialog.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

class UnitMenu : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        for (const auto& [path, serial] : {std::pair{"/dev/hidraw3", "QD-0001"}, std::pair{"/dev/hidraw4", ""},
                                          std::pair{"/dev/hidraw5", "QD-0003"}}) {
            SimulatedDeviceSpec spec;
            spec.path = path;
            spec.serial = serial;
            AddUnitDevice(spec);
        }
        m_names.SetName("QD-0001", QStringLiteral("Hall"));
    }

    void TearDown() override
    {
        m_names.SetName("QD-0001", QString());
        SetCurrentLanguage(kEnglish);
        MainWindowFixture::TearDown();
    }

    // Clicks the USB button; the menu it opens shows its texts, and the action
    // at index is chosen (-1: the menu is closed without a choice).
    QStringList ClickAndChoose(int index)
    {
        QStringList texts;
        QTimer::singleShot(0, m_dlg.get(), [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no menu of units";
            for (const QAction* action : menu->actions())
                texts << action->text();
            if (index < 0) {
                menu->close();
                return;
            }
            menu->setActiveAction(menu->actions().at(index));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        Click(kIdConnect);
        Settle();
        return texts;
    }

    int OpenUnit() const
    {
        for (int d = 0; d < 3; ++d)
            if (m_backend.OpenHandles(d) > 0)
                return d;
        return -1;
    }

    CUnitNames m_names;
};

TEST_F(UnitMenu, TheUsbButtonOffersTheUnitsAndTheChoiceConnects)
{
    Open().show();
    const QStringList texts = ClickAndChoose(3);
    EXPECT_EQ(texts, (QStringList{"Connect to:", "Hall (QD-0001)", "/dev/hidraw4", "QD-0003"}));
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_EQ(OpenUnit(), 2);
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — QD-0003");

    Click(kIdConnect);   // disconnect
    ClickAndChoose(1);
    EXPECT_EQ(OpenUnit(), 0);
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — Hall");
}

TEST_F(UnitMenu, AMenuClosedWithoutAChoiceConnectsNothing)
{
    Open().show();
    ClickAndChoose(-1);
    EXPECT_FALSE(Unit().IsConnected());
    EXPECT_EQ(OpenUnit(), -1);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(UnitMenu, TheMenuSpeaksTheWindowsLanguage)
{
    Open().show();
    Click(kIdLanguage);
    EXPECT_EQ(ClickAndChoose(-1).front(), "连接到:");
}

TEST_F(UnitMenu, AUnitChosenOnTheCommandLineConnectsWithoutAMenu)
{
    Open().show();
    Unit().Link().ChooseUnit("/dev/hidraw4");
    m_dlg->KeepToTheUnitChosen();
    Click(kIdConnect);
    Settle();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(OpenUnit(), 1);
}

// A/B holds two settings of one unit: connected again it keeps them, another unit starts afresh.
TEST_F(UnitMenu, AnotherUnitStartsTheComparisonAfresh)
{
    Open().show();
    ClickAndChoose(1);
    Tick(1);
    m_dlg->SwitchCompareSide();
    Click(kIdMute);
    Settle();
    ASSERT_EQ(m_dlg->UndoStack().count(), 1);

    Click(kIdConnect);   // disconnect
    ClickAndChoose(1);
    Tick(1);
    EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::B) << "the same unit";

    Click(kIdConnect);
    ClickAndChoose(3);
    Tick(1);
    ASSERT_EQ(OpenUnit(), 2);
    EXPECT_EQ(m_dlg->ActiveCompareSide(), CompareSide::A);
    EXPECT_EQ(m_dlg->UndoStack().count(), 0);
    m_dlg->SwitchCompareSide();
    EXPECT_EQ(m_dlg->UndoStack().count(), 0) << "B's history of the other unit is gone";
}

TEST_F(UnitMenu, ANameGivenToTheUnitShowsInTheTitle)
{
    Open().show();
    ClickAndChoose(3);
    m_names.SetName("QD-0003", QStringLiteral("Bar"));
    m_dlg->UpdateTitle();
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — Bar");
    m_names.SetName("QD-0003", QString());
    m_dlg->UpdateTitle();
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — QD-0003") << "among several units, by its serial number";
}

struct TitleCase {
    int menuEntry;
    const char* title;
};

// With several units attached the title says which one is connected: by its
// name, else its serial number, else its path.
TEST_F(UnitMenu, WithSeveralUnitsTheTitleNamesTheConnectedOne)
{
    Open().show();
    const TitleCase cases[] = {{1, "V2.0.3 — Hall"}, {2, "V2.0.3 — /dev/hidraw4"}, {3, "V2.0.3 — QD-0003"}};
    for (const TitleCase& c : cases) {
        ClickAndChoose(c.menuEntry);
        EXPECT_EQ(m_dlg->windowTitle(), QString::fromUtf8(c.title)) << c.menuEntry;
        Click(kIdConnect);   // disconnect
        Settle();
        EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3");
    }
}

// Other units coming and going while one is connected change the title.
TEST_F(UnitMenu, TheTitleFollowsOtherUnitsPluggedAndUnplugged)
{
    m_backend.Unplug(0);
    m_backend.Unplug(2);
    Open().show();
    Click(kIdConnect);   // one unit: no menu
    Settle();
    ASSERT_EQ(OpenUnit(), 1);
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3") << "one unit: the title stays as it was";
    m_backend.Plug(2);
    Settle();
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — /dev/hidraw4");
    m_backend.Unplug(2);
    Settle();
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3");
    m_names.SetName("/dev/hidraw4", QStringLiteral("Bar"));
    m_dlg->UpdateTitle();
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — Bar") << "a name shows with one unit too";
    m_names.SetName("/dev/hidraw4", QString());
}

// "Name this unit…" refuses Hall, which QD-0001 has, in the window's language,
// and takes a free name, which the title then shows.
TEST_F(UnitMenu, NamingTheUnitRefusesAnotherUnitsName)
{
    Open().show();
    ClickAndChoose(3);
    for (const auto& [language, refusal] :
         {std::pair{kEnglish, "The unit QD-0001 already has the name Hall. Choose another name."},
          std::pair{kChinese, "设备 QD-0001 已使用名称 Hall，请另选一个名称。"}}) {
        SetCurrentLanguage(language);
        FollowLanguage();
        QString shown;
        bool okEnabled = true;
        QTimer::singleShot(0, m_dlg.get(), [&] {
            auto* dialog = qobject_cast<CUnitNameDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->NameEdit(), QStringLiteral("hall"));
            shown = dialog->Refusal();
            okEnabled = dialog->Buttons()->button(QDialogButtonBox::Ok)->isEnabled();
            QTest::keyClick(dialog->NameEdit(), Qt::Key_Return);   // refused: the dialog stays
            dialog->NameEdit()->setText(QStringLiteral("Stage"));
            QTest::keyClick(dialog->NameEdit(), Qt::Key_Return);
        });
        m_dlg->NameThisUnit();
        EXPECT_EQ(shown, QString::fromUtf8(refusal));
        EXPECT_FALSE(okEnabled);
        EXPECT_EQ(m_names.Name("QD-0003"), "Stage");
        EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3 — Stage");
        m_names.SetName("QD-0003", QString());
    }
}

}  // namespace
