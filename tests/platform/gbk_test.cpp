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
