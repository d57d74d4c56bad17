// The reconciliation row set in the window: the presentation of each business
// type, the payment method and bank shown by name, the totals line and the
// range title.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QTableView>
#include <set>

#include "search_support.h"
#include "tools/adv_grid.h"
#include "widgets/grid_view.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

// ---- the presentation of a business type ----

struct Presentation {
    const char* name;
    int before;  // the type shown before: settings the type leaves alone stay as it left them
    int type;
    const char* dateCaption;
    const char* amountLabel;
    const char* dateLabel;
    const char* reasonLabel;
    std::set<std::string> hidden;  // in input mode, where the tick-off time is hidden too
    bool methodReadOnly, taxReadOnly;
    bool channelList, methodList, reasonList;
};

void PrintTo(const Presentation& p, std::ostream* os) { *os << p.name; }

const std::set<std::string> kInvoiceHidden = {"f_tdmc", "f_zzpjhm", "f_zzZffs", "f_zzyh", "f_Zzzfrq", "f_zzgdrq"};
const std::set<std::string> kPaymentHidden = {"f_wsje", "f_zzse", "f_zzsl", "f_zzgdrq"};
const std::set<std::string> kChannelHidden = {"f_wsje", "f_zzse", "f_zzsl", "f_zzpjhm", "f_zzyh", "f_Zzzfrq", "f_zzgdrq"};

const Presentation kPresentations[] = {
    {"InvoiceSubmission", 2, 0, "制单日期:从", "发票金额", "制单日期", "付款原因", kInvoiceHidden, false, false, false,
     false, false},
    {"InvoiceAdjustment", 0, 1, "制单日期:从", "发票金额", "制单日期", "付款原因", kInvoiceHidden, false, true, false,
     false, false},
    {"PaymentApproval", 0, 2, "制单日期:从", "付款金额", "制单日期", "付款原因", kPaymentHidden, false, false, false,
     false, true},
    {"ProjectApproval", 0, 3, "入账日期:从", "付款金额", "入帐日期", "通道名称", kChannelHidden, true, false, true,
     true, false},
    {"FeeCollection", 2, 4, "入账日期:从", "付款金额", "入帐日期", "通道名称", kChannelHidden, true, false, true, true,
     false},
    // What a type does not set stays as the previous type left it.
    {"InvoiceSubmissionAfterProjectApproval", 3, 0, "制单日期:从", "发票金额", "制单日期", "通道名称",
     kInvoiceHidden, true, false, false, false, false},
    {"PaymentApprovalAfterInvoiceAdjustment", 1, 2, "制单日期:从", "付款金额", "制单日期", "付款原因",
     kPaymentHidden, false, true, false, false, true},
};

class BusinessTypePresentation : public ScriptedWindowTest, public ::testing::WithParamInterface<Presentation> {};

TEST_P(BusinessTypePresentation, SetsLabelsColumnsAndListsOfTheType) {
    const Presentation& p = GetParam();
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    chooseBusinessType(w, p.before);
    chooseBusinessType(w, p.type);

    EXPECT_EQ(w->ui().Label22->text().toStdString(), p.dateCaption);
    EXPECT_EQ(w->cdspassf_hsje->displayLabel(), p.amountLabel);
    EXPECT_EQ(w->cdspassf_Rzrq->displayLabel(), p.dateLabel);
    EXPECT_EQ(w->cdspassf_tdmc->displayLabel(), p.reasonLabel);
    EXPECT_EQ(w->cdspassf_zzZffs->readOnly(), p.methodReadOnly);
    EXPECT_EQ(w->cdspassf_zzse->readOnly(), p.taxReadOnly);
    EXPECT_EQ(w->cdspassf_zzsl->readOnly(), p.taxReadOnly);
    EXPECT_EQ(w->ui().cbtd->isEnabled(), p.channelList);
    EXPECT_EQ(w->ui().cbzffs->isEnabled(), p.methodList);
    EXPECT_EQ(w->ui().cbfkyy->isEnabled(), p.reasonList);
    // Every field and its column: shown or hidden together, titled by the field's label.
    for (int i = 0; i < w->cdspass.fieldCount(); ++i) {
        const Field& f = w->cdspass.field(i);
        SCOPED_TRACE(f.name());
        EXPECT_EQ(f.visible(), !p.hidden.count(f.name()));
        EXPECT_EQ(w->dgdView->column(i).visible(), f.visible());
        EXPECT_EQ(w->dgdView->view()->isColumnHidden(i), !f.visible());
        EXPECT_EQ(w->dgdView->column(i).title().toStdString(), f.displayLabel());
    }
    // The fields no type touches keep their design state.
    for (Field* f : {w->cdspassf_hsdwh, w->cdspassf_hsdwmc, w->cdspassf_Djh, w->cdspassf_Gysbm, w->cdspassf_Csmc,
                     w->cdspassf_hsje, w->cdspassf_Rzrq})
        EXPECT_TRUE(f->readOnly()) << f->name();
    EXPECT_FALSE(w->cdspassf_zzgdbz->readOnly());
    EXPECT_TRUE(w->dgdView->column(9).readOnly());  // the tax-free amount's column
}

INSTANTIATE_TEST_SUITE_P(Types, BusinessTypePresentation, ::testing::ValuesIn(kPresentations),
                         [](const auto& info) { return std::string(info.param.name); });

using RowSetWindow = ScriptedWindowTest;

TEST_F(RowSetWindow, SearchModeShowsTheTickOffTimeWhateverTheType) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    for (int t : {0, 1, 2, 3, 4}) {
        chooseBusinessType(w, t);
        EXPECT_TRUE(w->cdspassf_zzgdrq->visible()) << t;
        EXPECT_TRUE(w->dgdView->column(17).visible()) << t;
    }
}

// ---- payment method and bank shown by name ----

TEST_F(RowSetWindow, PaymentMethodAndBankShowAsTheTypeSays) {
    // The lookups: payment methods 01 现金, 02 转账; bank 001 工商银行.
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        data = documents({{.number = "1", .paymentMethod = "01", .bank = "001"},
                          {.number = "2", .paymentMethod = "99", .bank = "009"},
                          {.number = "3", .paymentMethod = "02", .bank = "00"}});
        return true;
    };
    struct Case {
        int type;
        std::vector<std::string> method, bank;
    } cases[] = {
        {0, {"01", "99", "02"}, {"", "", ""}},
        {2, {"01", "99", "02"}, {"001 工商银行", "", ""}},  // a bank code not listed shows nothing
        {3, {"现金", "", "转账"}, {"", "", ""}},               // a method code not listed shows nothing
        {4, {"现金", "", "转账"}, {"", "", ""}},
        {1, {"01", "99", "02"}, {"", "", ""}},
    };
    const QAbstractItemModel* model = w->dgdView->view()->model();
    for (const auto& c : cases) {
        SCOPED_TRACE("business type " + std::to_string(c.type));
        chooseBusinessType(w, c.type);
        pressF2(w);
        ASSERT_EQ(w->cdspass.recordCount(), 3);
        for (int row = 0; row < 3; ++row) {
            const RecordId r = w->cdspass.recordAt(row);
            EXPECT_EQ(w->cdspassf_zzZffs->displayTextAt(r), c.method[row]);
            EXPECT_EQ(w->cdspassf_zzyh->displayTextAt(r), c.bank[row]);
            // The cell editor gets the same text, but for the bank of a payment
            // approval: that is edited as the code it stores, so that an editor left
            // as it was does not write "code name" over the code.
            EXPECT_EQ(w->cdspassf_zzZffs->editTextAt(r), c.method[row]);
            const std::string codes[] = {"001", "009", "00"};
            EXPECT_EQ(w->cdspassf_zzyh->editTextAt(r), c.type == 2 ? codes[row] : c.bank[row]);
            EXPECT_EQ(model->data(model->index(row, 13)).toString().toStdString(), c.method[row]);
            EXPECT_EQ(model->data(model->index(row, 14)).toString().toStdString(), c.bank[row]);
        }
    }
}

// ---- the totals line ----

TEST_F(RowSetWindow, TotalsLineCountsRowsAndTickedAmountToTheCent) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    struct Case {
        const char* name;
        std::vector<DocRow> rows;
        QStringList totals;
    } cases[] = {
        {"no rows", {}, {QStringLiteral("合计:0条"), QStringLiteral("已勾:0条"), QStringLiteral("已勾金额:0.00")}},
        {"one cent short of a half",
         {{.tick = "1", .number = "1", .amount = 1000.25},
          {.tick = "1", .number = "2", .amount = 234.25},
          {.tick = "0", .number = "3", .amount = 99}},
         {QStringLiteral("合计:3条"), QStringLiteral("已勾:2条"), QStringLiteral("已勾金额:1234.50")}},
        {"amounts that cancel out",
         {{.tick = "1", .number = "1", .amount = -0.1},
          {.tick = "1", .number = "2", .amount = -0.2},
          {.tick = "1", .number = "3", .amount = 0.3}},
         {QStringLiteral("合计:3条"), QStringLiteral("已勾:3条"), QStringLiteral("已勾金额:0.00")}},
        {"no digit grouping",
         {{.tick = "1", .number = "1", .amount = 1234567.5}},
         {QStringLiteral("合计:1条"), QStringLiteral("已勾:1条"), QStringLiteral("已勾金额:1234567.50")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        answer = [&](const std::string&, Variant& data) { return data = documents(c.rows), true; };
        pressF2(w);
        EXPECT_EQ(totalsLine(w), c.totals);
    }
}

TEST_F(RowSetWindow, TotalsLineTextsAreDrawnWholeWhileTheColumnsKeepTheirWidths) {
    // A year's search lists six-figure counts and ten-figure amounts: the first
    // three columns keep their designed widths, and each text of the totals
    // line is drawn whole, running on over the empty footer cells to its right.
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        std::vector<DocRow> rows(100123, DocRow{.tick = "1", .number = "1", .amount = 98765.43});
        return data = documents(rows), true;
    };
    pressF2(w);
    const QStringList totals = totalsLine(w);
    ASSERT_EQ(totals, QStringList({QStringLiteral("合计:100123条"), QStringLiteral("已勾:100123条"),
                                   QStringLiteral("已勾金额:9888691147.89")}));
    const int designed[] = {46, 71, 77};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w->dgdView->column(i).width(), designed[i]) << i;
    auto* footer = static_cast<GridFooter*>(w->dgdView->footerBar());
    const auto runs = footer->layout();
    ASSERT_FALSE(runs.empty());
    ASSERT_EQ(runs[0].pieces.size(), 3u);
    const QFontMetrics fm(footer->font());
    for (int i = 0; i < 3; ++i) {
        const FooterPiece& piece = runs[0].pieces[static_cast<std::size_t>(i)];
        EXPECT_EQ(piece.text, totals[i]);
        EXPECT_EQ(fm.elidedText(totals[i], Qt::ElideRight, piece.rect.width()), totals[i]) << i;
    }
}

TEST_F(RowSetWindow, ChangingTheTypeEmptiesTheRowsAndKeepsTheTotalsLine) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        data = documents({{.tick = "1", .number = "1", .amount = 10.5, .taxFree = 9, .tax = 1.5},
                          {.tick = "0", .number = "2", .amount = 20, .taxFree = 18, .tax = 2}});
        return true;
    };
    pressF2(w);
    const QStringList totals = {QStringLiteral("合计:2条"), QStringLiteral("已勾:1条"),
                                QStringLiteral("已勾金额:10.50")};
    ASSERT_EQ(totalsLine(w), totals);
    ASSERT_EQ(w->dgdView->footerText(8).toStdString(), "30.50");

    chooseBusinessType(w, 3);
    EXPECT_TRUE(w->cdspass.active());
    EXPECT_EQ(w->cdspass.recordCount(), 0);
    EXPECT_EQ(totalsLine(w), totals);
    EXPECT_EQ(w->tickedCount(), 1);
    for (int sum : {8, 9, 10}) EXPECT_EQ(w->dgdView->footerText(sum).toStdString(), "0.00") << sum;
    EXPECT_EQ(w->dgdView->footerText(4).toStdString(), "");  // the document number's footer is never filled
}

// ---- the range title ----

TEST_F(RowSetWindow, RangeTitleFollowsTheDateLabelOfTheTypeShownNow) {
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->RangeTitle(), QString());  // before any search

    setRange(w, QDate(2024, 12, 2), QDate(2025, 1, 10));
    pressF2(w);
    const QLocale locale = QLocale::system();
    const QString range = locale.toString(QDate(2024, 12, 2), QLocale::ShortFormat) + QStringLiteral("至") +
                          locale.toString(QDate(2025, 1, 10), QLocale::ShortFormat);
    EXPECT_EQ(w->RangeTitle(), QStringLiteral("制单日期:从") + range);

    chooseBusinessType(w, 4);
    EXPECT_EQ(w->RangeTitle(), QStringLiteral("入账日期:从") + range);

    // The range is the library's: a window opened later shows it before its own search.
    TFrmTrunAccount* later = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(later);
    EXPECT_TRUE(later->RangeTitle().endsWith(range));
}

}  // namespace
}  // namespace trunaccount::testing
