// Exports of a report: plain text, RTF, CSV (";" between fields), BMP, JPEG,
// PDF, XLSX (one sheet per page), WMF and EMF. Each is written to temporary
// files beside its target and renamed when complete, so a failed or cancelled
// export leaves no file; pictures and metafiles write one file per page, with
// the page number in the name when there are several pages.
#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "report/report.h"

namespace trunaccount::report {

enum class ExportFormat { Text, Rtf, Csv, Bmp, Jpeg, Pdf, Xlsx, Wmf, Emf };

struct ExportFormatInfo {
    ExportFormat format;
    QString caption;  // as the export dialog lists it
    QString suffix;   // without the dot
};
const std::vector<ExportFormatInfo>& exportFormats();
const ExportFormatInfo& formatInfo(ExportFormat format);

// The export format a file name's suffix names, in any letter case ("jpeg" is
// JPEG too); none for another suffix or none. The spreadsheet has its own
// command and is not named here.
std::optional<ExportFormat> exportFormatNamed(const QString& path);

// Writes the report in the format to `path` (pages numbered into the name
// where the format has one file per page) and returns the files written.
// Raises ReportError (with a message for the user) or ReportCancelled; then no
// file of the export is left.
QStringList exportReport(Report& report, ExportFormat format, const QString& path, const Progress& progress = {});

// The files a format writes for a report of `pages` pages at `path`.
QStringList exportFileNames(ExportFormat format, const QString& path, int pages);

// Draws every page into a PDF on the device.
void writePdf(Report& report, QIODevice& device, const Progress& progress = {});

// Files written beside their targets under temporary names and renamed over
// them together; those not committed are removed.
class OutputFiles {
public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();
    // The temporary path to write for `target`. Raises ReportError when the
    // folder cannot take the file.
    QString add(const QString& target);
    void commit();

private:
    std::vector<std::pair<QString, QString>> files_;  // temporary, target
    bool committed_ = false;
};

}  // namespace trunaccount::report
