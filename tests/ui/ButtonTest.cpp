#include "tests/ui/ControlsTestSupport.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"

#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr QPoint kInside(30, 15);
constexpr QPoint kOutside(100, 15);
constexpr QPoint kFacePixel(6, 15);   // on the face, clear of the label

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(200, 100);
        m_button = new CSkinnedButton(m_window.get());
        m_button->setGeometry(10, 10, 60, 30);
        m_button->SetImages(155, 156, 156);
        QObject::connect(m_button, &QAbstractButton::clicked, [this] { ++m_clicks; });
        m_window->show();
    }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, m_button->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(m_button, &event);
    }
    void Press(QPoint at) { Send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void DragTo(QPoint at) { Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void HoverTo(QPoint at) { Send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    void Release(QPoint at) { Send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void DoubleClick(QPoint at) { Send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton); }

    QImage Face() const { return m_button->grab().toImage(); }

    std::unique_ptr<QWidget> m_window;
    CSkinnedButton* m_button = nullptr;
    int m_clicks = 0;
};

TEST_F(SkinButtonTest, ShowsTheNormalFaceAtRest)
{
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
    EXPECT_FALSE(m_button->IsOver());
    EXPECT_FALSE(m_button->IsPressed());
}

TEST_F(SkinButtonTest, ReleaseOnTheButtonClicksOnce)
{
    Press(kInside);
    EXPECT_TRUE(m_button->IsPressed());
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    Release(kInside);
    EXPECT_EQ(m_clicks, 1);
    EXPECT_FALSE(m_button->IsPressed());
}

// A click is told before anything is painted: the button is up already, released told first,
// and the paint of its normal face waits for the event loop instead of holding the click.
TEST_F(SkinButtonTest, AClickIsToldWithTheButtonUpBeforeItIsPainted)
{
    QCoreApplication::sendPostedEvents();
    int paints = 0;
    std::vector<const char*> told;
    class CPaintCounter : public QObject {
    public:
        explicit CPaintCounter(int& paints) : m_paints(paints) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            m_paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int& m_paints;
    } counter(paints);
    m_button->installEventFilter(&counter);
    QObject::connect(m_button, &QAbstractButton::released, [&] { told.push_back("released"); });
    QObject::connect(m_button, &QAbstractButton::clicked, [&] {
        told.push_back("clicked");
        EXPECT_FALSE(m_button->isDown());
        EXPECT_EQ(paints, 0) << "painted before the click was told";
    });
    Press(kInside);
    paints = 0;
    Release(kInside);
    EXPECT_EQ(told, (std::vector<const char*>{"released", "clicked"}));
    EXPECT_EQ(m_clicks, 1);
    QCoreApplication::sendPostedEvents();
    QTest::qWait(0);
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel)) << "drawn up afterwards";
}

TEST_F(SkinButtonTest, DragOffShowsNormalDragBackShowsDownAndReleaseOffDoesNotClick)
{
    Press(kInside);
    DragTo(kOutside);
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
    EXPECT_FALSE(m_button->isDown());
    DragTo(kInside);
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    EXPECT_TRUE(m_button->isDown());
    DragTo(kOutside);
    Release(kOutside);
    EXPECT_EQ(m_clicks, 0);
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
}

TEST_F(SkinButtonTest, DragBackAndReleaseOnTheButtonClicks)
{
    Press(kInside);
    DragTo(kOutside);
    DragTo(kInside);
    Release(kInside);
    EXPECT_EQ(m_clicks, 1);
}

TEST_F(SkinButtonTest, DoubleClickGivesTwoClicks)
{
    Press(kInside);
    Release(kInside);
    DoubleClick(kInside);
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    Release(kInside);
    EXPECT_EQ(m_clicks, 2);
}

TEST_F(SkinButtonTest, HoverShowsTheOverFaceAndAPressEndsIt)
{
    HoverTo(kInside);
    EXPECT_TRUE(m_button->IsOver());
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    Press(kInside);
    EXPECT_FALSE(m_button->IsOver());
    Release(kInside);
    EXPECT_FALSE(m_button->IsOver());
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
    HoverTo(kInside + QPoint(1, 0));
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_button, &leave);
    EXPECT_FALSE(m_button->IsOver());
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
}

TEST_F(SkinButtonTest, WithoutAnOverImageHoverKeepsTheNormalFace)
{
    m_button->SetImages(155, 156, 0);
    HoverTo(kInside);
    EXPECT_TRUE(m_button->IsOver());
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
}

TEST_F(SkinButtonTest, FocusLossEndsThePressWithoutAClick)
{
    Press(kInside);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_button, &focusOut);
    EXPECT_FALSE(m_button->IsPressed());
    EXPECT_TRUE(IsWhiteFace(Face(), kFacePixel));
    DragTo(kOutside);
    DragTo(kInside);
    EXPECT_FALSE(m_button->isDown());
    EXPECT_TRUE(m_button->IsOver());   // the pointer is back over a button that is not pressed
    Release(kInside);
    EXPECT_EQ(m_clicks, 0);
}

TEST_F(SkinButtonTest, DisabledShowsTheNormalFaceAndIgnoresTheMouse)
{
    m_button->SetImages(156, 155, 155);   // a blue normal face tells it apart from the others
    m_button->setEnabled(false);
    EXPECT_TRUE(IsBlueFace(Face(), kFacePixel));
    QTest::mouseClick(m_button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(m_clicks, 0);
}

TEST_F(SkinButtonTest, NewImagesReplaceTheFaces)
{
    m_button->SetImages(139, 139, 139);
    const QRgb red = Face().pixel(kFacePixel);
    EXPECT_GT(qRed(red) - qBlue(red), 0x60);
}

TEST_F(SkinButtonTest, MissingFaceShowsTheButtonColour)
{
    QPalette palette = m_button->palette();
    palette.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
    m_button->setPalette(palette);
    m_button->SetImages(0, 0, 0);
    EXPECT_EQ(Face().pixel(kFacePixel), qRgb(0x12, 0x34, 0x56));
}

TEST_F(SkinButtonTest, UsesTheHandCursorWithItsHotSpot)
{
    ASSERT_TRUE(m_button->HasHandCursor());
    EXPECT_EQ(m_button->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(m_button->cursor().hotSpot(), QPoint(CSkinnedButton::kHandHotX, CSkinnedButton::kHandHotY));
    EXPECT_EQ(m_button->cursor().pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
}

class LampTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(100, 100);
        m_lamp = new CMeterLamp(m_window.get());
        m_lamp->setGeometry(5, 5, 30, 30);
        m_lamp->setEnabled(false);
        QObject::connect(m_lamp, &QAbstractButton::clicked, [this] { ++m_clicks; });
        m_window->show();
    }

    QRgb Centre() const { return m_lamp->grab().toImage().pixel(10, 7); }
    static bool IsBrightGreen(QRgb pixel) { return qGreen(pixel) > 0xC0 && qGreen(pixel) - qRed(pixel) > 0x60; }
    static bool IsDarkGreen(QRgb pixel)
    {
        return qGreen(pixel) < 0x70 && qGreen(pixel) > qRed(pixel) && qGreen(pixel) > qBlue(pixel);
    }

    std::unique_ptr<QWidget> m_window;
    CMeterLamp* m_lamp = nullptr;
    int m_clicks = 0;
};

TEST_F(LampTest, IsLitAtConstructionAndTakesTheImageSize)
{
    EXPECT_TRUE(m_lamp->IsLit());
    m_lamp->SetLampImages(178, 180);
    EXPECT_EQ(m_lamp->size(), QSize(21, 13));
    EXPECT_EQ(m_lamp->pos(), QPoint(5, 5));
    EXPECT_TRUE(IsBrightGreen(Centre()));
}

TEST_F(LampTest, SwitchesBetweenLitAndDarkEveryTime)
{
    m_lamp->SetLampImages(178, 180);
    for (bool lit : {false, false, true, true, false}) {
        m_lamp->SetLit(lit);
        EXPECT_EQ(m_lamp->IsLit(), lit);
        EXPECT_EQ(IsBrightGreen(Centre()), lit);
        EXPECT_EQ(IsDarkGreen(Centre()), !lit);
    }
}

TEST_F(LampTest, LitColoursFollowTheImages)
{
    m_lamp->SetLampImages(177, 182);
    const QRgb red = Centre();
    EXPECT_GT(qRed(red) - qGreen(red), 0x60);
    m_lamp->SetLampImages(179, 181);
    const QRgb yellow = Centre();
    EXPECT_GT(qRed(yellow), 0xC0);
    EXPECT_GT(qGreen(yellow), 0xC0);
    EXPECT_LT(qBlue(yellow), 0x90);
}

TEST_F(LampTest, ImageIdZeroDrawsNothing)
{
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x40, 0xE0));
    m_window->setPalette(palette);
    m_window->setAutoFillBackground(true);
    m_lamp->SetLampImages(178, 0);
    m_lamp->SetLit(false);
    EXPECT_EQ(m_window->grab(m_lamp->geometry()).toImage().pixel(10, 7), qRgb(0x20, 0x40, 0xE0));
}

TEST_F(LampTest, TakesNoMouseInput)
{
    m_lamp->SetLampImages(178, 180);
    QTest::mouseClick(m_lamp, Qt::LeftButton, {}, QPoint(10, 6));
    EXPECT_EQ(m_clicks, 0);
    EXPECT_TRUE(m_lamp->IsLit());
}

}  // namespace
