// Controls laid out as designed: at the design size each sits on its rectangle, larger the
// ones that grow take the room and the others keep their sizes and distances, and the
// container goes no smaller than its design.
#include "ui/main/DialogLayout.h"

#include <QApplication>
#include <QLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Child {
    QRect rect;
    unsigned growth;
};

class DialogLayoutTest : public testing::Test {
protected:
    // Children at their rectangles in a container of the design size, laid out as designed.
    void Build(const std::vector<Child>& children, QSize design)
    {
        m_container = std::make_unique<QWidget>();
        std::vector<DesignedChild> designed;
        for (const Child& child : children) {
            auto* widget = new QWidget(m_container.get());
            m_children.push_back(widget);
            designed.push_back({widget, child.rect, child.growth});
        }
        LayOutAsDesigned(*m_container, designed, design);
        m_container->resize(design);
        m_container->show();
        m_container->layout()->activate();
    }

    void ResizeTo(QSize size)
    {
        m_container->resize(size);
        m_container->layout()->activate();
    }

    // A child's rectangle in the container's coordinates, however deep its layout nests it.
    QRect At(int i) const { return m_children[static_cast<std::size_t>(i)]->geometry(); }

    std::unique_ptr<QWidget> m_container;
    std::vector<QWidget*> m_children;
};

// A top row with one button kept to the right, a graph beside a column of buttons, and a row below.
const std::vector<Child> kDesign = {
    {QRect(14, 7, 264, 37), kGrowsNot},        // 0 status line
    {QRect(281, 7, 63, 32), kGrowsNot},        // 1
    {QRect(840, 7, 63, 32), kKeepsToTheRight}, // 2
    {QRect(1108, 9, 51, 32), kGrowsNot},       // 3 a little lower in its row
    {QRect(24, 70, 772, 286), kGrowsBoth},     // 4 graph
    {QRect(806, 71, 82, 32), kGrowsNot},       // 5 column beside it
    {QRect(801, 207, 83, 14), kGrowsNot},      // 6
    {QRect(814, 223, 65, 22), kGrowsNot},      // 7
    {QRect(10, 388, 200, 30), kGrowsNot},      // 8 the row below
};
constexpr QSize kDesignSize(1200, 725);

TEST_F(DialogLayoutTest, AtTheDesignSizeEveryChildSitsOnItsRectangle)
{
    Build(kDesign, kDesignSize);
    for (std::size_t i = 0; i < kDesign.size(); ++i)
        EXPECT_EQ(At(static_cast<int>(i)), kDesign[i].rect) << i;
}

TEST_F(DialogLayoutTest, LargerTheGrowingChildTakesTheRoomAndTheOthersKeepTheirPlacesToIt)
{
    Build(kDesign, kDesignSize);
    ResizeTo(QSize(1920, 1080));
    EXPECT_EQ(At(4), QRect(24, 70, 772 + 720, 286 + 355)) << "the graph";
    EXPECT_EQ(At(5), QRect(806 + 720, 71, 82, 32)) << "the column beside it follows its right edge";
    EXPECT_EQ(At(7), QRect(814 + 720, 223, 65, 22));
    EXPECT_EQ(At(8), QRect(10, 388 + 355, 200, 30)) << "the row below follows its bottom edge";
    EXPECT_EQ(At(0), kDesign[0].rect) << "the top row's left part stays";
    EXPECT_EQ(At(1), kDesign[1].rect);
    EXPECT_EQ(At(2), QRect(840 + 720, 7, 63, 32)) << "kept to the right";
    EXPECT_EQ(At(3), QRect(1108 + 720, 9, 51, 32));
}

TEST_F(DialogLayoutTest, TheContainerGoesNoSmallerThanItsDesign)
{
    Build(kDesign, kDesignSize);
    EXPECT_EQ(m_container->minimumSizeHint(), kDesignSize);
    EXPECT_EQ(m_container->layout()->minimumSize(), kDesignSize);
}

TEST_F(DialogLayoutTest, WithoutAGrowingChildTheRoomStaysAfterTheChildren)
{
    Build({{QRect(5, 5, 20, 20), kGrowsNot}, {QRect(40, 10, 20, 20), kGrowsNot}, {QRect(5, 50, 55, 10), kGrowsNot}},
          QSize(70, 70));
    ResizeTo(QSize(300, 200));
    EXPECT_EQ(At(0), QRect(5, 5, 20, 20));
    EXPECT_EQ(At(1), QRect(40, 10, 20, 20));
    EXPECT_EQ(At(2), QRect(5, 50, 55, 10));
}

// A group box's title and frame take the top of it: its children keep their places under them.
TEST_F(DialogLayoutTest, AContainersMarginsAreLeftToIt)
{
    m_container = std::make_unique<QWidget>();
    m_container->setContentsMargins(3, 18, 4, 2);
    auto* child = new QWidget(m_container.get());
    LayOutAsDesigned(*m_container, {{child, QRect(14, 22, 100, 50), kGrowsBoth}}, QSize(200, 100));
    m_container->resize(200, 100);
    m_container->show();
    m_container->layout()->activate();
    EXPECT_EQ(child->geometry(), QRect(14, 22, 100, 50));
    m_container->resize(250, 130);
    m_container->layout()->activate();
    EXPECT_EQ(child->geometry(), QRect(14, 22, 150, 80));
}

struct ScaleCase {
    int dialogUnits;
    int pixels;
};

TEST(DialogUnits, ScaleByOnePointSevenRoundingHalvesAwayFromZero)
{
    for (ScaleCase c : {ScaleCase{0, 0}, {5, 9}, {85, 145}, {95, 162}, {175, 298}, {454, 772}, {746, 1268}})
        EXPECT_EQ(DialogUnitsToPixels(c.dialogUnits), c.pixels) << c.dialogUnits;
    EXPECT_EQ(DialogUnitsRect(14, 41, 454, 168), QRect(24, 70, 772, 286));
}

}  // namespace
