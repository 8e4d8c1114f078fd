#include "ui/controls/ResourceImage.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace {

struct BitmapCase {
    int id;
    QSize size;
};

class ControlsBitmapTest : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(ControlsBitmapTest, HasItsSizeAndASharpDoubleResolutionVariant)
{
    const BitmapCase c = GetParam();
    const QImage image = LoadResourceImage(c.id);
    ASSERT_FALSE(image.isNull()) << c.id;
    EXPECT_EQ(image.size(), c.size) << c.id;
    const QImage sharp(QStringLiteral(":/%1@2x.png").arg(c.id));
    EXPECT_EQ(sharp.size(), c.size * 2) << c.id;
}

std::vector<BitmapCase> AllBitmaps()
{
    std::vector<BitmapCase> all = {{128, {32, 32}}, {134, {32, 32}}, {135, {52, 168}}, {136, {14, 21}},
                                   {137, {14, 21}}, {139, {60, 30}}, {140, {60, 30}},  {147, {38, 22}},
                                   {148, {38, 22}}};
    for (int id = 155; id <= 176; ++id)
        all.push_back({id, {60, 30}});
    for (int id = 177; id <= 182; ++id)
        all.push_back({id, {21, 13}});
    for (int id : {186, 187, 188, 190, 191, 193, 194, 195, 197, 198})
        all.push_back({id, {80, 30}});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Resources, ControlsBitmapTest, ::testing::ValuesIn(AllBitmaps()));

TEST(ControlsBitmapKeyTest, FaderImagesAreKeyedByTheirTransparentTopLeftPixel)
{
    for (int id : {135, 136, 137})
        EXPECT_EQ(qAlpha(LoadResourceImage(id).pixel(0, 0)), 0) << id;
}

TEST(ControlsBitmapKeyTest, UnknownIdsGiveNoImage)
{
    EXPECT_TRUE(LoadResourceImage(0).isNull());
    EXPECT_TRUE(LoadResourceImage(189).isNull());
}

}  // namespace
