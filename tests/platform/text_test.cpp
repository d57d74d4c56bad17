#include <gtest/gtest.h>

#include "platform/text.h"

using namespace trunaccount::platform;

TEST(FormatFixed, TwoDecimalsWithoutDriftOrNegativeZero) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "0.00"},          {1234.5, "1234.50"},    {-0.0, "0.00"},       {-0.004, "0.00"},
        {-0.005, "-0.01"},    {0.005, "0.01"},        {2.675, "2.68"},      {1.005, "1.01"},
        {0.1 + 0.2, "0.30"},  {-12.345, "-12.35"},    {999.995, "1000.00"}, {1e15, "1000000000000000.00"},
        {0.3 - 0.1 - 0.2, "0.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatFixed(c.value, 2), c.text) << c.value;
    EXPECT_EQ(formatFixed(2.5, 0), "3");
}

TEST(FormatGeneral, FifteenSignificantDigits) {
    EXPECT_EQ(formatGeneral(17), "17");
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatGeneral(-1234.5), "-1234.5");
    EXPECT_EQ(formatGeneral(1e20), "1E20");
    EXPECT_EQ(formatGeneral(1.5e-7), "1.5E-7");
}

TEST(CodePoints, RoundTripAndInvalidBytes) {
    std::string s = "a,勾对;b";
    auto cps = toCodePoints(s);
    EXPECT_EQ(cps.size(), 6u);
    EXPECT_EQ(fromCodePoints(cps), s);
    EXPECT_EQ(toCodePoints("\xFF" "a").size(), 2u);
}

TEST(TrimAndCase, BlanksAndAsciiCase) {
    EXPECT_EQ(trimBlanks("\t 12 \r\n"), "12");
    EXPECT_TRUE(equalsIgnoreAsciiCase("HSDWH", "hsdwh"));
    EXPECT_FALSE(equalsIgnoreAsciiCase("勾", "对"));
}
