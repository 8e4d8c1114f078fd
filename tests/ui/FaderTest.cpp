#include "tests/ui/ControlsTestSupport.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/ControlId.h"
#include "ui/main/MainWindowControls.h"

#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kThumbX = 40;   // the middle of the thumb drawn at x = 33

// A fader set up as the main window sets up its gain faders.
class FaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(200, 240);
        QPalette palette = m_window->palette();
        palette.setColor(QPalette::Window, kWindowColour);
        m_window->setPalette(palette);
        m_window->setAutoFillBackground(true);
        m_fader = new CGainFader(m_window.get());
        m_fader->move(20, 30);
        SetControlId(m_fader, kIdFader);
        m_recorder.Listen(*m_fader);
        ASSERT_TRUE(m_fader->SetChannelImages(135, 135, true, CGainFader::kColourFromPixel, 0, 0));
        ASSERT_TRUE(m_fader->SetThumbImages(136, 137, true, CGainFader::kColourFromPixel, 0, 0));
        m_fader->SetMargins(33, 0, 0, 1);
        m_fader->SetVertical(true);
        m_fader->SetRange(0, 90, false);
        m_recorder.Take();
    }

    void Press(int y) { QTest::mousePress(m_fader, Qt::LeftButton, {}, QPoint(kThumbX, y)); }
    void Move(int y) { QTest::mouseMove(m_fader, QPoint(kThumbX, y)); }
    void Release(int y) { QTest::mouseRelease(m_fader, Qt::LeftButton, {}, QPoint(kThumbX, y)); }

    void Wheel(int delta)
    {
        const QPointF at(kThumbX, 50);
        QWheelEvent wheel(at, m_fader->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_fader, &wheel);
    }

    QImage Snapshot() const { return m_window->grab(m_fader->geometry()).toImage(); }

    static ReceivedMessage Moving(int pos) { return {FaderSignal::Moving, pos}; }
    static ReceivedMessage Moved(int pos) { return {FaderSignal::Moved, pos}; }

    static constexpr QRgb kWindowColour = qRgb(0x20, 0xC0, 0x20);
    std::unique_ptr<QWidget> m_window;
    CGainFader* m_fader = nullptr;
    CMessageRecorder m_recorder;
};

TEST_F(FaderTest, TakesTheScaleSizeAndMapsPositionsToThumbCentres)
{
    EXPECT_EQ(m_fader->size(), QSize(52, 168));
    EXPECT_EQ(m_fader->GetPos(), 0);
    struct Case {
        int pos;
        int y;
    };
    for (const Case& c : {Case{0, 10}, Case{90, 156}, Case{45, 83}, Case{9, 24}, Case{1, 11}})
        EXPECT_EQ(m_fader->PosToPixel(c.pos), c.y) << "pos " << c.pos;
    // Both directions truncate, so a pixel maps back to the position at or above it.
    for (const Case& c : {Case{0, 10}, Case{90, 156}, Case{45, 83}, Case{8, 24}, Case{0, 11}, Case{1, 12}})
        EXPECT_EQ(m_fader->PixelToPos(c.y), c.pos) << "y " << c.y;
}

TEST_F(FaderTest, PressOnTheThumbCentreStartsADragWithoutMoving)
{
    m_fader->SetPos(45);
    Press(83);
    EXPECT_EQ(m_fader->GetPos(), 45);
    EXPECT_TRUE(m_fader->IsDragging());
    EXPECT_TRUE(m_fader->IsMovingTimerActive());
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    EXPECT_TRUE(m_recorder.Take().empty());
    Release(83);
    EXPECT_FALSE(m_fader->IsDragging());
    EXPECT_FALSE(m_fader->IsMovingTimerActive());
    EXPECT_EQ(m_recorder.Take(), std::vector{Moved(45)});
}

TEST_F(FaderTest, PressBesideTheThumbStepsOnceTowardsThePointer)
{
    struct Case {
        int pressY;
        int expected;
        bool dragging;
    };
    // The thumb is 21 pixels high: 10 pixels either side of the centre (83) are on it.
    for (const Case& c : {Case{94, 46, false}, Case{72, 44, false}, Case{93, 45, true}, Case{73, 45, true},
                          Case{160, 46, false}, Case{0, 44, false}}) {
        m_fader->SetPos(45);
        Press(c.pressY);
        EXPECT_EQ(m_fader->GetPos(), c.expected) << "press at " << c.pressY;
        EXPECT_EQ(m_fader->IsDragging(), c.dragging) << "press at " << c.pressY;
        Release(c.pressY);
        m_recorder.Take();
    }
}

TEST_F(FaderTest, ClickStepIsReportedByTheTimerOnceAndNotByTheRelease)
{
    m_fader->SetPos(45);
    Press(120);
    EXPECT_TRUE(m_recorder.Take().empty());
    m_fader->OnTimer(CGainFader::kMovingTimerId + 1);
    EXPECT_TRUE(m_recorder.Take().empty());
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    EXPECT_EQ(m_recorder.Take(), std::vector{Moving(46)});
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    EXPECT_TRUE(m_recorder.Take().empty());
    Release(120);
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_EQ(m_fader->GetPos(), 46);
}

TEST_F(FaderTest, ClickStepReleasedBeforeTheTimerPostsNothing)
{
    m_fader->SetPos(45);
    Press(20);
    Release(20);
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_EQ(m_fader->GetPos(), 44);
}

TEST_F(FaderTest, DragFollowsThePointerWithinTheEndsAndPacesMovingMessages)
{
    m_fader->SetPos(45);
    Press(88);   // 5 pixels below the centre, on the thumb
    Move(88 - 83 + 10 - 30);
    EXPECT_EQ(m_fader->GetPos(), 0);
    Move(400);
    EXPECT_EQ(m_fader->GetPos(), 90);
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    Move(88 - 83 + 10);   // the grab point over the top end
    EXPECT_EQ(m_fader->GetPos(), 0);
    Move(88 - 83 + 83);
    EXPECT_EQ(m_fader->GetPos(), 45);
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    m_fader->OnTimer(CGainFader::kMovingTimerId);
    Release(88);
    EXPECT_EQ(m_recorder.Take(), (std::vector{Moving(90), Moving(45), Moved(45)}));
    EXPECT_FALSE(m_fader->IsMovingTimerActive());
}

TEST_F(FaderTest, MovesWithoutAPressChangeNothing)
{
    m_fader->SetPos(45);
    Move(150);
    EXPECT_EQ(m_fader->GetPos(), 45);
    EXPECT_TRUE(m_recorder.Take().empty());
}

struct KeyCase {
    int start;
    Qt::Key key;
    int expected;
};

class FaderKeyTest : public FaderTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(FaderKeyTest, NavigationKeyMovesAndPostsMoved)
{
    const KeyCase c = GetParam();
    m_fader->SetPos(c.start);
    QTest::keyClick(m_fader, c.key);
    EXPECT_EQ(m_fader->GetPos(), c.expected);
    EXPECT_EQ(m_recorder.Take(), std::vector{Moved(c.expected)});
}

INSTANTIATE_TEST_SUITE_P(Keys, FaderKeyTest,
                         ::testing::Values(KeyCase{80, Qt::Key_PageDown, 90}, KeyCase{50, Qt::Key_PageDown, 70},
                                           KeyCase{30, Qt::Key_PageUp, 10}, KeyCase{10, Qt::Key_PageUp, 0},
                                           KeyCase{40, Qt::Key_End, 90}, KeyCase{40, Qt::Key_Home, 0},
                                           KeyCase{40, Qt::Key_Up, 39}, KeyCase{0, Qt::Key_Up, 0},
                                           KeyCase{40, Qt::Key_Down, 41}, KeyCase{90, Qt::Key_Down, 90},
                                           KeyCase{40, Qt::Key_Left, 40}, KeyCase{40, Qt::Key_Right, 40}));

TEST_F(FaderTest, OtherKeysPostNothing)
{
    m_fader->SetPos(40);
    QTest::keyClick(m_fader, Qt::Key_A);
    QTest::keyClick(m_fader, Qt::Key_Space);
    EXPECT_EQ(m_fader->GetPos(), 40);
    EXPECT_TRUE(m_recorder.Take().empty());
}

struct WheelCase {
    std::vector<int> deltas;
    int expected;
};

class FaderWheelTest : public FaderTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(FaderWheelTest, StepsPerAccumulatedNotchAndPostsMovedForEveryMessage)
{
    const WheelCase c = GetParam();
    m_fader->SetPos(45);
    for (int delta : c.deltas)
        Wheel(delta);
    EXPECT_EQ(m_fader->GetPos(), c.expected);
    const std::vector<ReceivedMessage> received = m_recorder.Take();
    ASSERT_EQ(received.size(), c.deltas.size());
    for (const ReceivedMessage& message : received)
        EXPECT_EQ(message.signal, FaderSignal::Moved);
    EXPECT_EQ(received.back().position, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Wheel, FaderWheelTest,
    ::testing::Values(WheelCase{{120}, 44}, WheelCase{{-120}, 46}, WheelCase{{120, 120, 120}, 42},
                      WheelCase{{40, 40}, 45}, WheelCase{{-40, -40, -40}, 46}, WheelCase{{-60, 60, -60}, 45},
                      WheelCase{{360}, 44}, WheelCase{{100, 100, 100}, 44}, WheelCase{{30, 30, 30, 30, 30}, 44}));

TEST_F(FaderTest, FineWheelPostsMovedEvenWithoutAStep)
{
    m_fader->SetPos(45);
    Wheel(40);
    EXPECT_EQ(m_recorder.Take(), std::vector{Moved(45)});
    Wheel(40);
    Wheel(40);
    EXPECT_EQ(m_recorder.Take(), (std::vector{Moved(45), Moved(44)}));
}

// A gain code outside the range puts the knob at the end of the scale, where it can be seen.
TEST_F(FaderTest, InvertedPositionOutsideTheRangeStopsAtTheEnds)
{
    m_fader->SetInvertedPos(60);
    EXPECT_EQ(m_fader->GetPos(), 30);
    m_fader->SetInvertedPos(120);
    EXPECT_EQ(m_fader->GetPos(), 0);
    EXPECT_EQ(m_fader->GetInvertedPos(), 90);
    m_fader->SetInvertedPos(-5);
    EXPECT_EQ(m_fader->GetInvertedPos(), 0);
    EXPECT_EQ(m_fader->GetPos(), 90);
}

TEST_F(FaderTest, SetPosLimitsAndSetRangeGoesToTheTop)
{
    m_fader->SetPos(200);
    EXPECT_EQ(m_fader->GetPos(), 90);
    m_fader->SetPos(-3);
    EXPECT_EQ(m_fader->GetPos(), 0);
    m_fader->SetPos(70);
    m_fader->SetRange(10, 50, true);
    EXPECT_EQ(m_fader->GetPos(), 10);
}

TEST_F(FaderTest, HorizontalIsIgnored)
{
    m_fader->SetVertical(false);
    EXPECT_TRUE(m_fader->IsVertical());
}

TEST_F(FaderTest, ScaleIsTransparentByItsTopLeftColour)
{
    const QImage image = Snapshot();
    EXPECT_EQ(image.pixel(0, 0), kWindowColour);
    EXPECT_EQ(image.pixel(51, 88), kWindowColour);
    // The groove is dark where the thumb is not.
    EXPECT_LT(qRed(image.pixel(kThumbX, 120)), 0x60);
}

TEST_F(FaderTest, ThumbShowsTheActiveKnobOnlyWhileDragged)
{
    m_fader->SetPos(45);
    const QPoint mark(kThumbX, 84);   // the knob's centre line
    EXPECT_LT(qBlue(Snapshot().pixel(mark)), 0x50);
    Press(83);
    const QRgb dragged = Snapshot().pixel(mark);
    EXPECT_GT(qBlue(dragged) - qRed(dragged), 0x40);
    Release(83);
    EXPECT_LT(qBlue(Snapshot().pixel(mark)), 0x50);
}

TEST_F(FaderTest, MovedThumbLeavesNoTrail)
{
    const QRgb groove = Snapshot().pixel(kThumbX, 84);
    m_fader->SetPos(45);
    const QRgb knob = Snapshot().pixel(kThumbX, 84);
    EXPECT_NE(knob, groove);
    m_fader->SetPos(0);
    const QImage image = Snapshot();
    EXPECT_EQ(image.pixel(kThumbX, 84), groove);
    EXPECT_EQ(image.pixel(kThumbX, 11), knob);
}

TEST_F(FaderTest, ThumbWithoutAScaleRestoresTheSavedBackground)
{
    ASSERT_TRUE(m_fader->SetChannelImages(0, 0, false, 0, 0, 0));
    m_fader->SetPos(0);
    QImage image = Snapshot();
    EXPECT_NE(image.pixel(kThumbX, 11), kWindowColour);
    EXPECT_EQ(m_fader->SavedThumbCorner(), QPoint(33, 0));
    m_fader->SetPos(90);
    image = Snapshot();
    EXPECT_EQ(image.pixel(kThumbX, 11), kWindowColour);
    EXPECT_NE(image.pixel(kThumbX, 157), kWindowColour);
    EXPECT_EQ(m_fader->SavedThumbCorner(), QPoint(33, 146));
}

TEST_F(FaderTest, MissingImagesAreRefusedAndChangeNothing)
{
    EXPECT_FALSE(m_fader->SetChannelImages(9999, 0, true, CGainFader::kColourFromPixel, 0, 0));
    EXPECT_FALSE(m_fader->SetChannelImages(135, 9999, true, CGainFader::kColourFromPixel, 0, 0));
    EXPECT_FALSE(m_fader->SetThumbImages(136, 9999, true, CGainFader::kColourFromPixel, 0, 0));
    EXPECT_EQ(m_fader->size(), QSize(52, 168));
    EXPECT_EQ(m_fader->PosToPixel(90), 156);
    EXPECT_EQ(Snapshot().pixel(0, 0), kWindowColour);
}

}  // namespace
