#include "report/report.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QPainterPath>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace trunaccount::report {

namespace {

constexpr double kPadX = 8;   // room left and right of a cell's text
constexpr double kPadY = 5;   // above and below
constexpr double kCheckSize = 28;
constexpr double kLineWidth = 2;
// Text this much wider than its room still fits (widths are summed in different orders).
constexpr double kFitSlack = 0.01;
// The smallest size a number is shrunk to.
constexpr double kSmallestPoints = 3;

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

int Report::fontIndex(const FontSpec& fontDef) {
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == fontDef) return static_cast<int>(i);
    fonts_.push_back(fontDef);
    return static_cast<int>(fonts_.size()) - 1;
}

const TextMeasure& Report::measure(int font) const {
    const auto i = static_cast<std::size_t>(font);
    if (measures_.size() <= i) measures_.resize(i + 1);
    if (!measures_[i] || !(measures_[i]->font() == fonts_[i])) measures_[i] = std::make_unique<TextMeasure>(fonts_[i]);
    return *measures_[i];
}

std::vector<std::pair<qsizetype, qsizetype>> Report::cellLines(const QString& text, int font, double width) const {
    return measure(font).lineRanges(text, options.wordWrap ? width + kFitSlack : std::numeric_limits<double>::infinity());
}

double Report::bandHeight(const Band& band) {
    double content = 0;
    for (const TemplateLine& line : band.lines) content += measure(fontIndex(line.font)).lineSpacing();
    return std::max(band.height * kUnitsPerScreenPixel, content);
}

double Report::rowHeight(int row) const {
    if (totalsOnly) return 0;
    return rowHeights_.empty() ? oneLineRow_ : rowHeights_[static_cast<std::size_t>(row)];
}

void Report::fitColumns(const std::vector<double>& rowsLeast, const std::vector<double>& totalsLeast) {
    const double printable = setup.width() - setup.marginLeft - setup.marginRight;
    const std::size_t n = widths_.size();
    std::vector<double> least(n);
    for (std::size_t c = 0; c < n; ++c) least[c] = std::max(rowsLeast[c], totalsLeast[c]);
    if (!options.fitColumns) {
        for (std::size_t c = 1; c < n; ++c) widths_[c] = std::max(widths_[c], least[c]);
        return;
    }
    // The row numbers keep their width; the grid's columns share the rest in
    // proportion to their widths on screen, as long as every number fits.
    const double room = std::max(printable - widths_[0], 1.0);
    double total = 0;
    for (std::size_t c = 1; c < n; ++c) total += widths_[c];
    const double scale = room / total;
    auto proportional = [&](const std::vector<double>& need) {
        for (std::size_t c = 1; c < n; ++c)
            if (widths_[c] * scale < need[c]) return false;
        return true;
    };
    // Otherwise the columns holding numbers take the room their widest number
    // needs and the columns of text share what is left: the scale of their
    // screen widths then, negative when the numbers alone overflow the page.
    auto sumNeeds = [&](const std::vector<double>& need, double& numbers, double& texts) {
        numbers = texts = 0;
        for (std::size_t c = 1; c < n; ++c) (need[c] > 0 ? numbers : texts) += need[c] > 0 ? need[c] : widths_[c];
    };
    auto textScale = [&](const std::vector<double>& need) {
        if (proportional(need)) return scale;
        double numbers = 0, texts = 0;
        sumNeeds(need, numbers, texts);
        if (numbers >= room) return -1.0;
        return texts > 0 ? (room - numbers) / texts : std::numeric_limits<double>::infinity();
    };
    // A year's totals are much wider than any row: when making room for them
    // would take more than a fifth of the text columns' width on every page, it
    // is the totals that are printed smaller.
    if (textScale(least) < 0.8 * textScale(rowsLeast)) least = rowsLeast;
    if (proportional(least)) {
        for (std::size_t c = 1; c < n; ++c) widths_[c] *= scale;
        return;
    }
    double numbers = 0, texts = 0;
    sumNeeds(least, numbers, texts);
    if (numbers < room) {
        // (Only numbers: what is left goes to them in proportion.)
        const double spare = (room - numbers) / (texts > 0 ? texts : total);
        for (std::size_t c = 1; c < n; ++c)
            widths_[c] = texts > 0 ? (least[c] > 0 ? least[c] : widths_[c] * spare) : least[c] + widths_[c] * spare;
        return;
    }
    // Not even the numbers fit: every column in proportion to what it needs; a
    // number wider than its cell is then printed smaller.
    total = 0;
    for (std::size_t c = 1; c < n; ++c) total += std::max(widths_[c], least[c]);
    for (std::size_t c = 1; c < n; ++c) widths_[c] = std::max(widths_[c], least[c]) * room / total;
}

void Report::placeFooterTexts() {
    const int columns = columnCount();
    std::vector<double> xs{0};
    for (double w : widths_) xs.push_back(xs.back() + w);
    auto edge = [&](int c) { return xs[static_cast<std::size_t>(c)]; };
    footerBoxes_.clear();
    footerJoined_.assign(xs.size(), false);
    const TextMeasure& m = measure(0);
    const double gap = m.width(u"  ");
    auto isText = [&](int c) { return c < columns && !footerText(c).isEmpty() && !footerNumber(c); };
    for (int c = 1; c < columns;) {
        if (!isText(c)) {
            if (!footerText(c).isEmpty()) footerBoxes_.push_back({c, edge(c), edge(c + 1)});
            ++c;
            continue;
        }
        // Texts in adjacent columns ("合计:13条", "已勾:0条", …), then empty cells.
        int last = c;
        while (isText(last + 1)) ++last;
        int end = last;
        while (end + 1 < columns && footerText(end + 1).isEmpty()) ++end;
        std::vector<double> natural;  // negative: the text holds a line break
        double needed = 2 * kPadX - gap;
        for (int i = c; i <= last; ++i) {
            natural.push_back(m.width(footerText(i).toStdString()));
            needed = natural.back() < 0 ? std::numeric_limits<double>::infinity() : needed + natural.back() + gap;
        }
        // On one line across their columns and the empty ones when they fit
        // there; else each in its cell, the last running over the empty ones.
        const bool oneLine = needed <= edge(end + 1) - edge(c) + kFitSlack;
        double x = edge(c);
        for (int i = c; i <= last; ++i) {
            const double w = natural[static_cast<std::size_t>(i - c)];
            const double right = i == last ? edge(end + 1) : oneLine ? x + w + 2 * kPadX : edge(i + 1);
            footerBoxes_.push_back({i, oneLine ? x : edge(i), right});
            x += w + gap;
        }
        for (int j = oneLine ? c + 1 : last + 1; j <= end; ++j) footerJoined_[static_cast<std::size_t>(j)] = true;
        c = end + 1;
    }
}

void Report::layout(const Progress& progress) {
    laidOut_ = false;
    fonts_.assign(1, cellFont);
    measures_.clear();
    glyphCache_.clear();
    const TextMeasure& cell = measure(0);
    lineHeight_ = cell.lineSpacing();
    oneLineRow_ = lineHeight_ + 2 * kPadY;

    const int rows = table_->rowCount();
    const int columns = columnCount();
    const double printable = setup.width() - setup.marginLeft - setup.marginRight;
    if (printable <= 0 || setup.height() - setup.marginTop - setup.marginBottom <= 0)
        throw ReportError("页边距太大，页面上没有可打印的地方");

    // One reading of every printed cell: its width on one line (negative when
    // it holds line breaks), and for each column the widest cell that is a number.
    std::vector<double> rowsLeast(static_cast<std::size_t>(columns), 0), totalsLeast = rowsLeast;
    std::vector<int> textColumns;
    for (int c = 1; c < columns; ++c)
        if (!columnCheckBox(c)) textColumns.push_back(c);
    const std::size_t stride = textColumns.size();
    std::vector<double> cellWidths;
    const bool rowsShown = !totalsOnly;
    if (rowsShown && options.wordWrap) cellWidths.resize(static_cast<std::size_t>(rows) * stride);
    auto widen = [](std::vector<double>& least, int c, double width, bool number) {
        if (number) least[static_cast<std::size_t>(c)] = std::max(least[static_cast<std::size_t>(c)], width + 2 * kPadX);
    };
    if (rowsShown) {
        for (int r = 0; r < rows; ++r) {
            for (std::size_t j = 0; j < stride; ++j) {
                bool number = false;
                const double w = cell.width(cellText(r, textColumns[j]), &number);
                widen(rowsLeast, textColumns[j], w, number);
                if (!cellWidths.empty()) cellWidths[static_cast<std::size_t>(r) * stride + j] = w;
            }
            if (progress && (r & 4095) == 4095 && !progress(r / 2, rows)) throw ReportCancelled();
        }
    }
    for (int c = 1; c < columns; ++c) {
        bool number = false;
        const double w = cell.width(footerText(c).toStdString(), &number);
        widen(totalsLeast, c, w, number);
    }

    // Columns: the row numbers as wide as the largest number, the grid's
    // columns as wide as on screen, fitted to the printable width.
    widths_.clear();
    const QString widest = QString(QString::number(std::max(rows, 1)).size(), QLatin1Char('9'));
    widths_.push_back(std::max(cell.width(widest), cell.width(options.rowNumberCaption)) + 2 * kPadX);
    for (const ReportColumn& c : table_->columns()) widths_.push_back(std::max(c.width, 1.0) * kUnitsPerScreenPixel);
    fitColumns(rowsLeast, totalsLeast);

    placeFooterTexts();
    titleHeight_ = 0;
    footerRowHeight_ = 0;
    for (int c = 0; c < columns; ++c) {
        const double inner = widths_[static_cast<std::size_t>(c)] - 2 * kPadX;
        titleHeight_ = std::max(titleHeight_, static_cast<double>(cellLines(columnTitle(c), 0, inner).size()));
    }
    for (const FooterBox& box : footerBoxes_)
        footerRowHeight_ = std::max(
            footerRowHeight_, static_cast<double>(cellLines(footerText(box.column), 0, box.right - box.left - 2 * kPadX).size()));
    titleHeight_ = std::max(titleHeight_, 1.0) * lineHeight_ + 2 * kPadY;
    footerRowHeight_ = std::max(footerRowHeight_, 1.0) * lineHeight_ + 2 * kPadY;
    headerHeight_ = bandHeight(pageHeader);
    columnFooterHeight_ = bandHeight(columnFooter);
    pageFooterHeight_ = bandHeight(pageFooter);

    // Row heights: one line, unless a cell is wider than its column (only
    // those are broken into lines).
    rowHeights_.clear();
    if (!cellWidths.empty()) {
        bool anyTaller = false;
        std::vector<float> heights(static_cast<std::size_t>(rows), static_cast<float>(oneLineRow_));
        std::vector<double> inner;
        for (int c : textColumns) inner.push_back(widths_[static_cast<std::size_t>(c)] - 2 * kPadX + kFitSlack);
        for (int r = 0; r < rows; ++r) {
            std::size_t lines = 1;
            for (std::size_t j = 0; j < stride; ++j) {
                const double w = cellWidths[static_cast<std::size_t>(r) * stride + j];
                if (w >= 0 && w <= inner[j]) continue;
                const int c = textColumns[j];
                lines = std::max(lines, cellLines(QString::fromStdString(cellText(r, c)), 0, inner[j] - kFitSlack).size());
            }
            if (lines > 1) {
                heights[static_cast<std::size_t>(r)] = static_cast<float>(static_cast<double>(lines) * lineHeight_ + 2 * kPadY);
                anyTaller = true;
            }
            if (progress && (r & 4095) == 4095 && !progress(rows / 2 + r / 2, rows)) throw ReportCancelled();
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
                       int column) {
    const FontSpec fontDef = fonts_[static_cast<std::size_t>(font)];
    const QRectF inner = cell.adjusted(kPadX, kPadY, -kPadX, -kPadY);
    const TextMeasure& m = measure(font);
    double y = inner.top() + m.ascent();
    for (const auto& [from, to] : cellLines(text, font, inner.width())) {
        if (from == to) {
            y += m.lineSpacing();
            continue;
        }
        PageItem item;
        item.kind = ItemKind::Text;
        item.font = font;
        item.row = row;
        item.column = column;
        item.rect = cell;
        item.text = text.mid(from, to - from);
        double w = m.width(item.text);
        // A number is never broken: one wider than its cell is printed smaller.
        if (w > inner.width() + kFitSlack && isNumberLike(item.text)) {
            FontSpec smaller = fontDef;
            smaller.pointSize = std::max(kSmallestPoints, std::floor(fontDef.pointSize * inner.width() / w * 4) / 4);
            item.font = fontIndex(smaller);
            w = measure(item.font).width(item.text);
        }
        double x = inner.left();
        if (align & Qt::AlignRight) x = inner.right() - w;
        else if (align & Qt::AlignHCenter) x = inner.left() + (inner.width() - w) / 2;
        item.origin = QPointF(x, y);
        item.clip = w > inner.width() + kFitSlack || y + m.descent() > cell.bottom();
        page.items.push_back(std::move(item));
        y += m.lineSpacing();
    }
}

double Report::placeBand(Page& page, const Band& band, double top, int pageIndex) {
    const double left = setup.marginLeft;
    const double width = setup.width() - setup.marginLeft - setup.marginRight;
    double y = top;
    for (const TemplateLine& line : band.lines) {
        const int font = fontIndex(line.font);
        const TextMeasure& m = measure(font);
        for (const QString& text : splitLines(resolve(line.text, pageIndex))) {
            const QRectF cell(left - kPadX, y - kPadY, width + 2 * kPadX, m.lineSpacing() + 2 * kPadY);
            if (!text.isEmpty()) {
                PageItem item;
                item.font = font;
                item.rect = cell;
                const double w = m.width(text);
                double x = left;
                if (line.align & Qt::AlignRight) x = left + width - w;
                else if (line.align & Qt::AlignHCenter) x = left + (width - w) / 2;
                item.origin = QPointF(x, y + m.ascent());
                item.text = text;
                item.clip = w > width;
                page.items.push_back(std::move(item));
            }
            y += m.lineSpacing();
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
                // Level with the row's first line, where its texts start.
                const double middle = std::min(cell.center().y(), cell.top() + kPadY + lineHeight_ / 2);
                box.rect = QRectF(cell.center().x() - s / 2, middle - s / 2, s, s);
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
    const double footerTop = y;
    if (range.footerRow) {
        for (const FooterBox& box : footerBoxes_) {
            const Qt::Alignment align = footerNumber(box.column) ? Qt::AlignRight : Qt::AlignLeft;
            placeText(page, footerText(box.column), QRectF(tableLeft + box.left, y, box.right - box.left, footerRowHeight_),
                      align, 0, kFooterRow, box.column);
        }
        y += footerRowHeight_;
        rule(y);
    }
    // No line crosses a totals text that runs over several cells.
    if (options.gridLines)
        for (std::size_t j = 0; j < xs.size(); ++j)
            line(xs[j], tableTop, xs[j], range.footerRow && footerJoined_[j] ? footerTop : y);
    // The column footer under the table, the page footer at the foot of the page.
    placeBand(page, columnFooter, y + kPadY, index);
    placeBand(page, pageFooter, setup.height() - setup.marginBottom - pageFooterHeight_, index);
    return page;
}

QString checkGlyph(bool checked) { return checked ? QStringLiteral("√") : QStringLiteral("□"); }

void scalePainter(QPainter& painter, double dpi) { painter.scale(dpi / kUnitsPerInch, dpi / kUnitsPerInch); }

const std::vector<QGlyphRun>& Report::glyphs(int font, const QString& text) const {
    const auto key = qMakePair(font, text);
    if (auto it = glyphCache_.constFind(key); it != glyphCache_.constEnd()) return *it;
    if (glyphCache_.size() >= 20000) glyphCache_.clear();  // a year's list holds mostly distinct texts
    QTextLayout layout(text, layoutFont(fonts_[static_cast<std::size_t>(font)]), layoutDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    std::vector<QGlyphRun> runs;
    for (QGlyphRun run : layout.glyphRuns()) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p.ry() -= line.ascent();
        run.setPositions(positions);
        runs.push_back(run);
    }
    return *glyphCache_.insert(key, std::move(runs));
}

void paintPage(QPainter& painter, const Report& report, const Page& page, double dpi) {
    painter.save();
    QPen pen(Qt::black, kLineWidth);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The page's text is drawn as one run of glyphs for each face: a PDF or a
    // printer then gets one text object a page, not one for each cell.
    struct Glyphs {
        QRawFont face;
        QList<quint32> indexes;
        QList<QPointF> positions;
    };
    std::vector<Glyphs> text;
    auto add = [&](const PageItem& item) {
        for (const QGlyphRun& run : report.glyphs(item.font, item.text)) {
            const QRawFont face = run.rawFont();
            auto it = std::find_if(text.begin(), text.end(), [&](const Glyphs& g) { return g.face == face; });
            if (it == text.end()) it = text.insert(text.end(), Glyphs{face, {}, {}});
            it->indexes += run.glyphIndexes();
            for (const QPointF& p : run.positions()) it->positions.push_back(p + item.origin);
        }
    };
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
            if (item.clip) {
                // Text wider than its cell is cut at the cell's edge.
                painter.save();
                painter.setClipRect(item.rect, Qt::IntersectClip);
                painter.setFont(deviceFont(report.fonts()[static_cast<std::size_t>(item.font)], dpi));
                painter.drawText(item.origin, item.text);
                painter.restore();
            } else {
                add(item);
            }
            break;
        }
    }
    for (const Glyphs& g : text) {
        QGlyphRun run;
        run.setRawFont(g.face);
        run.setGlyphIndexes(g.indexes);
        run.setPositions(g.positions);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    painter.restore();
}

}  // namespace trunaccount::report
