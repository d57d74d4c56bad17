// Printing a report without a dialog: to the printer of that name, to the
// system's default printer for an empty name, or, for "file:" followed by a
// path, into a PDF file at that path.
#pragma once

#include <QString>

#include "report/report.h"

namespace trunaccount::report {

// Raises ReportError when there is no such printer (nothing is printed) or the
// file cannot be written, ReportCancelled when the progress says stop.
void printReport(Report& report, const QString& printerName, const Progress& progress = {});

}  // namespace trunaccount::report
