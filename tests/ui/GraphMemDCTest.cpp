#include "GraphTestSupport.h"
#include "ui/graph/memdc.h"

namespace graphtest {
namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

class MemDC : public testing::Test {
protected:
    void SetUp() override
    {
        m_target = QImage(40, 30, QImage::Format_RGB32);
        m_target.fill(kRed);
    }

    QImage m_target;
};

TEST_F(MemDC, StartsFromTheBackgroundAndDrawsInTheTargetsCoordinates)
{
    {
        CMemDC dc(m_target, QRect(10, 5, 20, 10), false);
        dc->fillRect(QRect(12, 6, 2, 3), Qt::white);
    }
    EXPECT_EQ(m_target.pixel(12, 6), kWhite);
    EXPECT_EQ(m_target.pixel(13, 8), kWhite);
    EXPECT_EQ(m_target.pixel(10, 5), kBlack);
    EXPECT_EQ(m_target.pixel(29, 14), kBlack);
    EXPECT_EQ(m_target.pixel(9, 5), kRed);
    EXPECT_EQ(m_target.pixel(30, 14), kRed);
    EXPECT_EQ(m_target.pixel(10, 15), kRed);
}

TEST_F(MemDC, CanStartFromTheTargetsPixels)
{
    m_target.setPixel(15, 7, kBlue);
    {
        CMemDC dc(m_target, QRect(10, 5, 20, 10), true);
        dc->fillRect(QRect(20, 10, 1, 1), Qt::white);
    }
    EXPECT_EQ(m_target.pixel(15, 7), kBlue);
    EXPECT_EQ(m_target.pixel(11, 6), kRed);
    EXPECT_EQ(m_target.pixel(20, 10), kWhite);
}

TEST_F(MemDC, TheTargetChangesOnlyWhenFlushedAndOnlyOnce)
{
    CMemDC dc(m_target, QRect(0, 0, 10, 10), false, Qt::blue);
    dc->fillRect(QRect(1, 1, 3, 3), Qt::white);
    EXPECT_EQ(m_target.pixel(2, 2), kRed);
    EXPECT_EQ(m_target.pixel(8, 8), kRed);

    dc.Flush();
    EXPECT_EQ(m_target.pixel(2, 2), kWhite);
    EXPECT_EQ(m_target.pixel(8, 8), kBlue);

    m_target.fill(kRed);
    dc.Flush();
    EXPECT_EQ(m_target.pixel(2, 2), kRed);
}

TEST_F(MemDC, AnEmptyRectangleMeansTheWholeTarget)
{
    {
        CMemDC dc(m_target, QRect(), false);
        EXPECT_EQ(dc.Rect(), QRect(0, 0, 40, 30));
    }
    EXPECT_EQ(m_target.pixel(0, 0), kBlack);
    EXPECT_EQ(m_target.pixel(39, 29), kBlack);
}

TEST_F(MemDC, ARectangleReachingOutsideIsCutToTheTarget)
{
    {
        CMemDC dc(m_target, QRect(30, 20, 50, 50), false);
        EXPECT_EQ(dc.Rect(), QRect(30, 20, 10, 10));
        dc->fillRect(QRect(35, 25, 100, 100), Qt::white);
    }
    EXPECT_EQ(m_target.pixel(39, 29), kWhite);
    EXPECT_EQ(m_target.pixel(30, 20), kBlack);
    EXPECT_EQ(m_target.pixel(29, 20), kRed);
}

TEST_F(MemDC, ARectangleOutsideTheTargetDrawsNothing)
{
    {
        CMemDC dc(m_target, QRect(100, 100, 10, 10), false);
        EXPECT_TRUE(dc.Rect().isEmpty());
    }
    EXPECT_EQ(m_target.pixel(0, 0), kRed);
    EXPECT_EQ(m_target.pixel(39, 29), kRed);
}

// A high-density target keeps its logical coordinates; the buffer has its device pixels.
TEST_F(MemDC, DrawsAtTheTargetsPixelDensity)
{
    QImage dense(80, 60, QImage::Format_RGB32);
    dense.setDevicePixelRatio(2.0);
    dense.fill(kRed);
    {
        CMemDC dc(dense, QRect(10, 5, 10, 10), false);
        dc->fillRect(QRect(12, 6, 1, 1), Qt::white);
    }
    EXPECT_EQ(dense.pixel(24, 12), kWhite);
    EXPECT_EQ(dense.pixel(25, 13), kWhite);
    EXPECT_EQ(dense.pixel(26, 12), kBlack);
    EXPECT_EQ(dense.pixel(20, 10), kBlack);
    EXPECT_EQ(dense.pixel(19, 10), kRed);
    EXPECT_EQ(dense.pixel(40, 30), kRed);
}

}  // namespace
}  // namespace graphtest
