#include "ui/common/PresetNameCodec.h"

#include "protocol/ParameterImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Hex(const QByteArray& bytes)
{
    std::string hex;
    for (const char c : bytes) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
        hex += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex;
}

struct EncodeCase {
    const char* text;   // UTF-8
    const char* gbk;    // expected bytes in hex
};

class PresetNameEncoding : public testing::TestWithParam<EncodeCase> {};

TEST_P(PresetNameEncoding, TakesWholeCharactersUpToFifteenBytes)
{
    const EncodeCase& c = GetParam();
    EXPECT_EQ(Hex(EncodePresetName(QString::fromUtf8(c.text))), c.gbk);
}

INSTANTIATE_TEST_SUITE_P(Names, PresetNameEncoding, testing::Values(
    EncodeCase{"AB", "4142"},
    EncodeCase{"ABCDEFGHIJKLMNO", "4142434445464748494a4b4c4d4e4f"},
    EncodeCase{"ABCDEFGHIJKLMNOP", "4142434445464748494a4b4c4d4e4f"},
    EncodeCase{"中文", "d6d0cec4"},
    // eight double-byte characters are 16 bytes: the eighth does not fit whole
    EncodeCase{"中文中文中文中文", "d6d0cec4d6d0cec4d6d0cec4d6d0"},
    EncodeCase{"A中文中文中文中文", "41d6d0cec4d6d0cec4d6d0cec4d6d0"},
    EncodeCase{"AB中文中文中文中文", "4142d6d0cec4d6d0cec4d6d0cec4"},
    // a character GBK lacks (outside the BMP) becomes one "?"
    EncodeCase{"a\xF0\x9F\x98\x80" "b", "613f62"},
    EncodeCase{"", ""}));

TEST(PresetNameFit, RejectsWhatTheEditMustNotTake)
{
    EXPECT_TRUE(FitsPresetName(QStringLiteral("ABCDEFGHIJKLMNO")));
    EXPECT_FALSE(FitsPresetName(QStringLiteral("ABCDEFGHIJKLMNOP")));
    EXPECT_TRUE(FitsPresetName(QStringLiteral("A中文中文中文中")));
    EXPECT_FALSE(FitsPresetName(QStringLiteral("AB中文中文中文中")));
    EXPECT_FALSE(FitsPresetName(QStringLiteral("中文中文中文中文")));
    EXPECT_FALSE(FitsPresetName(QString::fromUtf8("\xF0\x9F\x98\x80")));
    EXPECT_TRUE(FitsPresetName(QString()));
}

struct DecodeCase {
    const char* what;
    std::string record;   // exactly the bytes that exist
    const char* shown;    // UTF-8
};

class PresetNameDecoding : public testing::TestWithParam<DecodeCase> {};

// The record is copied into a buffer of exactly its own size, so that a read
// past it shows up under the address sanitizer.
TEST_P(PresetNameDecoding, ShowsSomethingHarmlessAndStaysInsideTheRecord)
{
    const DecodeCase& c = GetParam();
    auto record = std::make_unique<char[]>(c.record.size());
    std::memcpy(record.get(), c.record.data(), c.record.size());
    EXPECT_EQ(DecodePresetName(record.get()).toStdString(), c.shown) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Records, PresetNameDecoding, testing::Values(
    DecodeCase{"initial name", std::string(" USER 3     \0\0\0\0", 16), " USER 3     "},
    DecodeCase{"GBK text", std::string("\xb5\xf7\xd3\xc3\0", 5), "调用"},
    DecodeCase{"sixteen bytes, no NUL", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
    DecodeCase{"lead byte cut off at the end", std::string("ABCDEFGHIJKLMNO\xd6", 16), "ABCDEFGHIJKLMNO"},
    DecodeCase{"byte GBK leaves undefined", std::string("A\xff" "B\0", 4), "A?B"},
    DecodeCase{"lead byte without a trail byte", std::string("A\x81 B\0", 5), "A? B"},
    DecodeCase{"control bytes", std::string("A\x01\nB\0", 5), "A??B"},
    DecodeCase{"empty", std::string("\0", 1), ""}));

// The names of a fresh unit's image.
class PresetNameRecord : public testing::Test {
protected:
    CParameterImage& Image() { return m_image; }

    CParameterImage m_image;
};

TEST_F(PresetNameRecord, WriteKeepsTheBytesAfterTheNul)
{
    WritePresetName(Image(), 3, QByteArray("AB"));
    const std::string expected("AB\0ER 3     \0\0\0\0\0\0\0\0\0\0\0\0\0", 25);
    EXPECT_EQ(std::string(Image().names.records[3], kPresetRecordSize), expected);
    EXPECT_EQ(ReadPresetName(Image(), 3).toStdString(), "AB");
    EXPECT_EQ(ReadPresetName(Image(), 4).toStdString(), " USER 4     ");
}

TEST_F(PresetNameRecord, OutsideTheUserPresetsNothingIsWrittenOrRead)
{
    const PresetNameTable before = Image().names;
    WritePresetName(Image(), 0, QByteArray("X"));
    WritePresetName(Image(), 21, QByteArray("X"));
    EXPECT_EQ(std::memcmp(&before, &Image().names, sizeof before), 0);
    EXPECT_TRUE(ReadPresetName(Image(), 22).isEmpty());
    EXPECT_TRUE(ReadPresetName(Image(), -1).isEmpty());
}

}  // namespace
