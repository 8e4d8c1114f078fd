#include "protocol/ParameterImage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A unit's image as it starts.
class ImageDefaults : public testing::Test {
protected:
    CParameterImage& Image() { return m_image; }

    CParameterImage m_image;
};

TEST_F(ImageDefaults, ChannelBlockBytesMatchTheUnitLayout)
{
    Image().LoadDefaults();
    const std::uint8_t* b = BlockBytes(Image().channels[0]);
    // group 0: reserved0 80, gain 80, mute 0, freqShift 0
    const std::uint8_t group0[8] = {0x50, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(b, group0, 8));
    EXPECT_EQ(1, b[8]);     // gateThreshold -99 dB
    EXPECT_EQ(59, b[16]);   // compressor threshold OFF
    EXPECT_EQ(0, b[17]);
    EXPECT_EQ(0, b[18]);
    EXPECT_EQ(0, b[19]);
    // band 7: 1000 Hz, gain 120, bw 32, slope 0, type 0
    const std::uint8_t band7[8] = {0xE8, 0x03, 0x78, 0x00, 0x20, 0x00, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(b + 24 + 8 * 7, band7, 8));
    for (int i = 0; i < kNotchCount; ++i) {
        EXPECT_EQ(0, b[126 + 4 * i]);
        EXPECT_EQ(0, b[127 + 4 * i]);
        EXPECT_EQ(20, b[128 + 4 * i]);
        EXPECT_EQ(0, b[129 + 4 * i]);
    }
    for (int i = 120; i <= 125; ++i)
        EXPECT_EQ(0, b[i]) << "byte " << i;
}

TEST_F(ImageDefaults, EveryByteOfTheDefaultBlock)
{
    std::uint8_t expected[174] = {};
    expected[0] = 80;    // reserved0
    expected[2] = 80;    // gain 0 dB
    expected[8] = 1;     // gate -99 dB
    expected[16] = 59;   // compressor OFF
    const int bandHz[12] = {40, 63, 100, 160, 250, 400, 630, 1000, 1600, 2500, 4000, 6300};
    for (int k = 0; k < 12; ++k) {
        std::uint8_t* band = expected + 24 + 8 * k;
        band[0] = static_cast<std::uint8_t>(bandHz[k] & 0xFF);
        band[1] = static_cast<std::uint8_t>(bandHz[k] >> 8);
        band[2] = 120;
        band[4] = 32;
    }
    for (int i = 0; i < 12; ++i)
        expected[126 + 4 * i + 2] = 20;
    Image().LoadDefaults();
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = 0; i < 174; ++i)
            EXPECT_EQ(expected[i], BlockBytes(Image().channels[c])[i]) << "channel " << c << " byte " << i;
}

TEST_F(ImageDefaults, BlocksLieBackToBackAndDefaultsReachBoth)
{
    Image().channels[1].gain.Set(3);
    Image().globals.language = 1;
    Image().LoadDefaults();
    EXPECT_EQ(BlockBytes(Image().channels[0]) + 174, BlockBytes(Image().channels[1]));
    EXPECT_EQ(0, std::memcmp(&Image().channels[0], &Image().channels[1], sizeof(ChannelBlock)));
    EXPECT_EQ(80, Image().channels[1].gain.Get());
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(0, GlobalBytes(Image().globals)[i]) << "byte " << i;
}

TEST_F(ImageDefaults, InitialPresetNamesArePaddedToTwelveThenZero)
{
    char expected0[kPresetRecordSize] = " Current    ";
    EXPECT_EQ(0, std::memcmp(Image().names.records[0], expected0, kPresetRecordSize));
    char expected21[kPresetRecordSize] = " USER 21    ";
    EXPECT_EQ(0, std::memcmp(Image().names.records[21], expected21, kPresetRecordSize));
    char expected1[kPresetRecordSize] = " USER 1     ";
    EXPECT_EQ(0, std::memcmp(Image().names.records[1], expected1, kPresetRecordSize));
}

TEST(InitialPresetNames, EveryRecordSpaceThenZeroPadded)
{
    const char* const expected[kPresetRecordCount] = {
        " Current    ", " USER 1     ", " USER 2     ", " USER 3     ", " USER 4     ", " USER 5     ",
        " USER 6     ", " USER 7     ", " USER 8     ", " USER 9     ", " USER 10    ", " USER 11    ",
        " USER 12    ", " USER 13    ", " USER 14    ", " USER 15    ", " USER 16    ", " USER 17    ",
        " USER 18    ", " USER 19    ", " USER 20    ", " USER 21    "};
    const PresetNameTable names = InitialPresetNames();
    for (int r = 0; r < kPresetRecordCount; ++r) {
        char record[kPresetRecordSize] = {};
        std::memcpy(record, expected[r], std::strlen(expected[r]));
        EXPECT_EQ(0, std::memcmp(names.records[r], record, kPresetRecordSize)) << "record " << r;
    }
}

TEST(Le16, SignedLittleEndianRoundTrip)
{
    struct Case { std::int16_t value; std::uint8_t lo, hi; };
    const Case cases[] = {{0, 0, 0}, {80, 0x50, 0}, {1000, 0xE8, 0x03}, {-1, 0xFF, 0xFF}, {-32768, 0, 0x80}};
    for (const Case& c : cases) {
        Le16 v;
        v.Set(c.value);
        EXPECT_EQ(c.lo, v.lo);
        EXPECT_EQ(c.hi, v.hi);
        EXPECT_EQ(c.value, v.Get());
        std::uint8_t raw[2];
        WriteLe16(raw, c.value);
        EXPECT_EQ(c.value, ReadLe16(raw));
    }
}

TEST(GlobalItems, MapToTheirBytes)
{
    EXPECT_EQ(5, GlobalItemByte(5));
    EXPECT_EQ(10, GlobalItemByte(7));
    EXPECT_EQ(11, GlobalItemByte(8));
    EXPECT_EQ(-1, GlobalItemByte(6));
    EXPECT_EQ(-1, GlobalItemByte(0));
}

}  // namespace
