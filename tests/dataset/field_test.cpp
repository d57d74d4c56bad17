#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>

#include "dataset/amount_total.h"
#include "dataset/client_dataset.h"
#include "dataset/collation.h"
#include "dataset/display_format.h"
#include "support/packets.h"

using namespace trunaccount;
using trunaccount::testing::makePacket;

namespace {

TEST(DisplayFormat, PatternsOfTheAmountColumns) {
    struct Case {
        const char* pattern;
        double value;
        const char* text;
    } cases[] = {
        {"0.00", 1234.5, "1234.50"},      {"0.00", 0, "0.00"},           {"0.00", -0.004, "0.00"},
        {"0.00", 0.1 + 0.2, "0.30"},      {"0.00", -12.345, "-12.35"},   {"0.00", 2.675, "2.68"},
        {"####0.00", 1234567.891, "1234567.89"}, {"####0.00", 0.5, "0.50"}, {"####0.00", -7, "-7.00"},
        {"#,##0.00", 1234567.891, "1,234,567.89"}, {"#,##0.00", -999.999, "-1,000.00"},
        {"0.##", 2.5, "2.5"},             {"0.##", 2, "2"},              {"0", 2.5, "3"},
        {"", 17, "17"},                   {"", 0.1 + 0.2, "0.3"},        {"", 13.000000000000002, "13"},
        {"", 1234.5, "1234.5"},           {"#.##", 0, ""},               {"0.00元", 3, "3.00元"},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayFormat(c.pattern).format(c.value), c.text) << c.pattern << " " << c.value;
}

TEST(FieldText, DisplayAndEditTextFollowFormatAndHandler) {
    ClientDataSet ds;
    Field& amount = ds.addField("f_hsje", FieldKind::Float);
    Field& rate = ds.addField("f_zzsl", FieldKind::Float);
    Field& method = ds.addField("f_zzZffs", FieldKind::Text, 100);
    Field& count = ds.addField("f_n", FieldKind::Integer);
    amount.setDisplayFormat("####0.00");
    ds.loadPacket(makePacket({{"f_hsje", ColumnKind::Float, 0}, {"f_zzsl", ColumnKind::Float, 0},
                              {"f_zzzffs", ColumnKind::Text, 0}, {"f_n", ColumnKind::Integer, 0}},
                             {{1234.5, 0.13, "01", 42}, {Variant::null(), Variant::null(), "99", Variant::null()}}));
    EXPECT_EQ(amount.displayText(), "1234.50");
    EXPECT_EQ(amount.editText(), "1234.5");
    EXPECT_EQ(rate.displayText(), "0.13");
    EXPECT_EQ(count.displayText(), "42");
    EXPECT_EQ(method.displayText(), "01");

    std::vector<bool> asked;
    method.setOnGetText([&](const Field& f, RecordId r, bool display) {
        asked.push_back(display);
        return f.asStringAt(r) == "01" ? std::string("网银") : std::string();
    });
    EXPECT_EQ(method.displayText(), "网银");
    EXPECT_EQ(method.editText(), "网银");
    EXPECT_EQ(asked, (std::vector<bool>{true, false}));
    ds.next();
    EXPECT_EQ(method.displayText(), "");
    EXPECT_EQ(amount.displayText(), "");
    EXPECT_EQ(count.displayText(), "");
    method.setOnGetText(nullptr);
    EXPECT_EQ(method.displayText(), "99");
}

TEST(FieldChange, ANumberTypedBackAsShownIsNoChange) {
    // A tax summed by the database carries binary noise beyond what its text shows.
    const double summed = 899.61 + 0.07;
    ASSERT_NE(summed, 899.68);
    struct Case {
        const char* name;
        Variant stored;
        bool changed;
    } cases[] = {
        {"the text the editor showed", Variant(std::string("899.68")), false},
        {"another amount", Variant(std::string("899.69")), true},
        {"emptied", Variant::null(), true},
    };
    for (const auto& c : cases) {
        ClientDataSet ds;
        Field& tax = ds.addField("f_zzse", FieldKind::Float);
        ds.loadPacket(makePacket({{"f_zzse", ColumnKind::Float, 0}}, {{summed}}));
        std::optional<bool> seen;
        tax.setOnChange([&](Field& f) { seen = f.changedAsShown(); });
        ds.edit();
        tax.setValue(c.stored);
        ds.post();
        ASSERT_TRUE(seen.has_value()) << c.name;
        EXPECT_EQ(*seen, c.changed) << c.name;
    }
}

TEST(AmountTotal, TickingAndUntickingGivesBackTheEarlierText) {
    std::vector<double> amounts = {0.1, 0.2, 0.3, 1234.56, -99.99, 0.07, 19.99, 1e9 + 0.01, 33.33, 66.67};
    AmountTotal total;
    std::string before = total.text(2);
    std::mt19937 rng(7);
    std::vector<bool> ticked(amounts.size());
    for (int step = 0; step < 5000; ++step) {
        std::size_t i = rng() % amounts.size();
        if (ticked[i]) total.subtract(amounts[i]);
        else total.add(amounts[i]);
        ticked[i] = !ticked[i];
    }
    for (std::size_t i = 0; i < amounts.size(); ++i)
        if (ticked[i]) total.subtract(amounts[i]);
    EXPECT_TRUE(total.isZero());
    EXPECT_EQ(total.text(2), before);
    EXPECT_EQ(total.text(DisplayFormat("0.00")), "0.00");

    total.add(0.1);
    total.add(0.2);
    total.subtract(0.3);
    EXPECT_EQ(total.text(2), "0.00");  // never -0.00
    total.subtract(0.004);
    EXPECT_EQ(total.text(2), "0.00");
    total.add(1234.565);
    EXPECT_EQ(total.text(2), "1234.56");  // 1234.561 exactly
    EXPECT_DOUBLE_EQ(total.value(), 1234.561);
}

TEST(AmountTotal, AHundredThousandAmountsAddUpToTheCent) {
    // Amounts such as 0.29 are a hair below their decimal value in binary: each
    // must count as the decimal value, or the total drifts by a unit per row.
    const double cycle[] = {0.29, 0.57, 1.15, 2.01, 1234.56, -0.29, 0.07, 19.99, -1234.57};
    AmountTotal total;
    long long cents = 0;
    for (int i = 0; i < 100000; ++i) {
        const double a = cycle[i % std::size(cycle)];
        total.add(a);
        cents += std::llround(a * 100);
    }
    char expected[40];
    std::snprintf(expected, sizeof expected, "%lld.%02lld", cents / 100, cents % 100);
    EXPECT_EQ(total.text(2), expected);
    EXPECT_EQ(total.text(DisplayFormat("0.00")), expected);
}

TEST(AmountTotal, OrderOfTheRowsDoesNotChangeTheTotal) {
    std::vector<double> amounts;
    std::mt19937 rng(3);
    for (int i = 0; i < 1000; ++i) amounts.push_back(static_cast<double>(static_cast<int>(rng() % 2000000) - 1000000) / 100.0);
    AmountTotal a;
    for (double x : amounts) a.add(x);
    std::shuffle(amounts.begin(), amounts.end(), rng);
    AmountTotal b;
    for (double x : amounts) b.add(x);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.text(2), b.text(2));
}

TEST(Collation, AsciiFirstThenChineseInCodePageOrder) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
        bool ignoreCase;
    } cases[] = {
        {"abc", "abd", -1, false}, {"abc", "ab", 1, false},     {"", "", 0, false},
        {"ABC", "abc", -1, false}, {"ABC", "abc", 0, true},     {"Zeta", "alpha", 1, true},
        {"z", "中", -1, false},    {"阿", "北", -1, false},      {"北", "中", -1, false},
        {"北京", "北", 1, false},  {"上海A", "上海a", 0, true},  {"华联", "永辉", -1, false},
        {"中", "\xF0\x9F\x98\x80", -1, false},  // a character GBK lacks comes last
        {"\xE2\x82\xAC", "中", -1, false},      // the euro sign is one GBK byte
        {"\xF0\x9F\x98\x80", "\xFF", -1, false},  // an invalid byte after everything
        {"a\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x81", -1, false},
    };
    for (const auto& c : cases) {
        int r = compareText(c.a, c.b, c.ignoreCase);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
        int back = compareText(c.b, c.a, c.ignoreCase);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
        // Prepared keys order the same way.
        std::string ka, kb;
        appendCollationKey(ka, c.a, c.ignoreCase);
        appendCollationKey(kb, c.b, c.ignoreCase);
        int k = ka.compare(kb);
        EXPECT_EQ((k > 0) - (k < 0), c.sign) << "keys of " << c.a << " vs " << c.b;
    }
}

}  // namespace
