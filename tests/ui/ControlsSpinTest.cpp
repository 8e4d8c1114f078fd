#include "ui/controls/SpinButton.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SpinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(200, 100);
        m_edit = new QLineEdit(m_window.get());
        m_edit->setGeometry(10, 10, 60, 20);
        m_spin = new CSpinButton(m_window.get());
        m_spin->SetBuddy(m_edit);
        m_window->show();
    }

    std::vector<int> Steps(QSignalSpy& spy) const
    {
        std::vector<int> steps;
        for (const QList<QVariant>& arguments : spy)
            steps.push_back(arguments.at(0).toInt());
        return steps;
    }

    std::unique_ptr<QWidget> m_window;
    QLineEdit* m_edit = nullptr;
    CSpinButton* m_spin = nullptr;
};

TEST_F(SpinButtonTest, SitsAtTheEditsRightEdgeWithinItsOldRectangle)
{
    EXPECT_EQ(m_edit->geometry(), QRect(10, 10, 60 - CSpinButton::kWidth, 20));
    EXPECT_EQ(m_spin->geometry(), QRect(10 + 60 - CSpinButton::kWidth, 10, CSpinButton::kWidth, 20));
    m_edit->move(30, 40);
    EXPECT_EQ(m_spin->geometry(), QRect(30 + 60 - CSpinButton::kWidth, 40, CSpinButton::kWidth, 20));
}

TEST_F(SpinButtonTest, ArrowsStepUpAndDown)
{
    QSignalSpy spy(m_spin, &CSpinButton::stepped);
    QTest::mouseClick(m_spin->UpButton(), Qt::LeftButton);
    QTest::mouseClick(m_spin->DownButton(), Qt::LeftButton);
    QTest::mouseClick(m_spin->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Steps(spy), (std::vector{+1, -1, +1}));
}

TEST_F(SpinButtonTest, UpAndDownKeysInTheEditStepAndOtherKeysType)
{
    QSignalSpy spy(m_spin, &CSpinButton::stepped);
    QTest::keyClick(m_edit, Qt::Key_Up);
    QTest::keyClick(m_edit, Qt::Key_Down);
    QTest::keyClick(m_edit, Qt::Key_Down);
    QTest::keyClicks(m_edit, "12");
    EXPECT_EQ(Steps(spy), (std::vector{+1, -1, -1}));
    EXPECT_EQ(m_edit->text(), QStringLiteral("12"));
}

TEST_F(SpinButtonTest, HeldButtonsRepeat)
{
    EXPECT_TRUE(m_spin->UpButton()->autoRepeat());
    EXPECT_TRUE(m_spin->DownButton()->autoRepeat());
    EXPECT_EQ(m_spin->UpButton()->autoRepeatInterval(), CSpinButton::kRepeatIntervalMs);
}

TEST_F(SpinButtonTest, FollowsTheEditsVisibility)
{
    m_edit->hide();
    EXPECT_FALSE(m_spin->isVisible());
    m_edit->show();
    EXPECT_TRUE(m_spin->isVisible());
}

}  // namespace
