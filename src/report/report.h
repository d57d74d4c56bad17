// The report engine's page model. A report lays out a table (report_table.h)
// as pages: a page header band (on the first page only, by default), the
// column titles on every page, the data rows, the table's footer row after the
// last row, a column footer band under the table and a page footer band at the
// bottom. Band lines are templates: "[Name]" shows the report variable Name,
// "[Page#]" the page number and "[TotalPages#]" the number of pages, so the
// pages are counted before any is drawn (two passes).
//
// Every output reads the same pages: the preview, the printer, PDF, images and
// metafiles draw their items; text, CSV, RTF and the spreadsheet read the rows
// and cells of each page's range. Positions are in tenths of a millimetre.
#pragma once

#include <QGlyphRun>
#include <QHash>
#include <QMap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/report_fonts.h"
#include "report/report_table.h"
#include "report/report_text.h"

class QPainter;

namespace trunaccount::report {

// A failure of the engine (layout, printing, an export), shown to the user as it stands.
class ReportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user cancelled a long run.
class ReportCancelled : public ReportError {
public:
    ReportCancelled() : ReportError("cancelled") {}
};

// Told how far a long run is (done of total); answers false to cancel it.
using Progress = std::function<bool(int done, int total)>;

struct TemplateLine {
    QString text;
    FontSpec font;
    Qt::Alignment align = Qt::AlignLeft;
};

struct Band {
    std::vector<TemplateLine> lines;
    double height = 0;  // screen pixels; the band grows to its lines when they need more
};

struct PaperSize {
    QString name;
    double width;   // portrait, tenths of a millimetre
    double height;
};
const std::vector<PaperSize>& paperSizes();

struct PageSetup {
    QString paper = QStringLiteral("A4");
    double paperWidth = 2100;   // tenths of a millimetre, portrait
    double paperHeight = 2970;
    bool landscape = false;
    double marginLeft = 38;     // tenths of a millimetre
    double marginTop = 38;
    double marginRight = 38;
    double marginBottom = 38;
    double width() const { return landscape ? paperHeight : paperWidth; }
    double height() const { return landscape ? paperWidth : paperHeight; }
};

struct ReportOptions {
    bool fitColumns = true;  // columns scaled to the printable width
    bool wordWrap = true;
    bool gridLines = true;
    bool pageHeaderOnFirstPageOnly = true;
    QString rowNumberCaption = QStringLiteral("No");
};

enum class ItemKind : std::uint8_t { Text, Line, CheckBox };

// Rows of the table that items belong to.
inline constexpr int kTitleRow = -2;
inline constexpr int kFooterRow = -3;
inline constexpr int kBandRow = -4;

struct PageItem {
    ItemKind kind = ItemKind::Text;
    bool checked = false;  // CheckBox
    bool clip = false;     // Text wider than its cell: drawn clipped to rect
    int font = 0;          // Text: index into Report::fonts()
    int row = kBandRow;    // table row (or kTitleRow, kFooterRow, kBandRow)
    int column = -1;       // report column, -1 outside the table
    QRectF rect;           // Text: its cell; CheckBox: the box; Line: from topLeft to bottomRight
    QPointF origin;        // Text: left end of the baseline
    QString text;          // Text: one line
};

struct Page {
    int index = 0;
    double width = 0;
    double height = 0;
    std::vector<PageItem> items;
};

// The rows a page holds.
struct PageRange {
    int firstRow = 0;
    int rowCount = 0;
    bool pageHeader = false;
    bool footerRow = false;
};

class Report {
public:
    explicit Report(std::shared_ptr<const ReportTable> table);

    PageSetup setup;
    ReportOptions options;
    Band pageHeader;
    Band columnFooter;
    Band pageFooter;
    FontSpec cellFont;
    // Totals only: the data rows take no room; titles and footer row remain.
    bool totalsOnly = false;

    void setVariable(const QString& name, const QString& value) { variables_[name] = value; }
    QString variable(const QString& name) const { return variables_.value(name); }
    const QMap<QString, QString>& variables() const { return variables_; }

    // Measures every row and breaks the pages (the first pass). Done on demand;
    // settings changed afterwards need invalidate(). Raises ReportCancelled.
    void layout(const Progress& progress = {});
    void invalidate() { laidOut_ = false; }
    bool laidOut() const { return laidOut_; }
    int pageCount();
    const PageRange& pageRange(int index);
    // The items of one page (the second pass), built when asked for.
    Page page(int index);
    // A template line's text for a page (0-based index).
    QString resolve(const QString& text, int pageIndex);

    // The table with the row-number column in front.
    const ReportTable& table() const { return *table_; }
    std::shared_ptr<const ReportTable> tablePointer() const { return table_; }
    int columnCount() const { return static_cast<int>(table_->columns().size()) + 1; }
    QString columnTitle(int column) const;
    bool columnNumeric(int column) const;
    bool columnCheckBox(int column) const;
    int columnDecimals(int column) const;
    std::string cellText(int row, int column) const;
    std::optional<double> cellNumber(int row, int column) const;
    bool cellChecked(int row, int column) const;
    QString footerText(int column) const;
    std::optional<double> footerNumber(int column) const;
    // Column widths in tenths of a millimetre, after fitting (laid out first):
    // the grid's widths scaled to the printable width, a column never narrower
    // than the widest number it prints.
    const std::vector<double>& columnWidths();

    // Fonts the items name.
    const std::vector<FontSpec>& fonts() const { return fonts_; }
    // The glyphs of a text in one of those fonts, placed from the left end of
    // its baseline in layout units; shaped once for each distinct text.
    const std::vector<QGlyphRun>& glyphs(int font, const QString& text) const;

private:
    int fontIndex(const FontSpec& fontDef);
    const TextMeasure& measure(int font) const;
    // The lines of a cell's text in `width`, one for each paragraph without word wrap.
    std::vector<std::pair<qsizetype, qsizetype>> cellLines(const QString& text, int font, double width) const;
    double bandHeight(const Band& band);
    double rowHeight(int row) const;
    void fitColumns(const std::vector<double>& rowsLeast, const std::vector<double>& totalsLeast);
    void placeFooterTexts();
    void placeText(Page& page, const QString& text, const QRectF& cell, Qt::Alignment align, int font, int row,
                   int column);
    double placeBand(Page& page, const Band& band, double top, int pageIndex);

    std::shared_ptr<const ReportTable> table_;
    QMap<QString, QString> variables_;
    std::vector<FontSpec> fonts_;
    mutable std::vector<std::unique_ptr<TextMeasure>> measures_;  // of fonts_, made when first asked for
    mutable QHash<QPair<int, QString>, std::vector<QGlyphRun>> glyphCache_;
    bool laidOut_ = false;
    // Layout results.
    std::vector<double> widths_;
    std::vector<float> rowHeights_;  // empty: every row is one line high
    double oneLineRow_ = 0;
    double titleHeight_ = 0;
    double footerRowHeight_ = 0;
    // Where the totals line's texts stand, from the table's left edge; the
    // column boundaries (indexes into the edges) that a text runs across.
    struct FooterBox {
        int column;
        double left, right;
    };
    std::vector<FooterBox> footerBoxes_;
    std::vector<bool> footerJoined_;
    double headerHeight_ = 0;
    double columnFooterHeight_ = 0;
    double pageFooterHeight_ = 0;
    double lineHeight_ = 0;
    std::vector<PageRange> pages_;
};

// Draws a page: the painter maps one layout unit to dpi / 254 device pixels.
void paintPage(QPainter& painter, const Report& report, const Page& page, double dpi);
// Sets up a painter on a device of `dpi` for paintPage, the page at `offset` device pixels.
void scalePainter(QPainter& painter, double dpi);

// The text a check box stands for in text outputs.
QString checkGlyph(bool checked);

}  // namespace trunaccount::report
