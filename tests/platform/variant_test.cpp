#include <gtest/gtest.h>

#include "trunaccount/variant.h"

using trunaccount::ColumnKind;
using trunaccount::DataPacket;
using trunaccount::PacketColumn;
using trunaccount::Variant;
using trunaccount::VariantError;

TEST(Variant, TextFormsOfEachKind) {
    struct Case {
        Variant v;
        std::optional<std::string> text;
    } cases[] = {
        {Variant(), ""},
        {Variant::null(), std::nullopt},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(-42), "-42"},
        {Variant(17.0), "17"},
        {Variant(0.1), "0.1"},
        {Variant(1234.5), "1234.5"},
        {Variant(-0.0), "0"},
        {Variant("转帐勾对"), "转帐勾对"},
        {Variant(Variant::Array{Variant("a")}), std::nullopt},
        {Variant(std::make_shared<const DataPacket>()), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.v.textForm(), c.text) << c.v.typeName();
        if (!c.text) {
            EXPECT_THROW(c.v.toText(), VariantError) << c.v.typeName();
        }
    }
}

TEST(Variant, ConversionToInt32) {
    struct Case {
        Variant v;
        std::optional<std::int32_t> expected;  // nullopt: conversion error
    } cases[] = {
        {Variant("12"), 12},         {Variant(" -7 "), -7},       {Variant("+3"), 3},
        {Variant("2.5"), 2},         {Variant("3.5"), 4},         {Variant(2.5), 2},
        {Variant(true), -1},         {Variant(), 0},              {Variant("abc"), std::nullopt},
        {Variant(""), std::nullopt}, {Variant("   "), std::nullopt}, {Variant(int64_t(1) << 40), std::nullopt},
        {Variant(1e300), std::nullopt}, {Variant::null(), std::nullopt}, {Variant("12abc"), std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(c.v.toInt32(), *c.expected) << c.v.textForm().value_or("?");
        } else {
            EXPECT_THROW(c.v.toInt32(), VariantError) << c.v.textForm().value_or("?");
        }
    }
}

TEST(Variant, AutomationBooleanIsNonZero) {
    EXPECT_TRUE(Variant(true).isTrue());
    EXPECT_TRUE(Variant(-1).isTrue());
    EXPECT_FALSE(Variant(0).isTrue());
    EXPECT_FALSE(Variant(false).isTrue());
    EXPECT_FALSE(Variant().isTrue());
    EXPECT_FALSE(Variant("1").isTrue());
}

TEST(DataPacket, StoresRowsByColumnAndConvertsCells) {
    DataPacket p({{"f_djh", ColumnKind::Text, 12}, {"f_hsje", ColumnKind::Float, 0}, {"n", ColumnKind::Integer, 0}});
    p.addText("200405000001");
    p.addFloat(12.5);
    p.addInteger(3);
    p.endRow();
    p.addNull();
    p.addText("7.25");  // numeric text into a float column
    p.addNull();
    p.endRow();

    ASSERT_EQ(p.rowCount(), 2u);
    EXPECT_EQ(p.columnIndex("F_DJH"), 0);
    EXPECT_EQ(p.columnIndex("missing"), -1);
    EXPECT_EQ(p.text(0, 0), "200405000001");
    EXPECT_EQ(p.floatValue(0, 1), 12.5);
    EXPECT_EQ(p.integerValue(0, 2), 3);
    EXPECT_TRUE(p.isNull(1, 0));
    EXPECT_EQ(p.text(1, 0), "");
    EXPECT_TRUE(p.value(1, 2).isNull());
    EXPECT_EQ(p.floatValue(1, 1), 7.25);
    EXPECT_THROW(p.text(0, 1), VariantError);
    EXPECT_THROW(p.text(2, 0), VariantError);
}

TEST(DataPacket, RejectsIncompleteAndOverfullRows) {
    DataPacket p({{"a", ColumnKind::Text, 0}, {"b", ColumnKind::Float, 0}});
    p.addText("x");
    EXPECT_THROW(p.endRow(), VariantError);
    p.addFloat(1);
    EXPECT_THROW(p.addFloat(2), VariantError);
    p.endRow();
    EXPECT_EQ(p.rowCount(), 1u);

    DataPacket q({{"n", ColumnKind::Float, 0}});
    EXPECT_THROW(q.addText("not a number"), VariantError);
}

TEST(DataPacket, EqualityComparesCellsAndColumns) {
    auto make = [](const char* v) {
        DataPacket p({{"a", ColumnKind::Text, 4}});
        p.addText(v);
        p.endRow();
        return p;
    };
    EXPECT_EQ(make("x"), make("x"));
    EXPECT_FALSE(make("x") == make("y"));
    EXPECT_EQ(Variant(std::make_shared<const DataPacket>(make("x"))),
              Variant(std::make_shared<const DataPacket>(make("x"))));
}
