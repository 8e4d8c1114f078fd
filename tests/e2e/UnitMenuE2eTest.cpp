// Several units on one computer, in the window: the USB button offers the
// attached units in a menu, the choice connects, the title names the unit,
// and the command line's choice needs no menu.
#include "WindowOverLink.h"

#include "ui/common/Language.h"
#include "ui/common/UnitNames.h"

#include <QAction>
#include <QApplication>
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
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3");

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
    EXPECT_EQ(m_dlg->windowTitle(), "V2.0.3");
}

}  // namespace
