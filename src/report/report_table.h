// What a report prints: a table of columns (titles, widths, alignment, check
// boxes), rows of cells read when they are laid out, and one footer row. A
// table built from a data grid reads the grid's dataset as it stands (the
// preview is modal, nothing changes meanwhile); a table read from a saved
// report holds its cells.
#pragma once

#include <QString>
#include <Qt>
#include <optional>
#include <string>
#include <vector>

namespace trunaccount {
class DataGrid;
class Field;
}

namespace trunaccount::report {

struct ReportColumn {
    QString title;         // "\n" breaks it; it also wraps in a narrow column
    double width = 64;     // screen pixels, before the columns are fitted to the page
    Qt::Alignment align = Qt::AlignLeft;
    bool checkBox = false; // cells hold the stored value; checkedValue ticks the box
    QString checkedValue = QStringLiteral("1");
    bool numeric = false;  // cells carry numbers
    int decimals = -1;     // decimals a number shows (-1: general form)
};

class ReportTable {
public:
    virtual ~ReportTable() = default;
    virtual const std::vector<ReportColumn>& columns() const = 0;
    virtual int rowCount() const = 0;
    // The text a cell shows (a check-box cell: its stored value), UTF-8.
    virtual std::string text(int row, int column) const = 0;
    // The number of a numeric cell; none for an empty one.
    virtual std::optional<double> number(int row, int column) const = 0;
    virtual QString footerText(int column) const = 0;
    // The footer as a number, when it is a sum.
    virtual std::optional<double> footerNumber(int column) const { return std::nullopt; }

    bool checked(int row, int column) const;
};

// A table that holds its cells (a saved report, tests).
class MemoryTable final : public ReportTable {
public:
    struct Cell {
        std::string text;
        std::optional<double> number;
    };
    std::vector<ReportColumn> columnList;
    std::vector<std::vector<Cell>> rows;
    std::vector<Cell> footer;

    const std::vector<ReportColumn>& columns() const override { return columnList; }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    std::string text(int row, int column) const override;
    std::optional<double> number(int row, int column) const override;
    QString footerText(int column) const override;
    std::optional<double> footerNumber(int column) const override;
};

// The visible columns of a grid in display order with their titles, the rows of
// its dataset's view, and its footer row.
class GridTable final : public ReportTable {
public:
    explicit GridTable(const DataGrid& grid);
    const std::vector<ReportColumn>& columns() const override { return columns_; }
    int rowCount() const override;
    std::string text(int row, int column) const override;
    std::optional<double> number(int row, int column) const override;
    QString footerText(int column) const override;
    std::optional<double> footerNumber(int column) const override;

private:
    const DataGrid& grid_;
    std::vector<ReportColumn> columns_;
    std::vector<int> gridColumn_;         // grid column of each report column
    std::vector<const Field*> fields_;    // its field (resolved once: fields stay while a report lives)
};

// A number as a cell shows it: fixed decimals, or the general form.
std::string formatNumber(double value, int decimals);

}  // namespace trunaccount::report
