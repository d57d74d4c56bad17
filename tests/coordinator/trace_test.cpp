// The trace: one line of valid JSON (UTF-8) per coordinator call, with the
// operation, its arguments in full, the outcome and the time it took.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include "platform/coordinator_calls.h"
#include "support/test_databases.h"

using namespace Qt::StringLiterals;

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TempDir;
using testing::TestDatabase;

std::vector<QJsonObject> readTrace(const std::string& path) {
    const std::string bytes = TempDir::readFile(path);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArray::fromStdString(bytes));
    EXPECT_FALSE(utf8.hasError()) << "the trace is not valid UTF-8";
    std::vector<QJsonObject> records;
    for (const QByteArray& line : QByteArray::fromStdString(bytes).split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error;
        QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << ": " << line.toStdString();
        EXPECT_TRUE(doc.isObject());
        records.push_back(doc.object());
    }
    return records;
}

std::string text(const QJsonValue& v) { return v.toString().toStdString(); }

TEST(CoordinatorTrace, EveryCallIsOneLineOfValidJson) {
    TestDatabase db(Backend::Sqlite);
    TempDir dir;
    const std::string path = dir.file("calls.jsonl");
    const std::string sql = "select f_tdmc from tbtdda where f_tdmc<>'\"引号\"\\反斜杠\t制表\n换行\x01' order by f_tdbm ";
    const std::string goodUpdate = "update tbzyda set f_zymc='张丽华' where f_zybm='0001';";
    const std::string badUpdate = "update tbzyda set f_nothing='x';";
    {
        auto c = db.openCoordinator(path);
        Variant data, failed, statements{Variant::Array{Variant(goodUpdate), Variant(badUpdate)}}, moment, name("0001"),
            params, odd;
        ASSERT_TRUE(platform::QueryData(*c, sql, data));
        EXPECT_FALSE(platform::QueryData(*c, "select * from tbnowhere", failed));
        EXPECT_FALSE(platform::ExecBatch(*c, statements));
        EXPECT_TRUE(platform::GetServerDateTime(*c, moment));
        EXPECT_TRUE(platform::GetOperatorName(*c, 1, name));
        platform::GetDbType(*c);
        EXPECT_TRUE(platform::GetSystemParams(*c, params));
        EXPECT_TRUE(platform::QueryData(*c, "select 'bad byte \xff here' x", odd));
    }
    auto records = readTrace(path);
    ASSERT_EQ(records.size(), 8u);
    for (const auto& r : records) {
        EXPECT_TRUE(r["op"_L1].isString());
        EXPECT_TRUE(r["args"_L1].isObject());
        EXPECT_TRUE(r["ok"_L1].isBool());
        EXPECT_TRUE(r["ms"_L1].isDouble());
        EXPECT_GE(r["ms"_L1].toDouble(), 0.0);
        EXPECT_EQ(text(r["time"_L1]).size(), 23u);
    }
    EXPECT_EQ(text(records[0]["op"_L1]), "QueryData");
    EXPECT_EQ(text(records[0]["args"_L1].toObject()["sql"_L1]), sql);
    EXPECT_TRUE(records[0]["ok"_L1].toBool());
    EXPECT_EQ(records[0]["rows"_L1].toInt(), 8);

    EXPECT_FALSE(records[1]["ok"_L1].toBool());
    ASSERT_TRUE(records[1]["error"_L1].isArray());
    EXPECT_NE(text(records[1]["error"_L1].toArray()[0]).find("tbnowhere"), std::string::npos);

    EXPECT_EQ(text(records[2]["op"_L1]), "ExecBatch");
    auto statements = records[2]["args"_L1].toObject()["statements"_L1].toArray();
    ASSERT_EQ(statements.size(), 2);
    EXPECT_EQ(text(statements[0]), goodUpdate);
    EXPECT_EQ(text(statements[1]), badUpdate);
    EXPECT_FALSE(records[2]["ok"_L1].toBool());
    EXPECT_NE(text(records[2]["error"_L1].toArray()[0]).find("第 2 条"), std::string::npos);

    EXPECT_EQ(text(records[3]["value"_L1]), "2025011010:30:00");
    EXPECT_EQ(records[4]["args"_L1].toObject()["kind"_L1].toInt(), 1);
    EXPECT_EQ(text(records[4]["args"_L1].toObject()["code"_L1]), "0001");
    EXPECT_EQ(records[4]["rows"_L1].toInt(), 1);
    EXPECT_EQ(text(records[5]["value"_L1]), "SQLITE");
    EXPECT_GE(records[6]["rows"_L1].toInt(), 4);
    EXPECT_EQ(text(records[7]["args"_L1].toObject()["sql"_L1]), "select 'bad byte \xEF\xBF\xBD here' x");

    // A second coordinator appends to the same file.
    {
        auto c = db.openCoordinator(path);
        platform::GetDbType(*c);
    }
    EXPECT_EQ(readTrace(path).size(), 9u);
}

TEST(CoordinatorTrace, UnwritableTraceFileIsRefused) {
    TestDatabase db(Backend::Sqlite, std::nullopt);
    EXPECT_THROW(db.openCoordinator("/nonexistent-folder/trace.jsonl"), std::runtime_error);
}

}  // namespace
}  // namespace trunaccount
