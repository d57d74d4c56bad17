#include "report/report_table.h"

#include <cmath>
#include <cstdio>

#include "widgets/data_grid.h"

namespace trunaccount::report {

bool ReportTable::checked(int row, int column) const {
    const ReportColumn& c = columns()[static_cast<std::size_t>(column)];
    return c.checkBox && QString::fromStdString(text(row, column)) == c.checkedValue;
}

std::string MemoryTable::text(int row, int column) const {
    const auto& r = rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < r.size() ? r[static_cast<std::size_t>(column)].text : std::string();
}

std::optional<double> MemoryTable::number(int row, int column) const {
    const auto& r = rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < r.size() ? r[static_cast<std::size_t>(column)].number : std::nullopt;
}

QString MemoryTable::footerText(int column) const {
    return static_cast<std::size_t>(column) < footer.size()
               ? QString::fromStdString(footer[static_cast<std::size_t>(column)].text)
               : QString();
}

std::optional<double> MemoryTable::footerNumber(int column) const {
    return static_cast<std::size_t>(column) < footer.size() ? footer[static_cast<std::size_t>(column)].number
                                                            : std::nullopt;
}

GridTable::GridTable(const DataGrid& grid) : grid_(grid) {
    for (int i = 0; i < grid.columnCount(); ++i) {
        const GridColumn& gc = grid.column(i);
        if (!gc.visible()) continue;
        ReportColumn c;
        c.title = gc.title();
        c.width = gc.width();
        c.checkBox = gc.checkBox();
        c.checkedValue = gc.checkedValue();
        const Field* f = gc.field();
        c.numeric = f && !f->isText() && !gc.checkBox();
        if (c.numeric && !f->format().isGeneral()) c.decimals = f->format().minDecimals();
        c.align = c.checkBox ? Qt::AlignHCenter : c.numeric ? Qt::AlignRight : Qt::AlignLeft;
        columns_.push_back(c);
        gridColumn_.push_back(i);
        fields_.push_back(f);
    }
}

int GridTable::rowCount() const {
    const ClientDataSet* ds = grid_.dataset();
    return ds && ds->active() ? ds->recordCount() : 0;
}

std::string GridTable::text(int row, int column) const {
    const Field* f = fields_[static_cast<std::size_t>(column)];
    if (!f) return {};
    const RecordId r = grid_.dataset()->recordAt(row);
    return columns_[static_cast<std::size_t>(column)].checkBox ? f->asStringAt(r) : f->displayTextAt(r);
}

std::optional<double> GridTable::number(int row, int column) const {
    if (!columns_[static_cast<std::size_t>(column)].numeric) return std::nullopt;
    const Field* f = fields_[static_cast<std::size_t>(column)];
    const RecordId r = grid_.dataset()->recordAt(row);
    if (!f || f->isNullAt(r)) return std::nullopt;
    return f->floatAt(r);
}

QString GridTable::footerText(int column) const { return grid_.footerText(gridColumn_[static_cast<std::size_t>(column)]); }

std::optional<double> GridTable::footerNumber(int column) const {
    const GridColumn& gc = grid_.column(gridColumn_[static_cast<std::size_t>(column)]);
    if (gc.footerValueType() != fvtSum && gc.footerValueType() != fvtCount) return std::nullopt;
    bool ok = false;
    const double v = footerText(column).toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

std::string formatNumber(double value, int decimals) {
    char buffer[64];
    if (decimals >= 0) {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        std::string s(buffer);
        // No "-0.00" for an amount that rounds to zero.
        if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
        return s;
    }
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

}  // namespace trunaccount::report
