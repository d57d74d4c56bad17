// F2 in the window over the reference coordinator and the demo data of both
// backends: each business type lists the documents that plain queries of its
// source tables name, in order, with their amounts, ticks and totals; codes
// show by name as the type says.
#include <gtest/gtest.h>

#include <QComboBox>
#include <map>

#include "data/settings.h"
#include "search_support.h"
#include "tools/adv_grid.h"
#include "trunaccount/host_messages.h"
#include "ui_frm_trun_account.h"

using namespace Qt::StringLiterals;

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

// The demo data's accounting unit is 1001, its months 202410 to 202501, and
// the coordinator's clock stands on 20250110.
const char* const kMonths[] = {"202412", "202501"};
const char* const kFrom = "20241201";
const char* const kTo = "20250110";

std::string between(const char* column) { return std::string(column) + " between '" + kFrom + "' and '" + kTo + "'"; }

// Unit, number, date, amount and tick of the documents a business type stands
// for, ordered as the window lists them.
std::string plainQuery(int type) {
    std::string sql;
    auto monthly = [&](auto part) {
        for (const char* ym : kMonths) {
            if (!sql.empty()) sql += " union all ";
            sql += part(std::string(ym));
        }
    };
    switch (type) {
    case 0:
    case 1:
        monthly([&](const std::string& ym) {
            return "select z.f_hsdwh,z.f_djh,z.f_zdrq,(select sum(f_fpje) from tb" + ym +
                   "_fptjdcb c where c.f_hsdwh=z.f_hsdwh and c.f_djh=z.f_djh),z.f_zzgdbz from tb" + ym +
                   "_fptjdzb z where z.f_hsdwh='1001' and " + between("z.f_zdrq") + " and z.f_bz " +
                   (type == 0 ? "not " : "") + "like '%退补单%'";
        });
        break;
    case 2:
        monthly([&](const std::string& ym) {
            return "select f_hsdwh,f_djh,f_zdrq,f_spje,f_zzgdbz from tb" + ym + "_jsfksp where f_hsdwh='1001' and " +
                   between("f_zdrq") + " and substr(f_djh,length(f_djh)-3,1)<>'6'";
        });
        break;
    case 3:
        sql = "select z.f_hsdwh,z.f_djh,z.f_rzrq,(select sum(f_ssje) from tbtdspcb c where c.f_hsdwh=z.f_hsdwh and "
              "c.f_djh=z.f_djh) a,z.f_zzgdbz from tbtdspzb z where z.f_hsdwh='1001' and z.f_zt='2' and " +
              between("z.f_rzrq");
        sql = "select * from (" + sql + ") q where abs(a)>0.005";
        break;
    case 4:
        monthly([&](const std::string& ym) {
            return "select f_hsdwh,f_djh,f_rzrq,f_skje,f_zzgdbz from tb" + ym + "_tdsfb where " + between("f_rzrq");
        });
        break;
    }
    return "select * from (" + sql + ") d order by 1,3,2";
}

class SearchOnDemoData : public WindowTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        TA_REQUIRE_BACKEND(GetParam());
        db = std::make_unique<TestDatabase>(GetParam());
        coordinator = db->openCoordinator();
    }
    std::shared_ptr<DataPacket> plain(const std::string& sql) { return db->openDatabase()->query(sql); }

    std::unique_ptr<TestDatabase> db;
    CoordinatorRef coordinator;
};

TEST_P(SearchOnDemoData, EachTypeListsItsDocumentsWithTheirTicks) {
    TFrmTrunAccount* w = open(QStringLiteral("Search"), coordinator.get());
    ASSERT_TRUE(w);
    setRange(w, QDate::fromString(QLatin1StringView(kFrom), "yyyyMMdd"_L1),
             QDate::fromString(QLatin1StringView(kTo), "yyyyMMdd"_L1));
    for (int type = 0; type <= 4; ++type) {
        const auto expected = plain(plainQuery(type));
        for (int tickState : {0, 2}) {  // 全部, 已勾
            SCOPED_TRACE("business type " + std::to_string(type) + ", tick state " + std::to_string(tickState));
            chooseBusinessType(w, type);
            w->ui().cbgdlx->setCurrentIndex(tickState);
            pressF2(w);
            ASSERT_TRUE(boxes.shown().empty()) << boxes.texts()[0];

            std::vector<std::size_t> rows;
            for (std::size_t r = 0; r < expected->rowCount(); ++r)
                if (tickState == 0 || expected->text(r, 4) == "1") rows.push_back(r);
            ASSERT_GT(rows.size(), 0u);
            ASSERT_EQ(w->cdspass.recordCount(), static_cast<int>(rows.size()));
            int ticked = 0;
            AmountTotal amount;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const std::size_t r = rows[i];
                const RecordId rec = w->cdspass.recordAt(static_cast<int>(i));
                ASSERT_EQ(w->cdspassf_hsdwh->textAt(rec), expected->text(r, 0)) << i;
                ASSERT_EQ(w->cdspassf_Djh->textAt(rec), expected->text(r, 1)) << i;
                EXPECT_EQ(w->cdspassf_Rzrq->textAt(rec), expected->text(r, 2)) << i;
                EXPECT_NEAR(w->cdspassf_hsje->floatAt(rec), expected->floatValue(r, 3), 1e-6) << i;
                EXPECT_EQ(w->cdspassf_zzgdbz->textAt(rec), expected->text(r, 4)) << i;
                if (expected->text(r, 4) == "1") {
                    ++ticked;
                    amount.add(expected->floatValue(r, 3));
                }
            }
            if (tickState == 2) {
                EXPECT_EQ(ticked, static_cast<int>(rows.size()));
            }
            EXPECT_EQ(totalsLine(w), QStringList({QStringLiteral("合计:%1条").arg(rows.size()),
                                                  QStringLiteral("已勾:%1条").arg(ticked),
                                                  QStringLiteral("已勾金额:") + QString::fromStdString(amount.text(2))}));
        }
    }
}

TEST_P(SearchOnDemoData, InputModeListsTodaysUntickedDocuments) {
    // Today the demo data has one invoice submission, ticked, and one fee
    // collection of another accounting unit, unticked.
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    ASSERT_TRUE(w);
    struct Case {
        int type;
        const char* today;
    } cases[] = {
        {0, "select f_hsdwh,f_djh from tb202501_fptjdzb where f_hsdwh='1001' and f_zdrq='20250110' and "
            "f_zzgdbz='0' and f_bz not like '%退补单%' order by f_hsdwh,f_djh"},
        {4, "select f_hsdwh,f_djh from tb202501_tdsfb where f_rzrq='20250110' and f_zzgdbz='0' order by f_hsdwh,f_djh"},
    };
    std::size_t listed = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("business type " + std::to_string(c.type));
        chooseBusinessType(w, c.type);
        pressF2(w);  // the dates start on today
        ASSERT_TRUE(boxes.shown().empty()) << boxes.texts()[0];
        const auto expected = plain(c.today);
        ASSERT_EQ(w->cdspass.recordCount(), static_cast<int>(expected->rowCount()));
        for (int i = 0; i < w->cdspass.recordCount(); ++i) {
            const RecordId r = w->cdspass.recordAt(i);
            EXPECT_EQ(w->cdspassf_hsdwh->textAt(r), expected->text(static_cast<std::size_t>(i), 0));
            EXPECT_EQ(w->cdspassf_Djh->textAt(r), expected->text(static_cast<std::size_t>(i), 1));
        }
        EXPECT_EQ(totalsLine(w)[0], QStringLiteral("合计:%1条").arg(expected->rowCount()));
        listed += expected->rowCount();
    }
    EXPECT_GT(listed, 0u);
}

TEST_P(SearchOnDemoData, PaymentMethodAndBankCodesShowByName) {
    // A fee collection, a project approval and a payment approval whose codes no list knows.
    auto direct = db->openDatabase();
    direct->execute("update tb202501_tdsfb set f_zffsbm='ZZ' where f_djh=(select min(f_djh) from tb202501_tdsfb)");
    direct->execute("update tbtdspzb set f_zffsbm='ZZ' where f_djh=(select min(f_djh) from tbtdspzb where "
                    "f_hsdwh='1001' and f_zt='2' and f_rzrq>='20250101')");
    direct->execute("update tb202501_jsfksp set f_zzyh='9999' where f_djh=(select min(f_djh) from tb202501_jsfksp "
                    "where f_hsdwh='1001' and substr(f_djh,length(f_djh)-3,1)<>'6')");
    auto names = [&](const char* sql) {
        std::map<std::string, std::string> m;
        auto p = direct->query(sql);
        for (std::size_t r = 0; r < p->rowCount(); ++r) m[std::string(p->text(r, 0))] = p->text(r, 1);
        return m;
    };
    const auto methods = names("select f_zffsbm,f_zffsmc from tbzffs");
    const auto banks = names("select f_yhbm,f_yhmc from tbcwfkyh");

    TFrmTrunAccount* w = open(QStringLiteral("Search"), coordinator.get());
    ASSERT_TRUE(w);
    setRange(w, QDate(2025, 1, 1), QDate(2025, 1, 10));
    struct Case {
        int type;
        Field* TFrmTrunAccount::*field;
        const std::map<std::string, std::string>* names;
        bool codeFirst;
    } cases[] = {{4, &TFrmTrunAccount::cdspassf_zzZffs, &methods, false},
                 {3, &TFrmTrunAccount::cdspassf_zzZffs, &methods, false},
                 {2, &TFrmTrunAccount::cdspassf_zzyh, &banks, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("business type " + std::to_string(c.type));
        chooseBusinessType(w, c.type);
        pressF2(w);
        ASSERT_GT(w->cdspass.recordCount(), 0);
        int unknown = 0;
        for (int row = 0; row < w->cdspass.recordCount(); ++row) {
            const Field* f = w->*c.field;
            const RecordId r = w->cdspass.recordAt(row);
            const std::string code(f->textAt(r));
            auto it = c.names->find(code);
            const std::string want = it == c.names->end() ? "" : c.codeFirst ? code + " " + it->second : it->second;
            EXPECT_EQ(f->displayTextAt(r), want) << code;
            unknown += it == c.names->end();
        }
        EXPECT_GE(unknown, 1);
    }
}

TA_INSTANTIATE_BACKEND_TESTS(SearchOnDemoData);

}  // namespace
}  // namespace trunaccount::testing
