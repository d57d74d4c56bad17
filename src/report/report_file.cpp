#include "report/report_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "report/report_export.h"

using namespace Qt::StringLiterals;

namespace trunaccount::report {

namespace {

constexpr QLatin1StringView kFormatName = "trunaccount-report"_L1;
constexpr int kVersion = 1;

QString alignName(Qt::Alignment a) {
    return a & Qt::AlignHCenter ? QStringLiteral("center") : a & Qt::AlignRight ? QStringLiteral("right") : QStringLiteral("left");
}
Qt::Alignment alignOf(const QString& name) {
    return name == QLatin1String("center") ? Qt::AlignHCenter : name == QLatin1String("right") ? Qt::AlignRight : Qt::AlignLeft;
}

QJsonObject fontJson(const FontSpec& f) {
    return {{"family"_L1, f.family}, {"size"_L1, f.pointSize}, {"bold"_L1, f.bold}};
}
FontSpec fontOf(const QJsonObject& o) {
    FontSpec f;
    f.family = o.value("family"_L1).toString(f.family);
    f.pointSize = o.value("size"_L1).toDouble(f.pointSize);
    f.bold = o.value("bold"_L1).toBool();
    return f;
}

QJsonObject bandJson(const Band& b) {
    QJsonArray lines;
    for (const TemplateLine& l : b.lines)
        lines.append(QJsonObject{{"text"_L1, l.text}, {"font"_L1, fontJson(l.font)}, {"align"_L1, alignName(l.align)}});
    return {{"height"_L1, b.height}, {"lines"_L1, lines}};
}
Band bandOf(const QJsonObject& o) {
    Band b;
    b.height = o.value("height"_L1).toDouble();
    for (const QJsonValue& v : o.value("lines"_L1).toArray()) {
        const QJsonObject l = v.toObject();
        b.lines.push_back({l.value("text"_L1).toString(), fontOf(l.value("font"_L1).toObject()),
                           alignOf(l.value("align"_L1).toString())});
    }
    return b;
}

QJsonValue cellJson(const std::string& text, const std::optional<double>& number) {
    const QString t = QString::fromStdString(text);
    if (!number) return t;
    return QJsonObject{{"v"_L1, *number}, {"t"_L1, t}};
}
MemoryTable::Cell cellOf(const QJsonValue& v) {
    if (v.isObject())
        return {v.toObject().value("t"_L1).toString().toStdString(), v.toObject().value("v"_L1).toDouble()};
    return {v.toString().toStdString(), std::nullopt};
}

[[noreturn]] void notAReport(const QString& path) {
    throw ReportError(QStringLiteral("%1 不是可以打开的报表文件").arg(path).toStdString());
}

}  // namespace

void saveReport(Report& report, const QString& path, const Progress& progress) {
    const ReportTable& table = report.table();
    const int rows = table.rowCount();
    QJsonObject head;
    head["format"_L1] = kFormatName;
    head["version"_L1] = kVersion;
    const PageSetup& s = report.setup;
    head["setup"_L1] =
        QJsonObject{{"paper"_L1, s.paper},
                    {"width"_L1, s.paperWidth},
                    {"height"_L1, s.paperHeight},
                    {"landscape"_L1, s.landscape},
                    {"margins"_L1, QJsonArray{s.marginLeft, s.marginTop, s.marginRight, s.marginBottom}}};
    const ReportOptions& o = report.options;
    head["options"_L1] = QJsonObject{{"fitColumns"_L1, o.fitColumns},
                                     {"wordWrap"_L1, o.wordWrap},
                                     {"gridLines"_L1, o.gridLines},
                                     {"pageHeaderOnFirstPageOnly"_L1, o.pageHeaderOnFirstPageOnly},
                                     {"rowNumberCaption"_L1, o.rowNumberCaption}};
    head["totalsOnly"_L1] = report.totalsOnly;
    head["cellFont"_L1] = fontJson(report.cellFont);
    QJsonObject vars;
    for (auto it = report.variables().begin(); it != report.variables().end(); ++it) vars[it.key()] = it.value();
    head["variables"_L1] = vars;
    head["bands"_L1] = QJsonObject{{"pageHeader"_L1, bandJson(report.pageHeader)},
                                   {"columnFooter"_L1, bandJson(report.columnFooter)},
                                   {"pageFooter"_L1, bandJson(report.pageFooter)}};
    QJsonArray columns, footer;
    for (std::size_t c = 0; c < table.columns().size(); ++c) {
        const ReportColumn& col = table.columns()[c];
        columns.append(QJsonObject{{"title"_L1, col.title},
                                   {"width"_L1, col.width},
                                   {"align"_L1, alignName(col.align)},
                                   {"checkBox"_L1, col.checkBox},
                                   {"checkedValue"_L1, col.checkedValue},
                                   {"numeric"_L1, col.numeric},
                                   {"decimals"_L1, col.decimals}});
        footer.append(cellJson(table.footerText(static_cast<int>(c)).toStdString(), table.footerNumber(static_cast<int>(c))));
    }
    head["columns"_L1] = columns;
    head["footer"_L1] = footer;
    head["rows"_L1] = rows;

    OutputFiles files;
    QFile out(files.add(path));
    if (!out.open(QIODevice::WriteOnly)) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
    QByteArray chunk = QJsonDocument(head).toJson(QJsonDocument::Compact) + '\n';
    const int n = static_cast<int>(table.columns().size());
    for (int r = 0; r < rows; ++r) {
        QJsonArray cells;
        for (int c = 0; c < n; ++c) cells.append(cellJson(table.text(r, c), table.number(r, c)));
        chunk += QJsonDocument(cells).toJson(QJsonDocument::Compact) + '\n';
        if (chunk.size() > (1 << 20) || r == rows - 1) {
            if (out.write(chunk) != chunk.size()) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
            chunk.clear();
            if (progress && !progress(r, rows)) throw ReportCancelled();
        }
    }
    if (rows == 0 && out.write(chunk) != chunk.size()) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
    if (!out.flush()) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
    out.close();
    files.commit();
}

std::unique_ptr<Report> loadReport(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) throw ReportError(QStringLiteral("无法打开文件 %1").arg(path).toStdString());
    const QJsonDocument doc = QJsonDocument::fromJson(in.readLine());
    const QJsonObject head = doc.object();
    if (head.value("format"_L1).toString() != kFormatName || head.value("version"_L1).toInt() > kVersion)
        notAReport(path);
    auto table = std::make_shared<MemoryTable>();
    for (const QJsonValue& v : head.value("columns"_L1).toArray()) {
        const QJsonObject o = v.toObject();
        ReportColumn c;
        c.title = o.value("title"_L1).toString();
        c.width = o.value("width"_L1).toDouble(64);
        c.align = alignOf(o.value("align"_L1).toString());
        c.checkBox = o.value("checkBox"_L1).toBool();
        c.checkedValue = o.value("checkedValue"_L1).toString(QStringLiteral("1"));
        c.numeric = o.value("numeric"_L1).toBool();
        c.decimals = o.value("decimals"_L1).toInt(-1);
        table->columnList.push_back(c);
    }
    for (const QJsonValue& v : head.value("footer"_L1).toArray()) table->footer.push_back(cellOf(v));
    const int rows = head.value("rows"_L1).toInt();
    table->rows.reserve(static_cast<std::size_t>(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        QJsonParseError error;
        const QJsonDocument line = QJsonDocument::fromJson(in.readLine(), &error);
        if (error.error != QJsonParseError::NoError || !line.isArray()) notAReport(path);
        std::vector<MemoryTable::Cell> cells;
        for (const QJsonValue& v : line.array()) cells.push_back(cellOf(v));
        table->rows.push_back(std::move(cells));
    }
    auto report = std::make_unique<Report>(table);
    const QJsonObject s = head.value("setup"_L1).toObject();
    report->setup.paper = s.value("paper"_L1).toString(QStringLiteral("A4"));
    report->setup.paperWidth = s.value("width"_L1).toDouble(2100);
    report->setup.paperHeight = s.value("height"_L1).toDouble(2970);
    report->setup.landscape = s.value("landscape"_L1).toBool();
    const QJsonArray m = s.value("margins"_L1).toArray();
    if (m.size() == 4) {
        report->setup.marginLeft = m[0].toDouble();
        report->setup.marginTop = m[1].toDouble();
        report->setup.marginRight = m[2].toDouble();
        report->setup.marginBottom = m[3].toDouble();
    }
    const QJsonObject o = head.value("options"_L1).toObject();
    report->options.fitColumns = o.value("fitColumns"_L1).toBool(true);
    report->options.wordWrap = o.value("wordWrap"_L1).toBool(true);
    report->options.gridLines = o.value("gridLines"_L1).toBool(true);
    report->options.pageHeaderOnFirstPageOnly = o.value("pageHeaderOnFirstPageOnly"_L1).toBool(true);
    report->options.rowNumberCaption = o.value("rowNumberCaption"_L1).toString(QStringLiteral("No"));
    report->totalsOnly = head.value("totalsOnly"_L1).toBool();
    report->cellFont = fontOf(head.value("cellFont"_L1).toObject());
    const QJsonObject vars = head.value("variables"_L1).toObject();
    for (auto it = vars.begin(); it != vars.end(); ++it) report->setVariable(it.key(), it.value().toString());
    const QJsonObject bands = head.value("bands"_L1).toObject();
    report->pageHeader = bandOf(bands.value("pageHeader"_L1).toObject());
    report->columnFooter = bandOf(bands.value("columnFooter"_L1).toObject());
    report->pageFooter = bandOf(bands.value("pageFooter"_L1).toObject());
    return report;
}

}  // namespace trunaccount::report
