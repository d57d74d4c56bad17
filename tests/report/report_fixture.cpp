#include "report_fixture.h"

#include <QProcess>

namespace trunaccount::testing {

using namespace report;

std::shared_ptr<MemoryTable> documentTable(int rows) {
    auto t = std::make_shared<MemoryTable>();
    t->columnList = {
        {QStringLiteral("勾对"), 46, Qt::AlignHCenter, true, QStringLiteral("1"), false, -1},
        {QStringLiteral("单据号"), 95, Qt::AlignLeft, false, {}, false, -1},
        {QStringLiteral("供应商名称"), 119, Qt::AlignLeft, false, {}, false, -1},
        {QStringLiteral("发票金额"), 80, Qt::AlignRight, false, {}, true, 2},
    };
    for (int r = 0; r < rows; ++r) {
        const double amount = 100.5 + r;
        char number[16];
        std::snprintf(number, sizeof number, "D%04d", r + 1);
        std::string supplier = r % 7 == 3 ? "上海市浦东新区张江高科技园区第一供应商有限责任公司" : "供应商;" + std::to_string(r);
        t->rows.push_back({{r % 2 == 0 ? "1" : "0", std::nullopt},
                           {number, std::nullopt},
                           {supplier, std::nullopt},
                           {formatNumber(amount, 2), amount}});
    }
    double total = 0;
    for (int r = 0; r < rows; ++r) total += 100.5 + r;
    t->footer = {{"合计:" + std::to_string(rows) + "条", std::nullopt},
                 {"已勾:0条", std::nullopt},
                 {"", std::nullopt},
                 {formatNumber(total, 2), total}};
    return t;
}

std::unique_ptr<Report> documentReport(int rows) {
    auto r = std::make_unique<Report>(documentTable(rows));
    const FontSpec hei{QStringLiteral("黑体"), 22, false};
    const FontSpec song{QStringLiteral("宋体"), 9, false};
    r->cellFont = song;
    r->pageHeader.lines = {{QStringLiteral("[Title]"), hei, Qt::AlignHCenter}, {QStringLiteral("[Condi]"), song, Qt::AlignLeft}};
    r->pageHeader.height = 40;
    r->columnFooter.lines = {{QStringLiteral("打印日期:[Date]  打印时间:[Time]"), song, Qt::AlignLeft},
                             {QStringLiteral("操 作 员:[Oper]  "), song, Qt::AlignLeft},
                             {QStringLiteral("页    数:第[Page#]页/共[TotalPages#]页"), song, Qt::AlignLeft}};
    r->pageFooter.lines = {{QString(), song, Qt::AlignHCenter}};
    r->setVariable(QStringLiteral("Title"), QStringLiteral("收款单明细查询"));
    r->setVariable(QStringLiteral("Date"), QStringLiteral("20250110"));
    r->setVariable(QStringLiteral("Time"), QStringLiteral("10:20:30"));
    r->setVariable(QStringLiteral("Oper"), QStringLiteral("张三"));
    r->setVariable(QStringLiteral("Condi"), QString());
    return r;
}

QStringList pageTexts(const Page& page) {
    QStringList texts;
    for (const PageItem& item : page.items)
        if (item.kind == ItemKind::Text) texts << item.text;
    return texts;
}

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace trunaccount::testing
