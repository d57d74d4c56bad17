#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "platform/errors.h"
#include "reconcile/tick_statements.h"

using namespace trunaccount;

namespace {

TickRow row(std::string djh, std::string tick) {
    TickRow r;
    r.djh = std::move(djh);
    r.hsdwh = "0101";
    r.tick = std::move(tick);
    r.zzse = Variant(12.5);
    r.zzsl = Variant(0.13);
    r.zzpjhm = "PJ001";
    r.zzZffs = "02";
    r.zzyh = "003";
    r.zzzfrq = "20240517";
    return r;
}

const TickStamp kStamp{"2024052009:30:00", "0001", "王会计"};

}  // namespace

TEST(SqlNumberText, NumbersForSql) {
    struct Case {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant("17%"), "17"}, {Variant("%%"), "%"}, {Variant(""), "0"},       {Variant::null(), "0"},
        {Variant(12.5), "12.5"}, {Variant(0.0), "0"},  {Variant("0.13"), "0.13"},
    };
    for (const auto& c : cases) EXPECT_EQ(SqlNumberText(c.value), c.text);
}

TEST(SaveStatement, EachBusinessTypesForm) {
    struct Case {
        BusinessType type;
        const char* tick;
        std::optional<std::string> statement;
    } cases[] = {
        {BusinessType::InvoiceSubmission, "1",
         "update tb202405_fptjdzb set f_zzse=12.5,f_zzsl=0.13,f_zzgdbz='1',f_zzgdrq='2024052009:30:00',"
         "f_zzgdrbm='0001' ,f_zzgdrmc='王会计' where f_djh = '202405000001' and f_Hsdwh='0101';"},
        {BusinessType::InvoiceSubmission, "0",
         "update tb202405_fptjdzb set f_zzse=12.5,f_zzsl=0.13,f_zzgdbz='0',f_zzgdrq='2024052009:30:00',"
         "f_zzgdrbm='0001' ,f_zzgdrmc='王会计' where f_djh = '202405000001' and f_Hsdwh='0101';"},
        {BusinessType::InvoiceAdjustment, "1",
         "update tb202405_fptjdzb set f_zzgdbz='1',f_zzgdrq='2024052009:30:00',f_zzgdrbm='0001' ,"
         "f_zzgdrmc='王会计' where f_djh='202405000001' and f_hsdwh='0101';"},
        {BusinessType::InvoiceAdjustment, "0", std::nullopt},
        {BusinessType::PaymentApproval, "0",
         "update tb202405_jsfksp set f_zzpjhm='PJ001',f_zzzffs='02',f_zzyh='003',f_zzzfrq='20240517',"
         "f_zzgdbz='0',f_zzgdrq='2024052009:30:00',f_zzgdrbm='0001' ,f_zzgdrmc='王会计' "
         "where f_djh = '202405000001' and f_Hsdwh='0101';"},
        {BusinessType::ProjectApproval, "1",
         "update tbtdspzb set f_zzgdbz='1',f_zzgdrq='2024052009:30:00',f_zzgdrbm='0001' ,f_zzgdrmc='王会计' "
         "where f_djh='202405000001' and f_hsdwh='0101';"},
        {BusinessType::ProjectApproval, "0", std::nullopt},
        {BusinessType::FeeCollection, "1",
         "update tb202405_tdsfb set f_zzgdbz='1',f_zzgdrq='2024052009:30:00',f_zzgdrbm='0001' ,"
         "f_zzgdrmc='王会计' where f_djh='202405000001' and f_hsdwh='0101';"},
        {BusinessType::FeeCollection, "0", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveStatement(c.type, row("202405000001", c.tick), kStamp), c.statement)
            << static_cast<int>(c.type) << " tick " << c.tick;
}

TEST(SaveStatement, EmptyValuesBecomeZero) {
    auto r = row("202405000001", "1");
    r.zzse = Variant::null();
    r.zzsl = Variant("");
    EXPECT_NE(SaveStatement(BusinessType::InvoiceSubmission, r, kStamp)->find("f_zzse=0,f_zzsl=0,"), std::string::npos);
    r.zzpjhm = "";
    EXPECT_NE(SaveStatement(BusinessType::PaymentApproval, r, kStamp)->find("f_zzpjhm='0'"), std::string::npos);
}

TEST(SaveAndRevoke, QuotesInValuesStayInsideTheirLiterals) {
    auto r = row("202405'0001", "1");
    r.hsdwh = "01'01";
    r.zzpjhm = "PJ'1";
    r.zzZffs = "0'2";
    r.zzyh = "b'k";
    r.zzzfrq = "2024'";
    TickStamp s{"t'ime", "O'Brien", "奥'布莱恩"};
    auto saved = *SaveStatement(BusinessType::PaymentApproval, r, s);
    EXPECT_EQ(saved,
              "update tb202405_jsfksp set f_zzpjhm='PJ''1',f_zzzffs='0''2',f_zzyh='b''k',f_zzzfrq='2024''',"
              "f_zzgdbz='1',f_zzgdrq='t''ime',f_zzgdrbm='O''Brien' ,f_zzgdrmc='奥''布莱恩' "
              "where f_djh = '202405''0001' and f_Hsdwh='01''01';");
    EXPECT_EQ(RevokeStatement(BusinessType::ProjectApproval, r, s),
              "update tbtdspzb set f_zzgdbz='0',f_zzgdrq='t''ime',f_zzgdrbm='O''Brien' ,f_zzgdrmc='奥''布莱恩' "
              "where f_djh='202405''0001' and f_Hsdwh='01''01'; ");
}

TEST(SaveAndRevoke, RefusesWhatWouldBendTheStatement) {
    auto badNumber = row("202405000001", "1");
    badNumber.zzse = Variant("1;drop table x");
    EXPECT_THROW(SaveStatement(BusinessType::InvoiceSubmission, badNumber, kStamp), Error);
    for (const char* djh : {"2024x5000001", "20240", "'; dro"}) {
        EXPECT_THROW(SaveStatement(BusinessType::FeeCollection, row(djh, "1"), kStamp), Error) << djh;
        EXPECT_THROW(RevokeStatement(BusinessType::PaymentApproval, row(djh, "1"), kStamp), Error) << djh;
    }
    // Project approval sheets live in one table: the number names no month.
    EXPECT_NO_THROW(RevokeStatement(BusinessType::ProjectApproval, row("XM0001", "1"), kStamp));
}

TEST(RevokeStatement, TablePartByBusinessType) {
    struct Case {
        BusinessType type;
        const char* table;
    } cases[] = {
        {BusinessType::InvoiceSubmission, "update tb200405_fptjdzb set "},
        {BusinessType::InvoiceAdjustment, "update tb200405_fptjdzb set "},
        {BusinessType::PaymentApproval, "update tb200405_jsfksp set "},
        {BusinessType::ProjectApproval, "update tbtdspzb set "},
        {BusinessType::FeeCollection, "update tb200405_tdsfb set "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RevokeStatement(c.type, row("200405000009", "1"), kStamp),
                  std::string(c.table) +
                      "f_zzgdbz='0',f_zzgdrq='2024052009:30:00',f_zzgdrbm='0001' ,f_zzgdrmc='王会计' "
                      "where f_djh='200405000009' and f_Hsdwh='0101'; ");
}

TEST(SaveStatement, RefusesATaxThatIsNoFiniteNumber) {
    // Whatever a row holds, no bare word reaches the statement (f_zzse=NAN).
    std::vector<Variant> values{Variant("nan"), Variant("NAN"), Variant("inf"), Variant("-inf"), Variant("infinity"),
                                Variant(std::numeric_limits<double>::quiet_NaN()),
                                Variant(std::numeric_limits<double>::infinity())};
    for (const Variant& v : values) {
        for (bool tax : {true, false}) {
            auto r = row("202405000001", "1");
            (tax ? r.zzse : r.zzsl) = v;
            try {
                SaveStatement(BusinessType::InvoiceSubmission, r, kStamp);
                ADD_FAILURE() << v.textForm().value_or("?") << " passed";
            } catch (const Error& e) {
                EXPECT_EQ(std::string(e.what()), tax ? "税额必须是数字。" : "税率必须是数字。");
            }
        }
    }
}
