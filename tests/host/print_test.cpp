// Preview and printing from the window: nothing before a search, the
// preparation (variables, header height by the condition memo, black titles),
// the preview showing every row whatever the print mode, the confirmation and
// the print mode menu, printing into the file the settings name, and the title
// colour restored after failures.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include "data/settings.h"
#include "report/grid_report.h"
#include "report/report_preview.h"
#include "search_support.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;
using report::TReportPreview;

const QColor kWhite(255, 255, 255);

std::vector<DocRow> docs(int n) {
    std::vector<DocRow> rows;
    for (int i = 0; i < n; ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "202501%06d", i + 1);
        rows.push_back({.tick = i % 3 == 0 ? "1" : "0", .number = number, .amount = 10.0 + i});
    }
    return rows;
}

QString pdfText(const QString& file, const QString& mode = QStringLiteral("-layout")) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {mode, file, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The texts of a PDF in the order they are drawn, without blanks and line
// ends: a cell's text reads whole however its narrow column broke it.
QString pdfDrawnText(const QString& file) {
    return pdfText(file, QStringLiteral("-raw")).remove(QRegularExpression(QStringLiteral("\\s")));
}

QStringList pageTexts(const report::Page& page) {
    QStringList texts;
    for (const auto& item : page.items)
        if (item.kind == report::ItemKind::Text) texts << item.text;
    return texts;
}

class PrintWindow : public ScriptedWindowTest {
protected:
    // An input window listing `rows` documents of today.
    TFrmTrunAccount* listed(int rows) {
        TFrmTrunAccount* w = openScripted();
        if (!w) return nullptr;
        answer = [rows](const std::string&, Variant& data) { return data = documents(docs(rows)), true; };
        pressF2(w);
        return w->cdspass.recordCount() == rows ? w : nullptr;
    }
    QString printFile() const { return QString::fromStdString(hostDir.file("printed.pdf")); }
    void printInto(const QString& target) { WriteSetting("Quorvexpos.ini", "Print", "Printer", target.toStdString(), ""); }

    // Runs `check` on the preview once it is shown, then closes it.
    void onPreview(std::function<void(TReportPreview&)> check) {
        auto* timer = new QTimer(qApp);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, check] {
            if (auto* p = qobject_cast<TReportPreview*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                previewSeen = true;
                check(*p);
                p->reject();
            }
        });
        timer->start();
    }
    bool previewSeen = false;
};

TEST_F(PrintWindow, PreviewAndPrintBeforeTheFirstSearchDoNothing) {
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    printInto(printFile());
    EXPECT_TRUE(w->ui().btnPreview->isEnabled());
    EXPECT_TRUE(w->ui().btnPrint->isEnabled());
    w->btnPreviewClick();
    w->btnPrintClick();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(QFile::exists(printFile()));
    EXPECT_EQ(w->dgdView->titleFontColor(), kWhite);
}

TEST_F(PrintWindow, PreviewShowsEveryRowAndThePageCountWhateverThePrintMode) {
    TFrmTrunAccount* w = listed(150);
    ASSERT_TRUE(w);
    w->Msum->setChecked(true);
    w->MAll->setChecked(false);
    QColor titleDuring;
    onPreview([&](TReportPreview& p) {
        titleDuring = w->dgdView->titleFontColor();
        EXPECT_FALSE(p.report().totalsOnly);
        const int pages = p.pageCount();
        EXPECT_GE(pages, 3);
        EXPECT_EQ(p.pageLabel(), QStringLiteral("第 1 / %1 页").arg(pages));
        const QStringList texts = pageTexts(p.shownPage());
        for (const QString& s :
             {QStringLiteral("收款单明细查询"), QStringLiteral("宏达食品"),
              QString(QStringLiteral("打印日期:20250110  打印时间:%1")
                          .arg(QString::fromStdString(w->parameters().serverDateTime.substr(8, 8))) +
                      QString(21, QLatin1Char(' '))),
              QStringLiteral("操 作 员:%1  ").arg(QString::fromStdString(w->parameters().operatorName)),
              QStringLiteral("页    数:第1页/共%1页").arg(pages)})
            EXPECT_TRUE(texts.contains(s)) << s.toStdString() << " in " << texts.join(QLatin1Char('|')).toStdString();
        // Page keys.
        QTest::keyClick(&p, Qt::Key_PageDown);
        EXPECT_EQ(p.currentPage(), 1);
        // At full size, a page turned to shows from its top.
        p.setZoom(TReportPreview::Zoom::Percent, 100);
        QScrollBar* bar = p.findChild<QScrollArea*>(QStringLiteral("pages"))->verticalScrollBar();
        bar->setValue(bar->maximum());
        EXPECT_GT(bar->value(), 0);
        QTest::keyClick(&p, Qt::Key_PageUp);
        EXPECT_EQ(p.currentPage(), 0);
        EXPECT_EQ(bar->value(), bar->minimum());
        QTest::keyClick(&p, Qt::Key_End);
        EXPECT_EQ(p.currentPage(), pages - 1);
        // The totals line after the last row (its narrow cell wraps the text).
        QString totals;
        for (const auto& item : p.shownPage().items)
            if (item.row == report::kFooterRow && item.column == 1) totals += item.text;
        EXPECT_EQ(totals, QStringLiteral("合计:150条"));
        QTest::keyClick(&p, Qt::Key_Home);
        EXPECT_EQ(p.currentPage(), 0);
        EXPECT_TRUE(p.find(QStringLiteral("202501000100")));
        EXPECT_GT(p.currentPage(), 0);
    });
    w->ui().btnPreview->click();
    EXPECT_TRUE(previewSeen);
    EXPECT_EQ(titleDuring, QColor(0, 0, 0));
    EXPECT_EQ(w->dgdView->titleFontColor(), kWhite);
    EXPECT_TRUE(w->Msum->isChecked());
}

struct ModeCase {
    const char* name;
    bool totals;   // the menu item chosen
    int answer;    // to the confirmation
};
void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class PrintMode : public PrintWindow, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PrintMode, MenuMarksTheModeAsksAndPrintsInIt) {
    const ModeCase& c = GetParam();
    TFrmTrunAccount* w = listed(150);
    ASSERT_TRUE(w);
    printInto(QStringLiteral("file:") + printFile());
    boxes.clear();
    boxes.answer(c.answer);
    (c.totals ? w->Msum : w->MAll)->trigger();
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ShownMessage& m = boxes.shown()[0];
    EXPECT_EQ(m.text, "请准备好打印机，进行打印!");
    EXPECT_EQ(m.caption, "提示");
    EXPECT_EQ(m.icon(), platform::MB_ICONINFORMATION);
    EXPECT_EQ(m.buttons(), platform::MB_OKCANCEL);
    // The marks follow the choice, printed or not.
    EXPECT_EQ(w->Msum->isChecked(), c.totals);
    EXPECT_EQ(w->MAll->isChecked(), !c.totals);
    EXPECT_EQ(w->dgdView->titleFontColor(), kWhite);
    if (c.answer != platform::IDOK) {
        EXPECT_FALSE(QFile::exists(printFile()));
        return;
    }
    const QString text = pdfText(printFile());
    EXPECT_TRUE(text.contains(QStringLiteral("收款单明细查询")));
    EXPECT_TRUE(pdfDrawnText(printFile()).contains(QStringLiteral("合计:150条")));
    EXPECT_EQ(text.contains(QStringLiteral("宏达食品")), !c.totals);
    EXPECT_EQ(text.contains(QStringLiteral("第1页/共1页")), c.totals);
    if (!c.totals) {
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("第2页/共[3-9]页"))));
    }
    // The mode stays for the next print: the print button prints in it again.
    QFile::remove(printFile());
    w->ui().btnPrint->click();
    EXPECT_EQ(pdfText(printFile()).contains(QStringLiteral("宏达食品")), !c.totals);
}

const ModeCase kModeCases[] = {
    {"AllRowsPrinted", false, platform::IDOK},
    {"TotalsOnlyPrinted", true, platform::IDOK},
    {"TotalsOnlyCancelled", true, platform::IDCANCEL},
    {"AllRowsCancelled", false, platform::IDCANCEL},
};
INSTANTIATE_TEST_SUITE_P(Menu, PrintMode, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrintWindow, HeaderHeightAndConditionFollowTheConditionMemo) {
    TFrmTrunAccount* w = listed(5);
    ASSERT_TRUE(w);
    printInto(QStringLiteral("file:") + printFile());
    w->btnPrintClick();
    EXPECT_EQ(w->PrintDG->PageHeader.height, 40);
    EXPECT_EQ(w->PrintDG->Variable(QStringLiteral("Condi")), QString());
    EXPECT_EQ(w->PrintDG->Variable(QStringLiteral("Title")), QStringLiteral("收款单明细查询"));
    EXPECT_EQ(w->PrintDG->Variable(QStringLiteral("Date")), QStringLiteral("20250110"));

    // A visible memo of three lines: the condition is printed and the header is 82 high.
    w->ui().MemoCondition->show();
    w->ui().MemoCondition->setPlainText(QStringLiteral("查询条件:\n    制单日期:从…\n过滤条件:"));
    w->btnPrintClick();
    EXPECT_EQ(w->PrintDG->PageHeader.height, 82);
    EXPECT_EQ(w->PrintDG->Variable(QStringLiteral("Condi")), w->dgdView->ConditionText(w->RangeTitle()));
    EXPECT_FALSE(w->PrintDG->Variable(QStringLiteral("Condi")).isEmpty());
    EXPECT_TRUE(pdfText(printFile()).contains(w->RangeTitle()));
}

TEST_F(PrintWindow, TitleIsTheSameForEveryBusinessType) {
    TFrmTrunAccount* w = listed(3);
    ASSERT_TRUE(w);
    printInto(QStringLiteral("file:") + printFile());
    for (int t = 0; t < 5; ++t) {
        chooseBusinessType(w, t);
        pressF2(w);
        ASSERT_EQ(w->cdspass.recordCount(), 3);
        w->btnPrintClick();
        EXPECT_EQ(w->PrintDG->Variable(QStringLiteral("Title")), QStringLiteral("收款单明细查询")) << t;
        EXPECT_TRUE(pdfText(printFile()).contains(QStringLiteral("收款单明细查询"))) << t;
    }
}

struct FailureCase {
    const char* name;
    const char* printer;  // the settings' printer; %1 is the test's folder
    const char* message;
    bool preview;         // fails in the preview rather than in printing
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class PrintFailure : public PrintWindow, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PrintFailure, IsShownPrintsNothingAndRestoresTheTitles) {
    const FailureCase& c = GetParam();
    TFrmTrunAccount* w = listed(20);
    ASSERT_TRUE(w);
    printInto(QString::fromUtf8(c.printer).replace(QStringLiteral("%1"), QString::fromStdString(hostDir.path())));
    boxes.clear();
    if (c.preview) {
        w->PrintDG->Page.marginLeft = w->PrintDG->Page.marginRight = 1100;  // no room left on the page
        w->ui().btnPreview->click();
    } else {
        w->ui().btnPrint->click();
    }
    ASSERT_EQ(boxes.shown().size(), c.preview ? 1u : 2u);
    const ShownMessage& m = boxes.shown().back();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.icon(), platform::MB_ICONERROR);
    EXPECT_NE(m.text.find(c.message), std::string::npos) << m.text;
    EXPECT_EQ(w->dgdView->titleFontColor(), kWhite);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

const FailureCase kFailures[] = {
    {"NoSuchPrinter", "没有这台打印机", "找不到打印机“没有这台打印机”，未打印。", false},
    {"UnwritableFile", "file:%1missing/printed.pdf", "无法写入文件", false},
    {"EngineRefusesTheLayout", "", "页边距太大", true},
};
INSTANTIATE_TEST_SUITE_P(Printing, PrintFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Control+P prints from anywhere in the window, whatever other modifier keys
// are held. Control+V and F3, shown in the help popup, are bound to nothing: the
// window sees keys before its controls, and Control+V must stay the paste of
// the field it is pressed in.
TEST_F(PrintWindow, CtrlPAnywhereInTheWindowAsksToPrintAndNoOtherKeyPrintsOrPreviews) {
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool asks;
    } cases[] = {
        {"Ctrl+P", Qt::Key_P, Qt::ControlModifier, true},
        {"Ctrl+Shift+P", Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier, true},
        {"P", Qt::Key_P, Qt::NoModifier, false},
        {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, false},
        {"F3", Qt::Key_F3, Qt::NoModifier, false},
    };
    TFrmTrunAccount* w = listed(3);
    ASSERT_TRUE(w);
    // A preview that opens is noted and closed.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [this] {
        if (auto* p = qobject_cast<TReportPreview*>(QApplication::activeModalWidget())) {
            previewSeen = true;
            p->reject();
        }
    });
    watch.start(5);
    for (const auto& c : cases) {
        boxes.clear();
        boxes.answer(platform::IDCANCEL);
        w->ui().edtrzrq_b->setFocus();
        QTest::keyClick(w->ui().edtrzrq_b, c.key, c.modifiers);
        QTest::qWait(30);  // a preview would have been seen meanwhile
        EXPECT_EQ(boxes.shown().size(), c.asks ? 1u : 0u) << c.name;
        if (c.asks && !boxes.shown().empty()) {
            EXPECT_EQ(boxes.shown()[0].text, "请准备好打印机，进行打印!") << c.name;
        }
        EXPECT_FALSE(previewSeen) << c.name;
    }
}

}  // namespace
}  // namespace trunaccount::testing
