#include "report/report_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "report/report_export.h"

namespace trunaccount::report {

namespace {

constexpr const char* kFormatName = "trunaccount-report";
constexpr int kVersion = 1;

QString alignName(Qt::Alignment a) {
    return a & Qt::AlignHCenter ? QStringLiteral("center") : a & Qt::AlignRight ? QStringLiteral("right") : QStringLiteral("left");
}
Qt::Alignment alignOf(const QString& name) {
    return name == QLatin1String("center") ? Qt::AlignHCenter : name == QLatin1String("right") ? Qt::AlignRight : Qt::AlignLeft;
}

QJsonObject fontJson(const FontSpec& f) {
    return {{"family", f.family}, {"size", f.pointSize}, {"bold", f.bold}};
}
FontSpec fontOf(const QJsonObject& o) {
    FontSpec f;
    f.family = o.value("family").toString(f.family);
    f.pointSize = o.value("size").toDouble(f.pointSize);
    f.bold = o.value("bold").toBool();
    return f;
}

QJsonObject bandJson(const Band& b) {
    QJsonArray lines;
    for (const TemplateLine& l : b.lines)
        lines.append(QJsonObject{{"text", l.text}, {"font", fontJson(l.font)}, {"align", alignName(l.align)}});
    return {{"height", b.height}, {"lines", lines}};
}
Band bandOf(const QJsonObject& o) {
    Band b;
    b.height = o.value("height").toDouble();
    for (const QJsonValue& v : o.value("lines").toArray()) {
        const QJsonObject l = v.toObject();
        b.lines.push_back({l.value("text").toString(), fontOf(l.value("font").toObject()), alignOf(l.value("align").toString())});
    }
    return b;
}

QJsonValue cellJson(const std::string& text, const std::optional<double>& number) {
    const QString t = QString::fromStdString(text);
    if (!number) return t;
    return QJsonObject{{"v", *number}, {"t", t}};
}
MemoryTable::Cell cellOf(const QJsonValue& v) {
    if (v.isObject()) return {v.toObject().value("t").toString().toStdString(), v.toObject().value("v").toDouble()};
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
    head["format"] = kFormatName;
    head["version"] = kVersion;
    const PageSetup& s = report.setup;
    head["setup"] = QJsonObject{{"paper", s.paper},
                                {"width", s.paperWidth},
                                {"height", s.paperHeight},
                                {"landscape", s.landscape},
                                {"margins", QJsonArray{s.marginLeft, s.marginTop, s.marginRight, s.marginBottom}}};
    const ReportOptions& o = report.options;
    head["options"] = QJsonObject{{"fitColumns", o.fitColumns},
                                  {"wordWrap", o.wordWrap},
                                  {"gridLines", o.gridLines},
                                  {"pageHeaderOnFirstPageOnly", o.pageHeaderOnFirstPageOnly},
                                  {"rowNumberCaption", o.rowNumberCaption}};
    head["totalsOnly"] = report.totalsOnly;
    head["cellFont"] = fontJson(report.cellFont);
    QJsonObject vars;
    for (auto it = report.variables().begin(); it != report.variables().end(); ++it) vars[it.key()] = it.value();
    head["variables"] = vars;
    head["bands"] = QJsonObject{{"pageHeader", bandJson(report.pageHeader)},
                                {"columnFooter", bandJson(report.columnFooter)},
                                {"pageFooter", bandJson(report.pageFooter)}};
    QJsonArray columns, footer;
    for (std::size_t c = 0; c < table.columns().size(); ++c) {
        const ReportColumn& col = table.columns()[c];
        columns.append(QJsonObject{{"title", col.title},
                                   {"width", col.width},
                                   {"align", alignName(col.align)},
                                   {"checkBox", col.checkBox},
                                   {"checkedValue", col.checkedValue},
                                   {"numeric", col.numeric},
                                   {"decimals", col.decimals}});
        footer.append(cellJson(table.footerText(static_cast<int>(c)).toStdString(), table.footerNumber(static_cast<int>(c))));
    }
    head["columns"] = columns;
    head["footer"] = footer;
    head["rows"] = rows;

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
    if (head.value("format").toString() != QLatin1String(kFormatName) || head.value("version").toInt() > kVersion)
        notAReport(path);
    auto table = std::make_shared<MemoryTable>();
    for (const QJsonValue& v : head.value("columns").toArray()) {
        const QJsonObject o = v.toObject();
        ReportColumn c;
        c.title = o.value("title").toString();
        c.width = o.value("width").toDouble(64);
        c.align = alignOf(o.value("align").toString());
        c.checkBox = o.value("checkBox").toBool();
        c.checkedValue = o.value("checkedValue").toString(QStringLiteral("1"));
        c.numeric = o.value("numeric").toBool();
        c.decimals = o.value("decimals").toInt(-1);
        table->columnList.push_back(c);
    }
    for (const QJsonValue& v : head.value("footer").toArray()) table->footer.push_back(cellOf(v));
    const int rows = head.value("rows").toInt();
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
    const QJsonObject s = head.value("setup").toObject();
    report->setup.paper = s.value("paper").toString(QStringLiteral("A4"));
    report->setup.paperWidth = s.value("width").toDouble(2100);
    report->setup.paperHeight = s.value("height").toDouble(2970);
    report->setup.landscape = s.value("landscape").toBool();
    const QJsonArray m = s.value("margins").toArray();
    if (m.size() == 4) {
        report->setup.marginLeft = m[0].toDouble();
        report->setup.marginTop = m[1].toDouble();
        report->setup.marginRight = m[2].toDouble();
        report->setup.marginBottom = m[3].toDouble();
    }
    const QJsonObject o = head.value("options").toObject();
    report->options.fitColumns = o.value("fitColumns").toBool(true);
    report->options.wordWrap = o.value("wordWrap").toBool(true);
    report->options.gridLines = o.value("gridLines").toBool(true);
    report->options.pageHeaderOnFirstPageOnly = o.value("pageHeaderOnFirstPageOnly").toBool(true);
    report->options.rowNumberCaption = o.value("rowNumberCaption").toString(QStringLiteral("No"));
    report->totalsOnly = head.value("totalsOnly").toBool();
    report->cellFont = fontOf(head.value("cellFont").toObject());
    const QJsonObject vars = head.value("variables").toObject();
    for (auto it = vars.begin(); it != vars.end(); ++it) report->setVariable(it.key(), it.value().toString());
    const QJsonObject bands = head.value("bands").toObject();
    report->pageHeader = bandOf(bands.value("pageHeader").toObject());
    report->columnFooter = bandOf(bands.value("columnFooter").toObject());
    report->pageFooter = bandOf(bands.value("pageFooter").toObject());
    return report;
}

}  // namespace trunaccount::report
