// Small reports for the engine's tests: a table of documents (tick, number,
// supplier, amount) with a totals footer, laid out like the window's report.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "report/report.h"

namespace trunaccount::testing {

// `rows` documents: tick "1" on even rows, number D0001…, supplier names (every
// seventh long enough to wrap), amounts 100.5 + row.
std::shared_ptr<report::MemoryTable> documentTable(int rows);
// The window's bands: centred "[Title]" 22 pt and "[Condi]", the three footer
// lines with the page numbers, an empty page footer.
std::unique_ptr<report::Report> documentReport(int rows);

// The texts of a page, in drawing order.
QStringList pageTexts(const report::Page& page);
// Runs a program and returns its standard output ("" when it cannot run).
QString runTool(const QString& program, const QStringList& arguments);

}  // namespace trunaccount::testing
