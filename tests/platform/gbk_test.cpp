#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/gbk.h"

using namespace trunaccount;
using namespace trunaccount::platform;

TEST(Gbk, RoundTripsChineseText) {
    std::string utf8 = "转帐勾对 ABC 已勾金额:";
    std::string gbk = utf8ToGbk(utf8);
    EXPECT_EQ(gbk.substr(0, 2), "\xD7\xAA");  // 转
    EXPECT_EQ(gbkToUtf8(gbk), utf8);
}

TEST(Gbk, InvalidBytesAreReportedWithTheirOffset) {
    try {
        gbkToUtf8(std::string("ab\x81\x20", 4));  // lead byte followed by a byte that cannot trail it
        FAIL() << "no error";
    } catch (const EncodingError& e) {
        EXPECT_NE(std::string(e.what()).find("offset 2"), std::string::npos) << e.what();
    }
    EXPECT_THROW(gbkToUtf8("\x81"), EncodingError);  // truncated character
    EXPECT_THROW(utf8ToGbk("\xF0\x9F\x98\x80"), EncodingError);  // an emoji has no GBK form
    EXPECT_THROW(utf8ToGbk("\xC3"), EncodingError);              // broken UTF-8
}

TEST(Gbk, ByteLengthCountsTwoBytesPerChineseCharacter) {
    EXPECT_EQ(gbkByteLength(""), 0u);
    EXPECT_EQ(gbkByteLength("f_hsje"), 6u);
    EXPECT_EQ(gbkByteLength("核算单位名称"), 12u);
    EXPECT_EQ(gbkByteLength("01 现金"), 7u);
    EXPECT_EQ(gbkByteLength("核算单位名称"), utf8ToGbk("核算单位名称").size());
}

// The settings file as Windows writes it in code page 936, both ways.
TEST(Gbk, SystemFileTextHoldsWhatWindowsWrites) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string utf8;
    };
    const Case both[] = {
        {"ASCII and GBK", "k=\xD7\xAA\xD5\xCA", "k=转帐"},
        {"user-defined area AAA1-AFFE", "\xAA\xA1\xAF\xFE", "\xEE\x80\x80\xEE\x88\xB3"},
        {"user-defined area F8A1-FEFE", "\xF8\xA1\xFE\xFE", "\xEE\x88\xB4\xEE\x93\x85"},
        {"user-defined area A140-A7A0", "\xA1\x40", "\xEE\x93\x86"},
        {"vertical forms that GBK lacks", "\xA6\xD9", "\xEF\xB8\x90"},
        {"one-byte euro sign", "\x80", "\xE2\x82\xAC"},
        {"line ends", "a\r\nb\n", "a\r\nb\n"},
    };
    for (const auto& c : both) {
        std::size_t invalid = 99;
        EXPECT_EQ(systemFileTextToUtf8(c.bytes, &invalid), c.utf8) << c.what;
        EXPECT_EQ(invalid, 0u) << c.what;
        EXPECT_EQ(utf8ToSystemFileText(c.utf8), c.bytes) << c.what;
    }

    // Bytes no code page 936 writer makes: one stand-in each, line feeds stay put.
    const Case readOnly[] = {
        {"lead byte before a blank", std::string("\x81\x20x\n", 4), "\xEF\xBF\xBD x\n"},
        {"lead byte before a line feed", "\x81\n\xFF\n", "\xEF\xBF\xBD\n\xEF\xBF\xBD\n"},
        {"character cut off at the end", "ab\x81", "ab\xEF\xBF\xBD"},
    };
    for (const auto& c : readOnly) EXPECT_EQ(systemFileTextToUtf8(c.bytes), c.utf8) << c.what;
    std::size_t invalid = 0;
    systemFileTextToUtf8("\x81\n\xFF\n", &invalid);
    EXPECT_EQ(invalid, 2u);

    // Only two-byte codes go back: GB18030's four-byte ones mean nothing to a GBK reader.
    for (const char* utf8 : {"\xC2\x80", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "ok\xC3"})
        EXPECT_THROW(utf8ToSystemFileText(utf8), EncodingError) << utf8;
    try {
        utf8ToSystemFileText("k=\xEE\x80\x80\xF0\x9F\x98\x80");
        FAIL() << "no error";
    } catch (const EncodingError& e) {
        EXPECT_NE(std::string(e.what()).find("offset 5"), std::string::npos) << e.what();
    }
}
