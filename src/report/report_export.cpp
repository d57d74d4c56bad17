#include "report/report_export.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <cstdio>
#include <map>
#include <tuple>
#include <unistd.h>

#include "report/metafile.h"

namespace trunaccount::report {

namespace {

constexpr double kScreenDpi = 96;

QString fileError(const QString& path) {
    return QStringLiteral("无法写入文件 %1").arg(QDir::toNativeSeparators(path));
}

void checkCancel(const Progress& progress, int done, int total) {
    if (progress && !progress(done, total)) throw ReportCancelled();
}

// A file opened for writing, raising ReportError when it cannot be written.
class Output {
public:
    explicit Output(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw ReportError(fileError(path).toStdString());
    }
    void write(const QByteArray& bytes) {
        if (file_.write(bytes) != bytes.size()) throw ReportError(fileError(file_.fileName()).toStdString());
    }
    void write(const QString& text) { write(text.toUtf8()); }
    void close() {
        if (!file_.flush()) throw ReportError(fileError(file_.fileName()).toStdString());
        file_.close();
        if (file_.error() != QFile::NoError) throw ReportError(fileError(file_.fileName()).toStdString());
    }
    QFile& file() { return file_; }

private:
    QFile file_;
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// ---- text ----

int displayWidth(const QString& s) {
    int w = 0;
    for (uint c : s.toUcs4()) w += (c >= 0x2000 && !(c >= 0xFF61 && c <= 0xFFDC)) ? 2 : 1;
    return w;
}

QString oneLine(QString s) {
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QString pad(const QString& s, int width, bool right) {
    const QString fill(std::max(0, width - displayWidth(s)), QLatin1Char(' '));
    return right ? fill + s : s + fill;
}

QString cellShown(Report& report, int row, int column) {
    if (report.columnCheckBox(column)) return checkGlyph(report.cellChecked(row, column));
    return oneLine(QString::fromStdString(report.cellText(row, column)));
}

void writeText(Report& report, const QString& path, const Progress& progress) {
    const int pages = report.pageCount();
    const int columns = report.columnCount();
    const int rows = report.totalsOnly ? 0 : report.table().rowCount();
    std::vector<int> widths(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        int w = std::max(displayWidth(oneLine(report.columnTitle(c)).remove(QLatin1Char(' '))),
                         displayWidth(oneLine(report.footerText(c))));
        for (int r = 0; r < rows; ++r) w = std::max(w, displayWidth(cellShown(report, r, c)));
        widths[static_cast<std::size_t>(c)] = w;
    }
    int total = 0;
    for (int w : widths) total += w + 2;
    auto line = [&](auto&& cell) -> QString {
        QString s;
        for (int c = 0; c < columns; ++c) {
            if (c) s += QStringLiteral("  ");
            s += pad(cell(c), widths[static_cast<std::size_t>(c)], report.columnNumeric(c));
        }
        while (s.endsWith(QLatin1Char(' '))) s.chop(1);
        return s + QLatin1Char('\n');
    };
    auto band = [&](const Band& b, int page) {
        QString s;
        for (const TemplateLine& l : b.lines)
            for (QString text : report.resolve(l.text, page).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'))) {
                if (l.align & Qt::AlignHCenter) text = QString(std::max(0, (total - displayWidth(text)) / 2), QLatin1Char(' ')) + text;
                s += text + QLatin1Char('\n');
            }
        return s;
    };
    Output out(path);
    out.write(kUtf8Bom);
    for (int p = 0; p < pages; ++p) {
        checkCancel(progress, p, pages);
        const PageRange& range = report.pageRange(p);
        QString s;
        if (p > 0) s += QLatin1Char('\f');
        if (range.pageHeader) s += band(report.pageHeader, p);
        s += line([&](int c) { return oneLine(report.columnTitle(c)).remove(QLatin1Char(' ')); });
        s += QString(total, QLatin1Char('-')) + QLatin1Char('\n');
        if (!report.totalsOnly)
            for (int r = range.firstRow; r < range.firstRow + range.rowCount; ++r)
                s += line([&](int c) { return cellShown(report, r, c); });
        if (range.footerRow) {
            s += QString(total, QLatin1Char('-')) + QLatin1Char('\n');
            s += line([&](int c) { return oneLine(report.footerText(c)); });
        }
        s += band(report.columnFooter, p);
        s += band(report.pageFooter, p);
        out.write(s);
    }
    out.close();
}

// ---- CSV ----

void appendCsvField(std::string& out, std::string_view s) {
    if (s.find_first_of(";\"\r\n") == std::string_view::npos) {
        out += s;
        return;
    }
    out += '"';
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void writeCsv(Report& report, const QString& path, const Progress& progress) {
    const int columns = report.columnCount();
    const int rows = report.totalsOnly ? 0 : report.table().rowCount();
    Output out(path);
    out.write(kUtf8Bom);
    std::string chunk;
    auto line = [&](auto&& cell) {
        for (int c = 0; c < columns; ++c) {
            if (c) chunk += ';';
            appendCsvField(chunk, cell(c));
        }
        chunk += "\r\n";
    };
    auto flush = [&] {
        out.write(QByteArray::fromRawData(chunk.data(), static_cast<qsizetype>(chunk.size())));
        chunk.clear();
    };
    line([&](int c) { return oneLine(report.columnTitle(c)).toStdString(); });
    for (int r = 0; r < rows; ++r) {
        line([&](int c) {
            if (!report.columnNumeric(c)) return report.cellText(r, c);
            const auto n = report.cellNumber(r, c);
            return n ? formatNumber(*n, report.columnDecimals(c)) : std::string();
        });
        if ((r & 1023) == 1023) {
            flush();
            checkCancel(progress, r, rows);
        }
    }
    line([&](int c) {
        const auto n = report.footerNumber(c);
        return n ? formatNumber(*n, report.columnDecimals(c)) : report.footerText(c).toStdString();
    });
    flush();
    out.close();
}

// ---- RTF ----

int twips(double units) { return static_cast<int>(std::lround(units * 1440.0 / kUnitsPerInch)); }

QByteArray rtfText(const QString& s) {
    QByteArray out;
    for (QChar ch : s) {
        const ushort c = ch.unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\line ";
        } else if (c == '\r') {
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += "\\u" + QByteArray::number(static_cast<short>(c)) + "?";
        }
    }
    return out;
}

void writeRtf(Report& report, const QString& path, const Progress& progress) {
    const int pages = report.pageCount();
    std::vector<FontSpec> fonts = {report.cellFont};
    auto fontOf = [&](const FontSpec& f) {
        for (std::size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i].family == f.family) return static_cast<int>(i);
        fonts.push_back(f);
        return static_cast<int>(fonts.size()) - 1;
    };
    for (const Band* b : {&report.pageHeader, &report.columnFooter, &report.pageFooter})
        for (const TemplateLine& l : b->lines) fontOf(l.font);
    const PageSetup& s = report.setup;
    Output out(path);
    QByteArray head = "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1{\\fonttbl";
    // Each font by the face the report was laid out with, so that a reader
    // that has it breaks the lines where the report does, and by the report's
    // own name as the alternative for a reader that does not.
    for (std::size_t i = 0; i < fonts.size(); ++i)
        head += "{\\f" + QByteArray::number(static_cast<int>(i)) + "\\fnil\\fcharset134 " +
                rtfText(resolveFamily(fonts[i].family)) + "{\\*\\falt " + rtfText(fonts[i].family) + "};}";
    head += "}\n\\paperw" + QByteArray::number(twips(s.width())) + "\\paperh" + QByteArray::number(twips(s.height())) +
            "\\margl" + QByteArray::number(twips(s.marginLeft)) + "\\margr" + QByteArray::number(twips(s.marginRight)) +
            "\\margt" + QByteArray::number(twips(s.marginTop)) + "\\margb" + QByteArray::number(twips(s.marginBottom)) +
            (s.landscape ? "\\landscape" : "") + "\n";
    out.write(head);
    const std::vector<double>& widths = report.columnWidths();
    const double cellLine = layoutMetrics(report.cellFont).lineSpacing();
    auto paragraph = [&](const TemplateLine& l, const QString& text) -> QByteArray {
        const QByteArray align = l.align & Qt::AlignHCenter ? "\\qc" : l.align & Qt::AlignRight ? "\\qr" : "\\ql";
        return "{\\pard\\plain" + align + "\\sl-" + QByteArray::number(twips(layoutMetrics(l.font).lineSpacing())) +
               "\\slmult0\\f" + QByteArray::number(fontOf(l.font)) + (l.font.bold ? "\\b" : "") + "\\fs" +
               QByteArray::number(static_cast<int>(std::lround(l.font.pointSize * 2))) + " " + rtfText(text) +
               "\\par}\n";
    };
    auto band = [&](const Band& b, int page) {
        QByteArray r;
        for (const TemplateLine& l : b.lines)
            for (const QString& text : report.resolve(l.text, page).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n')))
                r += paragraph(l, text);
        return r;
    };
    const QByteArray cellFormat = "\\f0\\fs" + QByteArray::number(static_cast<int>(std::lround(report.cellFont.pointSize * 2))) +
                                  "\\sl-" + QByteArray::number(twips(cellLine)) + "\\slmult0 ";
    auto tableRow = [&](auto&& cell, auto&& alignOf, double height, bool header) -> QByteArray {
        QByteArray r = "\\trowd\\trgaph" + QByteArray::number(twips(8)) + "\\trleft0" + (header ? "\\trhdr" : "") +
                       (height > 0 ? "\\trrh-" + QByteArray::number(twips(height)) : QByteArray());
        double x = 0;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            x += widths[c];
            if (report.options.gridLines)
                r += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
            // A number is never broken: a reader with wider digits fits it to its cell.
            if (!header && report.columnNumeric(static_cast<int>(c))) r += "\\clFitText";
            r += "\\cellx" + QByteArray::number(twips(x));
        }
        r += "\n";
        for (int c = 0; c < report.columnCount(); ++c) {
            const Qt::Alignment a = alignOf(c);
            r += "\\pard\\plain\\intbl" + QByteArray(a & Qt::AlignHCenter ? "\\qc" : a & Qt::AlignRight ? "\\qr" : "\\ql") +
                 cellFormat + rtfText(cell(c)) + "\\cell\n";
        }
        return r + "\\row\n";
    };
    auto alignOf = [&](int c) -> Qt::Alignment {
        if (c == 0) return Qt::AlignRight;
        return report.table().columns()[static_cast<std::size_t>(c - 1)].align;
    };
    for (int p = 0; p < pages; ++p) {
        checkCancel(progress, p, pages);
        const PageRange& range = report.pageRange(p);
        QByteArray chunk;
        // Each page a section that starts a new page: readers keep a page break
        // between a paragraph and a table only as a section break.
        if (p > 0) chunk += "\\sect\\sectd\\sbkpage\n";
        if (range.pageHeader) chunk += band(report.pageHeader, p);
        chunk += tableRow([&](int c) { return report.columnTitle(c); }, [](int) { return Qt::AlignHCenter; }, 0, true);
        if (!report.totalsOnly)
            for (int r = range.firstRow; r < range.firstRow + range.rowCount; ++r)
                chunk += tableRow([&](int c) { return cellShown(report, r, c); }, alignOf, 0, false);
        if (range.footerRow)
            chunk += tableRow([&](int c) { return report.footerText(c); },
                              [&](int c) { return report.footerNumber(c) ? Qt::AlignRight : Qt::AlignLeft; }, 0, false);
        chunk += band(report.columnFooter, p);
        chunk += band(report.pageFooter, p);
        out.write(chunk);
    }
    out.write(QByteArray("}\n"));
    out.close();
}

// ---- pictures ----

void writeImage(Report& report, int pageIndex, const QString& path, const char* format) {
    const Page page = report.page(pageIndex);
    const QSize size(static_cast<int>(std::lround(page.width / kUnitsPerInch * kScreenDpi)),
                     static_cast<int>(std::lround(page.height / kUnitsPerInch * kScreenDpi)));
    QImage image(size, QImage::Format_RGB888);
    image.setDotsPerMeterX(static_cast<int>(std::lround(kScreenDpi / 0.0254)));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        scalePainter(painter, kScreenDpi);
        paintPage(painter, report, page, kScreenDpi);
    }
    QImageWriter writer(path, format);
    if (QByteArray(format) == "jpeg") writer.setQuality(90);
    if (!writer.write(image)) throw ReportError(fileError(path).toStdString());
}

// ---- spreadsheet ----

class Workbook {
public:
    // Not in the library's constant memory mode: it keeps a temporary file
    // open and a row buffer of every possible column (128 kB) for each sheet
    // until the end, a gigabyte for a year's list at one sheet a page.
    explicit Workbook(const QString& path) : path_(QFile::encodeName(path)) {
        book_ = workbook_new(path_.constData());
        if (!book_) throw ReportError(fileError(path).toStdString());
    }
    ~Workbook() {
        if (book_) {
            // An abandoned workbook is still closed (it frees its memory); its file is removed by the caller.
            workbook_close(book_);
        }
    }
    lxw_workbook* get() const { return book_; }
    void close(const QString& path) {
        const lxw_error e = workbook_close(book_);
        book_ = nullptr;
        if (e != LXW_NO_ERROR)
            throw ReportError(QString(fileError(path) + QStringLiteral(" (%1)").arg(QString::fromUtf8(lxw_strerror(e))))
                                  .toStdString());
    }

private:
    QByteArray path_;
    lxw_workbook* book_ = nullptr;
};

// The spreadsheet's code of a paper size (0: the printer's default).
std::uint8_t paperCode(const QString& paper) {
    static const std::pair<const char*, std::uint8_t> codes[] = {{"Letter", 1}, {"A3", 8}, {"A4", 9}, {"A5", 11}, {"B5", 34}};
    for (const auto& [name, code] : codes)
        if (paper == QLatin1String(name)) return code;
    return 0;
}

void writeXlsx(Report& report, const QString& path, const Progress& progress) {
    const int pages = report.pageCount();
    const int columns = report.columnCount();
    Workbook book(path);
    lxw_format* title = workbook_add_format(book.get());
    format_set_bold(title);
    format_set_align(title, LXW_ALIGN_CENTER);
    format_set_text_wrap(title);
    format_set_border(title, LXW_BORDER_THIN);
    // One format object for each distinct format: the library looks up by
    // content, at every cell, a format that equals one made before it.
    std::vector<lxw_format*> cellFormats;
    std::map<int, lxw_format*> byDecimals;  // -1: no number format
    for (int c = 0; c < columns; ++c) {
        const int d = report.columnNumeric(c) ? std::max(report.columnDecimals(c), -1) : -1;
        lxw_format*& f = byDecimals[d];
        if (!f) {
            f = workbook_add_format(book.get());
            format_set_border(f, LXW_BORDER_THIN);
            if (d >= 0) format_set_num_format(f, d == 0 ? "0" : ("0." + std::string(static_cast<std::size_t>(d), '0')).c_str());
        }
        cellFormats.push_back(f);
    }
    // The band lines in their report fonts ("[Title]" in 黑体 22 pt), one
    // format for each font and alignment.
    std::map<std::tuple<QString, double, bool, bool>, lxw_format*> bandFormats;
    auto bandFormat = [&](const FontSpec& font, bool centred) {
        lxw_format*& f = bandFormats[{font.family, font.pointSize, font.bold, centred}];
        if (!f) {
            f = workbook_add_format(book.get());
            format_set_font_name(f, font.family.toUtf8().constData());
            format_set_font_size(f, font.pointSize);
            if (font.bold) format_set_bold(f);
            if (centred) format_set_align(f, LXW_ALIGN_CENTER);
        }
        return f;
    };
    // A sheet has no page width to keep to: columns as wide as in the grid,
    // or as in print where that is wider (in characters of 7 screen pixels).
    std::vector<double> sheetWidths;
    for (int c = 0; c < columns; ++c) {
        double w = report.columnWidths()[static_cast<std::size_t>(c)];
        if (c > 0) w = std::max(w, report.table().columns()[static_cast<std::size_t>(c - 1)].width * kUnitsPerScreenPixel);
        sheetWidths.push_back(w / kUnitsPerInch * kScreenDpi / 7.0);
    }
    auto bandRows = [&](lxw_worksheet* sheet, lxw_row_t& row, const Band& band, int page) {
        for (const TemplateLine& l : band.lines) {
            lxw_format* f = bandFormat(l.font, l.align & Qt::AlignHCenter);
            for (const QString& text :
                 report.resolve(l.text, page).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'))) {
                // A spreadsheet does not grow a row to its font: a line in a
                // large size gets the height it needs.
                if (l.font.pointSize > 11) worksheet_set_row(sheet, row, l.font.pointSize * 1.35, nullptr);
                if (l.align & Qt::AlignHCenter && columns > 1)
                    worksheet_merge_range(sheet, row, 0, row, static_cast<lxw_col_t>(columns - 1), text.toUtf8().constData(), f);
                else if (!text.isEmpty())
                    worksheet_write_string(sheet, row, 0, text.toUtf8().constData(), f);
                ++row;
            }
        }
    };
    for (int p = 0; p < pages; ++p) {
        checkCancel(progress, p, pages);
        const PageRange& range = report.pageRange(p);
        const QByteArray name = QStringLiteral("第%1页").arg(p + 1).toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(book.get(), name.constData());
        if (!sheet) throw ReportError(fileError(path).toStdString());
        for (int c = 0; c < columns; ++c)
            worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 sheetWidths[static_cast<std::size_t>(c)], nullptr);
        // Printed from the spreadsheet, a sheet is one page wide, on the report's paper.
        worksheet_fit_to_pages(sheet, 1, 0);
        worksheet_set_paper(sheet, paperCode(report.setup.paper));
        if (report.setup.landscape) worksheet_set_landscape(sheet);
        lxw_row_t row = 0;
        if (range.pageHeader) bandRows(sheet, row, report.pageHeader, p);
        for (int c = 0; c < columns; ++c)
            worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), report.columnTitle(c).toUtf8().constData(), title);
        ++row;
        if (!report.totalsOnly)
            for (int r = range.firstRow; r < range.firstRow + range.rowCount; ++r, ++row)
                for (int c = 0; c < columns; ++c) {
                    lxw_format* f = cellFormats[static_cast<std::size_t>(c)];
                    if (report.columnNumeric(c)) {
                        if (const auto n = report.cellNumber(r, c)) worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c), *n, f);
                        else worksheet_write_blank(sheet, row, static_cast<lxw_col_t>(c), f);
                    } else {
                        worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), report.cellText(r, c).c_str(), f);
                    }
                }
        if (range.footerRow) {
            for (int c = 0; c < columns; ++c) {
                lxw_format* f = cellFormats[static_cast<std::size_t>(c)];
                if (const auto n = report.footerNumber(c)) worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c), *n, f);
                else worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), report.footerText(c).toUtf8().constData(), f);
            }
            ++row;
        }
        bandRows(sheet, row, report.columnFooter, p);
    }
    checkCancel(progress, pages, pages);
    book.close(path);
}

}  // namespace

// ---- files ----

OutputFiles::~OutputFiles() {
    if (committed_) return;
    for (const auto& [temp, target] : files_) QFile::remove(temp);
}

QString OutputFiles::add(const QString& target) {
    const QFileInfo info(target);
    if (info.fileName().isEmpty() || info.isDir()) throw ReportError(fileError(target).toStdString());
    // Reserve a name beside the target (same file system, so the rename is
    // whole). The file is made as any new file is, readable as the user's
    // umask allows, or with the permissions of the file it replaces.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
                             QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".part");
        QFile file(temp);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (info.exists()) file.setPermissions(QFile::permissions(info.absoluteFilePath()));
            file.close();
            files_.emplace_back(temp, info.absoluteFilePath());
            return temp;
        }
        if (!QFile::exists(temp)) break;  // not a name taken: the folder cannot take the file
    }
    throw ReportError(fileError(target).toStdString());
}

void OutputFiles::commit() {
    for (const auto& [temp, target] : files_) {
        // Replaces an existing file in one step.
        if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0)
            throw ReportError(fileError(target).toStdString());
    }
    committed_ = true;
}

// ---- formats ----

const std::vector<ExportFormatInfo>& exportFormats() {
    static const std::vector<ExportFormatInfo> formats = {
        {ExportFormat::Text, QStringLiteral("文本文件 (*.txt)"), QStringLiteral("txt")},
        {ExportFormat::Rtf, QStringLiteral("RTF 文档 (*.rtf)"), QStringLiteral("rtf")},
        {ExportFormat::Csv, QStringLiteral("CSV 文件，分号分隔 (*.csv)"), QStringLiteral("csv")},
        {ExportFormat::Bmp, QStringLiteral("BMP 图片 (*.bmp)"), QStringLiteral("bmp")},
        {ExportFormat::Jpeg, QStringLiteral("JPEG 图片 (*.jpg)"), QStringLiteral("jpg")},
        {ExportFormat::Pdf, QStringLiteral("PDF 文档 (*.pdf)"), QStringLiteral("pdf")},
        {ExportFormat::Xlsx, QStringLiteral("Excel 工作簿 (*.xlsx)"), QStringLiteral("xlsx")},
        {ExportFormat::Wmf, QStringLiteral("WMF 图元文件 (*.wmf)"), QStringLiteral("wmf")},
        {ExportFormat::Emf, QStringLiteral("EMF 增强图元文件 (*.emf)"), QStringLiteral("emf")},
    };
    return formats;
}

const ExportFormatInfo& formatInfo(ExportFormat format) {
    for (const auto& f : exportFormats())
        if (f.format == format) return f;
    return exportFormats().front();
}

std::optional<ExportFormat> exportFormatNamed(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) return std::nullopt;
    if (suffix.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0) return ExportFormat::Jpeg;
    for (const auto& f : exportFormats())
        if (f.format != ExportFormat::Xlsx && suffix.compare(f.suffix, Qt::CaseInsensitive) == 0) return f.format;
    return std::nullopt;
}

namespace {
bool onePerPage(ExportFormat f) {
    return f == ExportFormat::Bmp || f == ExportFormat::Jpeg || f == ExportFormat::Wmf || f == ExportFormat::Emf;
}
}  // namespace

QStringList exportFileNames(ExportFormat format, const QString& path, int pages) {
    if (!onePerPage(format) || pages <= 1) return {path};
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    QStringList names;
    for (int p = 1; p <= pages; ++p)
        names << base + QLatin1Char('_') + QString::number(p) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    return names;
}

void writePdf(Report& report, QIODevice& device, const Progress& progress) {
    const int pages = report.pageCount();
    QPdfWriter pdf(&device);
    pdf.setCreator(QStringLiteral("转帐勾对"));
    pdf.setTitle(report.variable(QStringLiteral("Title")));
    pdf.setPageSize(QPageSize(QSizeF(report.setup.width() / 10, report.setup.height() / 10), QPageSize::Millimeter));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    const double dpi = pdf.resolution();
    QPainter painter;
    if (!painter.begin(&pdf)) throw ReportError("PDF 文件无法开始");
    scalePainter(painter, dpi);
    for (int p = 0; p < pages; ++p) {
        if (progress && !progress(p, pages)) {
            painter.end();
            throw ReportCancelled();
        }
        if (p > 0) pdf.newPage();
        paintPage(painter, report, report.page(p), dpi);
    }
    painter.end();
}

QStringList exportReport(Report& report, ExportFormat format, const QString& path, const Progress& progress) {
    // A CSV file is the table alone: it needs no pages.
    if (!report.laidOut() && format != ExportFormat::Csv) report.layout(progress);
    const int pages = format == ExportFormat::Csv ? 1 : report.pageCount();
    const QStringList targets = exportFileNames(format, path, pages);
    checkCancel(progress, 0, pages);
    OutputFiles files;
    QStringList temps;
    for (const QString& t : targets) temps << files.add(t);
    switch (format) {
    case ExportFormat::Text: writeText(report, temps[0], progress); break;
    case ExportFormat::Csv: writeCsv(report, temps[0], progress); break;
    case ExportFormat::Rtf: writeRtf(report, temps[0], progress); break;
    case ExportFormat::Xlsx: writeXlsx(report, temps[0], progress); break;
    case ExportFormat::Pdf: {
        Output out(temps[0]);
        writePdf(report, out.file(), progress);
        out.close();
        break;
    }
    case ExportFormat::Bmp:
    case ExportFormat::Jpeg:
        for (int p = 0; p < pages; ++p) {
            checkCancel(progress, p, pages);
            writeImage(report, p, temps[p], format == ExportFormat::Bmp ? "bmp" : "jpeg");
        }
        break;
    case ExportFormat::Wmf:
    case ExportFormat::Emf:
        for (int p = 0; p < pages; ++p) {
            checkCancel(progress, p, pages);
            const Page page = report.page(p);
            Output out(temps[p]);
            out.write(format == ExportFormat::Emf ? emfPage(report, page) : wmfPage(report, page));
            out.close();
        }
        break;
    }
    checkCancel(progress, pages, pages);
    files.commit();
    return targets;
}

}  // namespace trunaccount::report
