// The window's system parameters loaded from the demo database, on both backends,
// and the admin command that shows them.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "coordinator/admin.h"
#include "data/veyra_class.h"
#include "support/test_databases.h"

using namespace Qt::StringLiterals;

namespace trunaccount {
namespace {

using testing::BackendTest;

class WindowParameters : public BackendTest {};

TEST_P(WindowParameters, LoadFromTheDemoDatabase) {
    auto coordinator = db().openCoordinator();
    TVeyraClass loader(coordinator, nullptr);
    SystemParameters record;
    record.operatorCode = "0002";
    std::string message;
    ASSERT_TRUE(loader.LoadParameters(record, windowParameterRequest(), message)) << message;
    EXPECT_EQ(record.qyny, "202410");
    EXPECT_EQ(record.currentYearMonth, "202501");
    EXPECT_EQ(record.serverDate, "20250110");
    EXPECT_EQ(record.serverDateTime, "2025011010:30:00");
    EXPECT_EQ(record.serverDateTime.substr(8, 8), "10:30:00");  // the time printed on reports
    EXPECT_EQ(record.operatorName, "王建国");
    EXPECT_EQ(record.hsdwh, coord::kDemoUnit);
    EXPECT_EQ(record.databaseType, GetParam() == testing::Backend::Sqlite ? "SQLITE" : "POSTGRESQL");

    // Without the accounting unit the window cannot search: the load says so.
    db().openDatabase()->execute("delete from tbxtcs where f_csmc='hsdwh'");
    SystemParameters again;
    EXPECT_FALSE(loader.LoadParameters(again, windowParameterRequest(), message));
    EXPECT_EQ(message, "没有可利用的核算单位号！");
    EXPECT_EQ(again.qyny, "202410");
}

TEST_P(WindowParameters, UnknownOperatorFailsTheLoad) {
    auto coordinator = db().openCoordinator();
    TVeyraClass loader(coordinator, nullptr);
    SystemParameters record;
    record.operatorCode = "9999";
    std::string message;
    EXPECT_FALSE(loader.LoadParameters(record, windowParameterRequest(), message));
    EXPECT_EQ(message, "取得制单人名称时出错！！");
    // Why, in the coordinator's words, for whoever needs more than the message.
    EXPECT_EQ(loader.coordinatorReason(), std::vector<std::string>{"没有编码为“9999”的职员"});

    record.operatorCode = "0001";
    ASSERT_TRUE(loader.LoadParameters(record, windowParameterRequest(), message)) << message;
    EXPECT_TRUE(loader.coordinatorReason().empty());
}

TA_INSTANTIATE_BACKEND_TESTS(WindowParameters);

TEST(AdminParams, PrintsTheRecordOrTheLoadersMessage) {
    testing::TestDatabase db(testing::Backend::Sqlite);
    auto run = [&](std::vector<std::string> args, std::string& out, std::string& err) {
        std::ostringstream o, e;
        int status = coord::runAdmin(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    };
    std::string out, err;
    ASSERT_EQ(run({"params", "--db", db.location(), "--clock", testing::kTestClock}, out, err), 0) << err;
    auto json = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(json["qyny"_L1].toString(), "202410"_L1);
    EXPECT_EQ(json["serverDate"_L1].toString(), "20250110"_L1);
    EXPECT_EQ(json["operatorName"_L1].toString(), QStringLiteral("张丽华"));
    EXPECT_EQ(json["hsdwh"_L1].toString(), QLatin1StringView(coord::kDemoUnit));
    EXPECT_EQ(json["psfpbdyhs"_L1].toInt(), 0);  // not requested: not filled

    ASSERT_EQ(run({"params", "--db", db.location(), "--request", "103"}, out, err), 0) << err;
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(out)).object()["psfpbdyhs"_L1].toInt(), 25);

    EXPECT_EQ(run({"params", "--db", db.location(), "--request", "0,200"}, out, err), 2);

    // The loader's message, and below it the coordinator's reason when it gave one.
    EXPECT_EQ(run({"params", "--db", db.location(), "--operator", "9999"}, out, err), 1);
    EXPECT_EQ(err, "trunaccount-admin params: 取得制单人名称时出错！！\n没有编码为“9999”的职员\n");
    EXPECT_TRUE(out.empty());

    db.openDatabase()->execute("delete from tbxtcs where f_csmc='hsdwh'");
    EXPECT_EQ(run({"params", "--db", db.location()}, out, err), 1);
    EXPECT_EQ(err, "trunaccount-admin params: 没有可利用的核算单位号！\n");
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace trunaccount
