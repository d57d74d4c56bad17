// "导入对账单" in the input window over a real demo database: the button and
// its key, a statement read and matched against the listed rows, accepted
// proposals ticked as clicks tick them (totals, payment date, bill number),
// nothing saved before "保  存", lines chosen by hand, the follow-up CSV, and
// the command line giving the same proposals.
#include <gtest/gtest.h>

#include <QDate>
#include <QDoubleSpinBox>
#include <QTest>
#include <QTableWidget>
#include <QToolButton>
#include <sstream>

#include "coordinator/admin.h"
#include "coordinator/demo_statement.h"
#include "host/frm_statement_review.h"
#include "host/host_values.h"
#include "statement/statement_text.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "window_fixture.h"

namespace trunaccount::testing {
namespace {

using host::TFrmStatementReview;
using host::TFrmTrunAccount;
using statement::StatementLine;

class StatementImport : public WindowTest {
protected:
    void SetUp() override {
        db = std::make_unique<TestDatabase>(Backend::Sqlite);
        coordinator = db->openCoordinator();
    }
    void TearDown() override {
        container.reset();
        flushDeletes();
        host::hostValues() = host::HostValues{};
    }
    TFrmTrunAccount* input(BusinessType type, const char* from, const char* to) {
        container = std::make_unique<QWidget>();
        container->show();
        TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
        EXPECT_NE(w, nullptr);
        if (w) searchDocuments(*w, type, from, to);
        return w;
    }
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = hostDir.file(name);
        TempDir::writeFile(path, bytes);
        return path;
    }
    // A payment of a listed document as the bank books it.
    static StatementLine paying(const MatchDocument& d, int days, const char* remittance, const char* reference,
                                const std::string& name) {
        StatementLine l;
        l.bookingDate = QDate::fromString(QString::fromStdString(d.date), QStringLiteral("yyyyMMdd"))
                            .addDays(days)
                            .toString(QStringLiteral("yyyyMMdd"))
                            .toStdString();
        l.amountCents = -d.amountCents;
        l.counterpartyName = name;
        l.remittance = remittance;
        l.reference = reference;
        return l;
    }
    static std::string rowText(const TFrmTrunAccount& w, RecordId r, const char* field) {
        return w.cdspass.fieldByName(field).asStringAt(r);
    }

    std::unique_ptr<TestDatabase> db;
    CoordinatorRef coordinator;
};

TEST_F(StatementImport, ButtonAndKeyInInputModeOnly) {
    container = std::make_unique<QWidget>();
    container->show();
    TFrmTrunAccount* in = open(QStringLiteral("Input"), coordinator.get());
    ASSERT_NE(in, nullptr);
    ASSERT_NE(in->btnStatement, nullptr);
    EXPECT_EQ(in->btnStatement->text(), QStringLiteral("导入对账单"));
    EXPECT_TRUE(in->btnStatement->isVisible());
    EXPECT_TRUE(in->RopHelp.Lines.contains(QStringLiteral("    导入对账单: Ctrl+I")));
    // Before a search there is nothing to tick: the key says so instead of asking for a file.
    QTest::keyClick(in->dgdView, Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "提示");
    TFrmTrunAccount* search = open(QStringLiteral("Search"), coordinator.get());
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->btnStatement, nullptr);
    EXPECT_FALSE(search->RopHelp.Lines.contains(QStringLiteral("    导入对账单: Ctrl+I")));
}

TEST_F(StatementImport, AcceptedPaymentsAreTickedWithDateAndReferenceAndSavedOnlyBySave) {
    TFrmTrunAccount* w = input(BusinessType::PaymentApproval, "20241001", "20250110");
    ASSERT_NE(w, nullptr);
    const MatchCandidates listed = matchCandidates(w->cdspass);
    ASSERT_GE(listed.documents.size(), 4u);
    const auto& d = listed.documents;
    std::vector<StatementLine> lines = {
        paying(d[0], 2, "付款 ", "B0001", d[0].supplierName),
        paying(d[1], 1, "", "B0002", d[1].supplierName + "有限"),
        paying(d[2], 3, "", "B0003", ""),  // an amount and a date only: proposed, but not for "全部接受"
        paying(d[3], 0, "", "B0004", d[3].supplierName),
    };
    lines[0].remittance += d[0].number;
    StatementLine fee;
    fee.bookingDate = "20241215";
    fee.amountCents = -550;
    fee.remittance = "手续费";
    fee.reference = "F1";
    lines.push_back(fee);
    const std::string path = file("dec.xml", coord::writeCamt053(lines));

    const ListState before = listState(*w);
    TFrmStatementReview review(*w, host::prepareStatementReview(*w, path));
    ASSERT_EQ(review.data().results.size(), 5u);
    EXPECT_EQ(review.table()->rowCount(), 5);
    EXPECT_DOUBLE_EQ(review.threshold()->value(), 0.9);
    EXPECT_EQ(listState(*w), before);  // reading and matching tick nothing

    // Every proposal scoring 0.9 or more: lines 1, 2 and 4.
    EXPECT_EQ(review.acceptAll(), 3);
    std::int64_t cents = 0;
    for (std::size_t k : {0u, 1u, 3u}) {
        const RecordId r = listed.records[k];
        SCOPED_TRACE(d[k].number);
        EXPECT_EQ(rowText(*w, r, "f_zzgdbz"), "1");
        EXPECT_EQ(rowText(*w, r, "f_Zzzfrq"), lines[k].bookingDate);
        EXPECT_EQ(rowText(*w, r, "f_zzpjhm"), lines[k].reference);
        cents += d[k].amountCents;
    }
    EXPECT_EQ(rowText(*w, listed.records[2], "f_zzgdbz"), "0");
    EXPECT_EQ(w->tickedCount(), 3);
    EXPECT_EQ(w->tickedAmount().text(2), statement::formatCents(cents));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:3条"));

    // The weaker proposal goes in when the user accepts its line, from the keyboard (Alt+A).
    review.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&review));
    review.table()->setFocus();
    review.table()->selectRow(2);
    QTest::keyClick(review.table(), Qt::Key_A, Qt::AltModifier);
    // A mnemonic clicks as the mouse does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->tickedCount() == 4; }, 2000)) << w->tickedCount();
    // Accepting again changes nothing.
    EXPECT_EQ(review.acceptAll(), 0);
    EXPECT_EQ(w->tickedCount(), 4);

    // Nothing is in the database before "保  存".
    auto database = db->openDatabase();
    const std::string table = sourceTable(BusinessType::PaymentApproval, d[0].number);
    EXPECT_EQ(sourceTick(*database, table, d[0].unit, d[0].number).tick, "0");
    boxes.clear();
    w->btnsaveClick();
    EXPECT_EQ(sourceTick(*database, table, d[0].unit, d[0].number).tick, "1");
    const auto saved = queryRows(*database, "select f_zzzfrq,f_zzpjhm from " + table + " where f_djh='" + d[1].number + "'");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], (std::vector<std::string>{lines[1].bookingDate, "B0002"}));

    // The same statement again after a new search: its payments are ticked
    // documents now, and each line names the one it paid.
    w->btnSearchClick();
    const host::StatementReviewData again = host::prepareStatementReview(*w, path);
    ASSERT_EQ(again.results.size(), 5u);
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(d[k].number);
        EXPECT_EQ(again.results[k].status, MatchStatus::Unmatched);
        EXPECT_EQ(again.results[k].reasons,
                  std::vector<std::string>{"金额相符的单据 " + d[k].number + " 已勾对, 对账单可能已导入过"});
    }
    // The bank's fee paid no document, ticked or not.
    EXPECT_EQ(again.results[4].reasons, std::vector<std::string>{"没有金额相符的单据"});
}

TEST_F(StatementImport, LinesChosenByHandTheFollowUpCsvAndTheCommandLine) {
    TFrmTrunAccount* w = input(BusinessType::InvoiceSubmission, "20241201", "20241230");
    ASSERT_NE(w, nullptr);
    const MatchCandidates listed = matchCandidates(w->cdspass);
    ASSERT_GE(listed.documents.size(), 3u);
    const auto& d = listed.documents;
    std::vector<StatementLine> lines = {paying(d[0], 1, "", "S1", d[0].supplierName), paying(d[1], 1, "", "S2", d[1].supplierName)};
    lines[0].remittance = "付款 " + d[0].number;
    lines[1].amountCents -= 1;  // a cent off: nothing fits
    StatementLine income;
    income.bookingDate = "20241210";
    income.amountCents = 12345;
    income.remittance = "利息";
    income.reference = "S3";
    lines.push_back(income);
    const std::string path = file("dec.csv", coord::writeBankCsv(lines, true, ','));

    TFrmStatementReview review(*w, host::prepareStatementReview(*w, path));
    ASSERT_EQ(review.data().results.size(), 3u);
    EXPECT_EQ(review.data().results[0].status, MatchStatus::Matched);
    EXPECT_EQ(review.data().results[1].status, MatchStatus::Unmatched);
    EXPECT_EQ(review.data().results[2].status, MatchStatus::Unmatched);
    // The filters.
    review.setShow(TFrmStatementReview::Show::Unmatched);
    EXPECT_TRUE(review.table()->isRowHidden(0));
    EXPECT_FALSE(review.table()->isRowHidden(1));
    review.setShow(TFrmStatementReview::Show::All);

    // The cent-off line: the user knows it pays the second document.
    review.chooseDocuments(1, {1});
    review.table()->selectRow(1);
    EXPECT_EQ(review.acceptSelected(), 1);
    EXPECT_EQ(rowText(*w, listed.records[1], "f_zzgdbz"), "1");
    EXPECT_EQ(rowText(*w, listed.records[1], "f_Zzzfrq"), " ");  // invoice submissions keep no payment date
    // A document ticked already is not ticked again by another line.
    review.chooseDocuments(2, {1});
    review.table()->selectRow(2);
    EXPECT_EQ(review.acceptSelected(), 0);
    EXPECT_NE(review.table()->item(2, 10)->text().indexOf(QStringLiteral("已勾对")), -1);

    // Chosen by hand in a statement where nothing matched: its status, document
    // and supplier read in full, though the table opened with those columns empty.
    {
        TFrmStatementReview lone(
            *w, host::prepareStatementReview(*w, file("cent.csv", coord::writeBankCsv({lines[1]}, true, ','))));
        ASSERT_EQ(lone.data().results.size(), 1u);
        lone.chooseDocuments(0, {2});
        QTableWidget* t = lone.table();
        EXPECT_EQ(t->item(0, 6)->text(), QStringLiteral("人工选择"));
        for (int column : {6, 7, 8}) {
            SCOPED_TRACE(t->horizontalHeaderItem(column)->text().toStdString());
            const int shown = t->columnWidth(column);
            t->resizeColumnToContents(column);  // the width the view needs for what it holds
            EXPECT_GE(shown, t->columnWidth(column));
        }
    }

    // What is left to follow up: the income line only.
    const std::string csvPath = hostDir.file("followup.csv");
    ASSERT_TRUE(review.exportFollowUp(QString::fromStdString(csvPath)));
    const std::string csv = TempDir::readFile(csvPath);
    EXPECT_NE(csv.find("123.45"), std::string::npos) << csv;
    EXPECT_NE(csv.find("未匹配"), std::string::npos) << csv;
    EXPECT_EQ(csv.find(d[0].number), std::string::npos) << csv;

    // The command line reads the same file against the same list and proposes the same.
    std::ostringstream out, err;
    const int status = coord::runAdmin({"match", "--db", db->location(), "--statement", path, "--type", "0", "--from",
                                        "20241201", "--to", "20241230", "--json", "--clock", kTestClock},
                                       out, err);
    ASSERT_EQ(status, 0) << err.str();
    std::istringstream json(out.str());
    std::vector<std::string> outLines;
    for (std::string l; std::getline(json, l);) outLines.push_back(l);
    ASSERT_EQ(outLines.size(), 3u) << out.str();
    EXPECT_NE(outLines[0].find("\"documents\":[\"" + d[0].number + "\"]"), std::string::npos) << outLines[0];
    EXPECT_NE(outLines[0].find("\"status\":\"matched\""), std::string::npos) << outLines[0];
    EXPECT_NE(outLines[2].find("\"amount\":123.45,\"documents\":[]"), std::string::npos) << outLines[2];

    // A file that cannot be read names itself.
    const std::string bad = file("bad.xml", "<Document><BkToCstmrStmt>");
    try {
        host::prepareStatementReview(*w, bad);
        FAIL() << "no error";
    } catch (const statement::StatementError& e) {
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }
    std::ostringstream out2, err2;
    EXPECT_EQ(coord::runAdmin({"match", "--db", db->location(), "--statement", bad, "--type", "0", "--from", "20241201",
                               "--to", "20241231"},
                              out2, err2),
              1);
    EXPECT_NE(err2.str().find(bad), std::string::npos) << err2.str();
}

}  // namespace
}  // namespace trunaccount::testing
