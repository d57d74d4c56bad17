#include "report/report_print.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "report/report_export.h"

namespace trunaccount::report {

void printReport(Report& report, const QString& printerName, const Progress& progress) {
    if (!report.laidOut()) report.layout(progress);
    if (printerName.startsWith(QLatin1String("file:"))) {
        const QString path = printerName.mid(5).trimmed();
        if (path.isEmpty()) throw ReportError("打印文件的路径是空的，未打印。");
        OutputFiles files;
        QFile out(files.add(path));
        if (!out.open(QIODevice::WriteOnly)) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
        writePdf(report, out, progress);
        if (!out.flush()) throw ReportError(QStringLiteral("无法写入文件 %1").arg(path).toStdString());
        out.close();
        files.commit();
        return;
    }
    const QPrinterInfo info = printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        throw ReportError(printerName.isEmpty() ? std::string("没有可用的打印机，未打印。")
                                                : QStringLiteral("找不到打印机“%1”，未打印。").arg(printerName).toStdString());
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QSizeF(report.setup.paperWidth / 10, report.setup.paperHeight / 10), QPageSize::Millimeter));
    printer.setPageOrientation(report.setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(report.variable(QStringLiteral("Title")));
    const int pages = report.pageCount();
    QPainter painter;
    if (!painter.begin(&printer)) throw ReportError(QStringLiteral("打印机“%1”无法打印。").arg(info.printerName()).toStdString());
    const double dpi = printer.resolution();
    scalePainter(painter, dpi);
    for (int p = 0; p < pages; ++p) {
        if (progress && !progress(p, pages)) {
            printer.abort();
            painter.end();
            throw ReportCancelled();
        }
        if (p > 0) printer.newPage();
        paintPage(painter, report, report.page(p), dpi);
    }
    painter.end();
}

}  // namespace trunaccount::report
