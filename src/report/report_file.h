// The prepared-report file: a report saved from the preview with everything
// needed to show, print and export it again without the database (settings,
// bands, variables, columns and every cell). Format: UTF-8 JSON lines, see README.
#pragma once

#include <QString>
#include <memory>

#include "report/report.h"

namespace trunaccount::report {

inline constexpr const char* kReportFileSuffix = "tarpt";

// Raises ReportError or ReportCancelled; a failed save leaves no file.
void saveReport(Report& report, const QString& path, const Progress& progress = {});
// Raises ReportError for a file that is not a saved report.
std::unique_ptr<Report> loadReport(const QString& path);

}  // namespace trunaccount::report
