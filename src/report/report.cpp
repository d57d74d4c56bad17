#include "report/report.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace trunaccount::report {

namespace {

constexpr double kPadX = 8;   // room left and right of a cell's text
constexpr double kPadY = 5;   // above and below
constexpr double kCheckSize = 28;
constexpr double kLineWidth = 2;

QTextOption wrapOption() {
    QTextOption o;
    o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return o;
}

// Lines of a template text once resolved ("[Condi]" may hold several).
QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = t.split(QLatin1Char('\n'));
    // A text ending in a line break has no empty line after it.
    if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

const std::vector<PaperSize>& paperSizes() {
    static const std::vector<PaperSize> sizes = {
        {QStringLiteral("A4"), 2100, 2970}, {QStringLiteral("A3"), 2970, 4200}, {QStringLiteral("A5"), 1480, 2100},
        {QStringLiteral("B5"), 1760, 2500}, {QStringLiteral("Letter"), 2159, 2794},
    };
    return sizes;
}

Report::Report(std::shared_ptr<const ReportTable> table) : table_(std::move(table)) {
    if (!table_) throw ReportError("a report needs a table");
    fonts_.push_back(cellFont);
}

QString Report::columnTitle(int column) const {
    return column == 0 ? options.rowNumberCaption : table_->columns()[static_cast<std::size_t>(column - 1)].title;
}
bool Report::columnNumeric(int column) const {
    return column == 0 || table_->columns()[static_cast<std::size_t>(column - 1)].numeric;
}
bool Report::columnCheckBox(int column) const {
    return column > 0 && table_->columns()[static_cast<std::size_t>(column - 1)].checkBox;
}
int Report::columnDecimals(int column) const {
    return column == 0 ? 0 : table_->columns()[static_cast<std::size_t>(column - 1)].decimals;
}
std::string Report::cellText(int row, int column) const {
    return column == 0 ? std::to_string(row + 1) : table_->text(row, column - 1);
}
std::optional<double> Report::cellNumber(int row, int column) const {
    return column == 0 ? std::optional<double>(row + 1) : table_->number(row, column - 1);
}
bool Report::cellChecked(int row, int column) const { return column > 0 && table_->checked(row, column - 1); }
QString Report::footerText(int column) const { return column == 0 ? QString() : table_->footerText(column - 1); }
std::optional<double> Report::footerNumber(int column) const {
    return column == 0 ? std::nullopt : table_->footerNumber(column - 1);
}

int Report::fontIndex(const FontSpec& spec) {
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == spec) return static_cast<int>(i);
    fonts_.push_back(spec);
    return static_cast<int>(fonts_.size()) - 1;
}

std::vector<QString> Report::breakLines(const QString& text, const FontSpec& font, double width) const {
    std::vector<QString> lines;
    for (const QString& paragraph : splitLines(text)) {
        if (!options.wordWrap || paragraph.isEmpty()) {
            lines.push_back(paragraph);
            continue;
        }
        QTextLayout layout(paragraph, layoutFont(font), layoutDevice());
        layout.setTextOption(wrapOption());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(width, 1.0));
            lines.push_back(paragraph.mid(line.textStart(), line.textLength()).trimmed());
        }
        layout.endLayout();
    }
    return lines;
}

int Report::lineCount(const std::string& text, int column, double width) const {
    auto& cache = lineCache_[static_cast<std::size_t>(column)];
    if (auto it = cache.find(text); it != cache.end()) return it->second;
    const int n = std::max<int>(1, static_cast<int>(breakLines(QString::fromStdString(text), cellFont, width).size()));
    if (cache.size() < 200000) cache.emplace(text, n);
    return n;
}

int Report::cellLines(const std::string& text, int column) const {
    if (!options.wordWrap) return 1;
    const double inner = widths_[static_cast<std::size_t>(column)] - 2 * kPadX;
    // Most cells fit on one line: the advances of their ASCII characters (exact,
    // the report's text is not kerned) and an upper bound for the others say so
    // without shaping the text.
    double bound = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || c == '\r') return lineCount(text, column, inner);
        if (c < 0x80) bound += asciiAdvance_[c];
        else if ((c & 0xC0) != 0x80) bound += wideBound_;
    }
    if (bound <= inner) return 1;
    return lineCount(text, column, inner);
}

double Report::bandHeight(const Band& band) {
    double content = 0;
    for (const TemplateLine& line : band.lines) content += layoutMetrics(line.font).lineSpacing();
    return std::max(band.height * kUnitsPerScreenPixel, content);
}

double Report::rowHeight(int row) const {
    if (totalsOnly) return 0;
    return rowHeights_.empty() ? oneLineRow_ : rowHeights_[static_cast<std::size_t>(row)];
}

void Report::layout(const Progress& progress) {
    laidOut_ = false;
    fonts_.assign(1, cellFont);
    lineCache_.assign(static_cast<std::size_t>(columnCount()), {});
    const QFontMetricsF fm = layoutMetrics(cellFont);
    lineHeight_ = fm.lineSpacing();
    ascent_ = fm.ascent();
    asciiBound_ = 0;
    for (int c = 0; c < 128; ++c) {
        asciiAdvance_[c] = c < 32 || c == 127 ? 0 : fm.horizontalAdvance(QLatin1Char(static_cast<char>(c)));
        asciiBound_ = std::max(asciiBound_, asciiAdvance_[c]);
    }
    wideBound_ = std::max({fm.maxWidth(), fm.horizontalAdvance(QStringLiteral("中")), asciiBound_});
    oneLineRow_ = lineHeight_ + 2 * kPadY;

    // Columns: the grid's widths, the row numbers as wide as the largest number,
    // all scaled together to the printable width.
    const int rows = table_->rowCount();
    const double printable = setup.width() - setup.marginLeft - setup.marginRight;
    if (printable <= 0 || setup.height() - setup.marginTop - setup.marginBottom <= 0)
        throw ReportError("页边距太大，页面上没有可打印的地方");
    widths_.clear();
    const QString widest = QString(QString::number(std::max(rows, 1)).size(), QLatin1Char('9'));
    widths_.push_back(std::max(fm.horizontalAdvance(widest), fm.horizontalAdvance(options.rowNumberCaption)) +
                      2 * kPadX);
    for (const ReportColumn& c : table_->columns()) widths_.push_back(std::max(c.width, 1.0) * kUnitsPerScreenPixel);
    double total = 0;
    for (double w : widths_) total += w;
    // The row numbers keep their width; the grid's columns share the rest.
    if (options.fitColumns && total > widths_[0]) {
        const double scale = std::max(printable - widths_[0], 1.0) / (total - widths_[0]);
        for (std::size_t c = 1; c < widths_.size(); ++c) widths_[c] *= scale;
    }

    titleHeight_ = 0;
    footerRowHeight_ = 0;
    for (int c = 0; c < columnCount(); ++c) {
        const double inner = widths_[static_cast<std::size_t>(c)] - 2 * kPadX;
        titleHeight_ = std::max<double>(titleHeight_, static_cast<double>(breakLines(columnTitle(c), cellFont, inner).size()));
        footerRowHeight_ = std::max<double>(footerRowHeight_, lineCount(footerText(c).toStdString(), c, inner));
    }
    titleHeight_ = std::max(titleHeight_, 1.0) * lineHeight_ + 2 * kPadY;
    footerRowHeight_ = std::max(footerRowHeight_, 1.0) * lineHeight_ + 2 * kPadY;
    headerHeight_ = bandHeight(pageHeader);
    columnFooterHeight_ = bandHeight(columnFooter);
    pageFooterHeight_ = bandHeight(pageFooter);

    // Row heights: one line, unless a cell wraps.
    rowHeights_.clear();
    if (!totalsOnly && options.wordWrap) {
        bool anyTaller = false;
        std::vector<float> heights(static_cast<std::size_t>(rows), static_cast<float>(oneLineRow_));
        std::vector<int> textColumns;
        for (int c = 1; c < columnCount(); ++c)
            if (!columnCheckBox(c)) textColumns.push_back(c);
        for (int r = 0; r < rows; ++r) {
            int lines = 1;
            for (int c : textColumns) lines = std::max(lines, cellLines(cellText(r, c), c));
            if (lines > 1) {
                heights[static_cast<std::size_t>(r)] = static_cast<float>(lines * lineHeight_ + 2 * kPadY);
                anyTaller = true;
            }
            if (progress && (r & 4095) == 4095 && !progress(r, rows)) throw ReportCancelled();
        }
        if (anyTaller) rowHeights_ = std::move(heights);
    }

    // Pages.
    pages_.clear();
    const double bottom = setup.height() - setup.marginBottom - columnFooterHeight_ - pageFooterHeight_;
    int row = 0;
    bool footerPlaced = false;
    while (!footerPlaced) {
        PageRange range;
        range.firstRow = row;
        range.pageHeader = pages_.empty() || !options.pageHeaderOnFirstPageOnly;
        double y = setup.marginTop + (range.pageHeader ? headerHeight_ : 0) + titleHeight_;
        while (row < rows) {
            const double h = rowHeight(row);
            if (y + h > bottom && range.rowCount > 0) break;
            y += h;
            ++row;
            ++range.rowCount;
        }
        if (row == rows && (y + footerRowHeight_ <= bottom || range.rowCount == 0)) {
            range.footerRow = true;
            footerPlaced = true;
        }
        pages_.push_back(range);
        if (pages_.size() > 10000000) throw ReportError("too many pages");
    }
    laidOut_ = true;
}

int Report::pageCount() {
    if (!laidOut_) layout();
    return static_cast<int>(pages_.size());
}

const PageRange& Report::pageRange(int index) {
    if (!laidOut_) layout();
    return pages_.at(static_cast<std::size_t>(index));
}

const std::vector<double>& Report::columnWidths() {
    if (!laidOut_) layout();
    return widths_;
}

QString Report::resolve(const QString& text, int pageIndex) {
    static const QRegularExpression name(QStringLiteral("\\[([^\\[\\]]*)\\]"));
    QString out;
    qsizetype from = 0;
    for (auto it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(from, m.capturedStart() - from);
        const QString key = m.captured(1);
        if (key == QLatin1String("Page#")) out += QString::number(pageIndex + 1);
        else if (key == QLatin1String("TotalPages#")) out += QString::number(pageCount());
        else if (variables_.contains(key)) out += variables_.value(key);
        else out += m.captured(0);  // not a variable: printed as written
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

void Report::placeText(Page& page, const QString& text, const QRectF& cell, Qt::Alignment align, int font, int row,
                       int column) const {
    const FontSpec& spec = fonts_[static_cast<std::size_t>(font)];
    const QFontMetricsF fm = layoutMetrics(spec);
    const QRectF inner = cell.adjusted(kPadX, kPadY, -kPadX, -kPadY);
    const std::vector<QString> lines = breakLines(text, spec, inner.width());
    double y = inner.top() + fm.ascent();
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            y += fm.lineSpacing();
            continue;
        }
        const double w = fm.horizontalAdvance(line);
        double x = inner.left();
        if (align & Qt::AlignRight) x = inner.right() - w;
        else if (align & Qt::AlignHCenter) x = inner.left() + (inner.width() - w) / 2;
        PageItem item;
        item.kind = ItemKind::Text;
        item.font = font;
        item.row = row;
        item.column = column;
        item.rect = cell;
        item.origin = QPointF(x, y);
        item.text = line;
        item.clip = w > inner.width() + 0.5 || y + fm.descent() > cell.bottom();
        page.items.push_back(std::move(item));
        y += fm.lineSpacing();
    }
}

double Report::placeBand(Page& page, const Band& band, double top, int pageIndex) {
    const double left = setup.marginLeft;
    const double width = setup.width() - setup.marginLeft - setup.marginRight;
    double y = top;
    for (const TemplateLine& line : band.lines) {
        const int font = fontIndex(line.font);
        const QFontMetricsF fm = layoutMetrics(line.font);
        for (const QString& text : splitLines(resolve(line.text, pageIndex))) {
            const QRectF cell(left - kPadX, y - kPadY, width + 2 * kPadX, fm.lineSpacing() + 2 * kPadY);
            if (!text.isEmpty()) {
                PageItem item;
                item.font = font;
                item.rect = cell;
                const double w = fm.horizontalAdvance(text);
                double x = left;
                if (line.align & Qt::AlignRight) x = left + width - w;
                else if (line.align & Qt::AlignHCenter) x = left + (width - w) / 2;
                item.origin = QPointF(x, y + fm.ascent());
                item.text = text;
                item.clip = w > width;
                page.items.push_back(std::move(item));
            }
            y += fm.lineSpacing();
        }
    }
    return y - top;
}

Page Report::page(int index) {
    const PageRange range = pageRange(index);
    Page page;
    page.index = index;
    page.width = setup.width();
    page.height = setup.height();
    std::vector<double> xs{setup.marginLeft};
    for (double w : widths_) xs.push_back(xs.back() + w);
    const double tableLeft = xs.front(), tableRight = xs.back();

    double y = setup.marginTop;
    if (range.pageHeader) y += std::max(headerHeight_, placeBand(page, pageHeader, y, index));
    const double tableTop = y;
    auto line = [&](double x1, double y1, double x2, double y2) {
        PageItem item;
        item.kind = ItemKind::Line;
        item.rect = QRectF(QPointF(x1, y1), QPointF(x2, y2));
        page.items.push_back(item);
    };
    auto rule = [&](double at) {
        if (options.gridLines) line(tableLeft, at, tableRight, at);
    };
    auto cellRect = [&](int c, double top, double h) { return QRectF(xs[c], top, xs[c + 1] - xs[c], h); };

    // Column titles.
    rule(y);
    for (int c = 0; c < columnCount(); ++c)
        placeText(page, columnTitle(c), cellRect(c, y, titleHeight_), Qt::AlignHCenter, 0, kTitleRow, c);
    y += titleHeight_;
    rule(y);
    // Rows.
    for (int r = range.firstRow; r < range.firstRow + range.rowCount; ++r) {
        const double h = rowHeight(r);
        if (h <= 0) continue;
        for (int c = 0; c < columnCount(); ++c) {
            const QRectF cell = cellRect(c, y, h);
            if (columnCheckBox(c)) {
                PageItem box;
                box.kind = ItemKind::CheckBox;
                box.checked = cellChecked(r, c);
                box.row = r;
                box.column = c;
                const double s = std::min({kCheckSize, cell.width() - 2, cell.height() - 2});
                box.rect = QRectF(cell.center().x() - s / 2, cell.center().y() - s / 2, s, s);
                page.items.push_back(box);
                continue;
            }
            const Qt::Alignment align =
                c == 0 ? Qt::AlignRight : table_->columns()[static_cast<std::size_t>(c - 1)].align;
            placeText(page, QString::fromStdString(cellText(r, c)), cell, align, 0, r, c);
        }
        y += h;
        rule(y);
    }
    // The footer row after the last row.
    if (range.footerRow) {
        for (int c = 0; c < columnCount(); ++c) {
            const QString text = footerText(c);
            if (text.isEmpty()) continue;
            const Qt::Alignment align = footerNumber(c) ? Qt::AlignRight : Qt::AlignLeft;
            placeText(page, text, cellRect(c, y, footerRowHeight_), align, 0, kFooterRow, c);
        }
        y += footerRowHeight_;
        rule(y);
    }
    if (options.gridLines)
        for (double x : xs) line(x, tableTop, x, y);
    // The column footer under the table, the page footer at the foot of the page.
    placeBand(page, columnFooter, y + kPadY, index);
    placeBand(page, pageFooter, setup.height() - setup.marginBottom - pageFooterHeight_, index);
    return page;
}

QString checkGlyph(bool checked) { return checked ? QStringLiteral("√") : QStringLiteral("□"); }

void scalePainter(QPainter& painter, double dpi) { painter.scale(dpi / kUnitsPerInch, dpi / kUnitsPerInch); }

void paintPage(QPainter& painter, const Report& report, const Page& page, double dpi) {
    painter.save();
    std::vector<QFont> fonts;
    for (const FontSpec& spec : report.fonts()) fonts.push_back(deviceFont(spec, dpi));
    QPen pen(Qt::black, kLineWidth);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    int currentFont = -1;
    for (const PageItem& item : page.items) {
        switch (item.kind) {
        case ItemKind::Line: painter.drawLine(item.rect.topLeft(), item.rect.bottomRight()); break;
        case ItemKind::CheckBox: {
            painter.drawRect(item.rect);
            if (item.checked) {
                const QRectF& r = item.rect;
                QPainterPath tick;
                tick.moveTo(r.left() + r.width() * 0.2, r.top() + r.height() * 0.5);
                tick.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.75);
                tick.lineTo(r.left() + r.width() * 0.82, r.top() + r.height() * 0.22);
                painter.drawPath(tick);
            }
            break;
        }
        case ItemKind::Text:
            if (item.font != currentFont) {
                currentFont = item.font;
                painter.setFont(fonts[static_cast<std::size_t>(item.font)]);
            }
            if (item.clip) {
                painter.save();
                painter.setClipRect(item.rect, Qt::IntersectClip);
                painter.drawText(item.origin, item.text);
                painter.restore();
            } else {
                painter.drawText(item.origin, item.text);
            }
            break;
        }
    }
    painter.restore();
}

}  // namespace trunaccount::report
