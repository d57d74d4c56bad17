// The reconciliation window over a PostgreSQL server that goes away and comes
// back while the window is open, and whose sessions start with
// standard_conforming_strings off: searching and saving work again as soon as
// the server does, and a bill number built to break out of its quotes is
// stored as typed.
#include <gtest/gtest.h>

#include <QTableView>
#include <QTest>

#include "host/host_values.h"
#include "platform/coordinator_calls.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

// Within the bill number's 20 bytes: with backslash escapes on, the doubled
// quote would end the literal and the rest would run as a second statement.
const std::string kHostileBill = "\\';drop table tbzyda";

class ServerRestart : public WindowTest {
protected:
    void SetUp() override {
        if (auto why = OwnPostgresServer::unavailable()) {
            if (postgresRequired()) FAIL() << *why;
            GTEST_SKIP() << *why;
        }
        server = std::make_unique<OwnPostgresServer>(std::vector<std::string>{"standard_conforming_strings=off"});
        db = std::make_unique<TestDatabase>(Backend::Postgres, testDemoOptions(), server->uri());
        coordinator = db->openCoordinator();
    }
    void TearDown() override {
        container.reset();
        flushDeletes();
        host::hostValues() = host::HostValues{};
        coordinator.reset();
        db.reset();
        server.reset();
    }
    std::vector<std::vector<std::string>> rows(const std::string& sql) {
        auto database = db->openDatabase();
        return queryRows(*database, sql);
    }

    std::unique_ptr<OwnPostgresServer> server;
    std::unique_ptr<TestDatabase> db;
    CoordinatorRef coordinator;
};

TEST_F(ServerRestart, SearchAndSaveWorkAgainOnceTheServerIsBack) {
    const auto operators = rows("select f_zybm,f_zymc from tbzyda order by f_zybm");
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    ASSERT_NE(w, nullptr);
    searchDocuments(*w, BusinessType::PaymentApproval, "20241001", "20241031");
    ASSERT_GE(w->cdspass.recordCount(), 1);
    const std::string number = w->cdspass.fieldByName("f_Djh").asStringAt(w->cdspass.recordAt(0));
    const std::string unit = w->cdspass.fieldByName("f_hsdwh").asStringAt(w->cdspass.recordAt(0));

    // The server restarts between the search and the save.
    server->stop();
    server->start();

    QTest::mouseClick(w->dgdView->view()->viewport(), Qt::LeftButton, {}, cellCentre(*w, 0, 0));
    ASSERT_EQ(w->cdspassf_zzgdbz->textAt(w->cdspass.recordAt(0)), "1");
    w->cdspass.setCurrentRow(0);
    w->cdspass.edit();
    w->cdspass.fieldByName("f_zzpjhm").setAsString(kHostileBill);
    w->cdspass.post();
    boxes.clear();
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));
    EXPECT_EQ(rows("select f_zzgdbz,f_zzpjhm from tb202410_jsfksp where f_hsdwh='" + unit + "' and f_djh='" + number +
                   "'"),
              (std::vector<std::vector<std::string>>{{"1", kHostileBill}}));
    EXPECT_EQ(rows("select f_zybm,f_zymc from tbzyda order by f_zybm"), operators);

    // While the server is down a search says why; the next one after it came
    // back lists the documents again.
    const int listed = w->cdspass.recordCount();
    server->stop();
    boxes.clear();
    w->btnSearchClick();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_NE(boxes.shown()[0].text.find("重新连接失败"), std::string::npos) << boxes.shown()[0].text;
    server->start();
    boxes.clear();
    w->btnSearchClick();
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().front();
    EXPECT_EQ(w->cdspass.recordCount(), listed);
}

}  // namespace
}  // namespace trunaccount::testing
