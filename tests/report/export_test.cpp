// Exports read back in the tools that read them (CSV and text as text, the
// spreadsheet's XML, PDF text and fonts through poppler, picture sizes, a walk
// over the metafile records), the prepared-report file, printing into a PDF
// file, and the failures: an unwritable place, a cancelled run, no printer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QProcess>
#include <QTest>
#include <QRegularExpression>
#include <QToolButton>
#include <QtEndian>

#include "platform/gbk.h"
#include "report/report_export.h"
#include "report/report_file.h"
#include "report/report_preview.h"
#include "report/report_print.h"
#include "report_fixture.h"
#include "support/message_box_recorder.h"
#include "support/modal_helper.h"
#include "support/temp_dir.h"

namespace trunaccount::testing {
namespace {

using namespace report;

QString path(const TempDir& dir, const char* name) { return QString::fromStdString(dir.file(name)); }

QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const TempDir& dir) {
    return QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(ReportExport, CsvHasSemicolonsRealValuesAndQuotesWhatNeedsIt) {
    TempDir dir;
    auto r = documentReport(3);
    exportReport(*r, ExportFormat::Csv, path(dir, "list.csv"));
    const QByteArray bytes = readAll(path(dir, "list.csv"));
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);  // titles, three rows, totals
    EXPECT_EQ(lines[0], QStringLiteral("No;勾对;单据号;供应商名称;发票金额"));
    EXPECT_EQ(lines[1], QStringLiteral("1;1;D0001;\"供应商;0\";100.50"));
    EXPECT_EQ(lines[2], QStringLiteral("2;0;D0002;\"供应商;1\";101.50"));
    EXPECT_EQ(lines[4], QStringLiteral(";合计:3条;已勾:0条;;304.50"));
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("list.csv")});
}

TEST(ReportExport, TextPagesHoldTheBandsAndAlignedColumns) {
    TempDir dir;
    auto r = documentReport(150);
    const int pages = r->pageCount();
    exportReport(*r, ExportFormat::Text, path(dir, "list.txt"));
    const QString text = QString::fromUtf8(readAll(path(dir, "list.txt")).mid(3));
    const QStringList pageTexts = text.split(QLatin1Char('\f'));
    ASSERT_EQ(pageTexts.size(), pages);
    EXPECT_TRUE(pageTexts[0].contains(QStringLiteral("收款单明细查询")));
    EXPECT_FALSE(pageTexts[1].contains(QStringLiteral("收款单明细查询")));
    EXPECT_TRUE(pageTexts[1].contains(QStringLiteral("页    数:第2页/共%1页").arg(pages)));
    EXPECT_TRUE(pageTexts.back().contains(QStringLiteral("合计:150条")));
    // The amounts end in one column (Chinese characters take two places).
    auto width = [](const QString& s) {
        int w = 0;
        for (uint c : s.toUcs4()) w += c >= 0x2000 ? 2 : 1;
        return w;
    };
    QList<int> ends;
    for (const QString& line : pageTexts[0].split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("D000"))) ends << width(line);
    ASSERT_GT(ends.size(), 3);
    for (int e : ends) EXPECT_EQ(e, ends.front());
}

TEST(ReportExport, SpreadsheetHasOneSheetPerPageAndNumbersAsNumbers) {
    TempDir dir;
    auto r = documentReport(150);
    const int pages = r->pageCount();
    const QString file = path(dir, "list.xlsx");
    exportReport(*r, ExportFormat::Xlsx, file);
    const QString workbook = runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/workbook.xml")});
    ASSERT_FALSE(workbook.isEmpty()) << "unzip could not read the file";
    EXPECT_EQ(workbook.count(QStringLiteral("<sheet ")), pages);
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"第2页\"")));
    const QString sheet1 = runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/worksheets/sheet1.xml")});
    const QString strings = runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/sharedStrings.xml")});
    // The first document's amount is a number cell, not a string.
    const QRegularExpression amount(QStringLiteral("<c r=\"E\\d+\"[^>]*><v>100.5</v></c>"));
    EXPECT_TRUE(amount.match(sheet1).hasMatch()) << sheet1.left(3000).toStdString();
    EXPECT_FALSE(sheet1.contains(QStringLiteral("t=\"s\"><v>100.5")));
    for (const char* s : {"收款单明细查询", "单据号", "D0001", "供应商;0"}) EXPECT_TRUE(strings.contains(QString::fromUtf8(s))) << s;
    const QString last = runTool(QStringLiteral("unzip"),
                                 {QStringLiteral("-p"), file, QStringLiteral("xl/worksheets/sheet%1.xml").arg(pages)});
    EXPECT_TRUE(last.contains(QStringLiteral("<v>%1</v>").arg(150 * 100.5 + 149 * 150 / 2)));  // the totals
    // The title in its report font, on a row tall enough for it.
    const QString styles = runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/styles.xml")});
    EXPECT_TRUE(styles.contains(QStringLiteral("<sz val=\"22\"/>"))) << styles.toStdString();
    EXPECT_TRUE(styles.contains(QStringLiteral("<name val=\"黑体\"/>")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("<row r=\"1\"[^>]*ht=\"29\\.\\d*\"[^>]*customHeight=\"1\"")).match(sheet1).hasMatch())
        << sheet1.left(600).toStdString();
}

TEST(ReportExport, PdfCarriesTheTextAndEmbedsTheChineseFonts) {
    TempDir dir;
    auto r = documentReport(150);
    const int pages = r->pageCount();
    const QString file = path(dir, "list.pdf");
    exportReport(*r, ExportFormat::Pdf, file);
    const QString text = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    ASSERT_FALSE(text.isEmpty()) << "pdftotext could not read the file";
    EXPECT_EQ(text.count(QLatin1Char('\f')), pages);
    for (const QString& s : {QStringLiteral("收款单明细查询"), QStringLiteral("D0150"), QStringLiteral("合计:150条"),
                             QStringLiteral("第%1页/共%1页").arg(pages), QStringLiteral("张三")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString();
    const QString fonts = runTool(QStringLiteral("pdffonts"), {file});
    const QStringList lines = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    ASSERT_GE(lines.size(), 1) << fonts.toStdString();
    for (const QString& line : lines) EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << "not embedded: " << line.toStdString();
}

TEST(ReportExport, PicturesOnePerPageNumberedInTheName) {
    for (ExportFormat format : {ExportFormat::Bmp, ExportFormat::Jpeg}) {
        TempDir dir;
        auto r = documentReport(150);
        const int pages = r->pageCount();
        const QStringList written = exportReport(*r, format, path(dir, "page.img"));
        ASSERT_EQ(written.size(), pages);
        EXPECT_TRUE(written[1].endsWith(QStringLiteral("/page_2.img")));
        for (const QString& file : written) {
            QImageReader reader(file);
            EXPECT_EQ(reader.format(), format == ExportFormat::Bmp ? QByteArray("bmp") : QByteArray("jpeg"));
            EXPECT_EQ(reader.size(), QSize(794, 1123));  // A4 at 96 dots per inch
        }
        // One page: no number in the name.
        TempDir one;
        EXPECT_EQ(exportReport(*documentReport(2), format, path(one, "page.img")), QStringList{path(one, "page.img")});
    }
}

// The records of an EMF file: type and the texts of its text records.
struct Walk {
    bool wellFormed = false;
    QStringList texts;
    QList<int> advances;  // of each text, summed from its character advances
    int records = 0;
};

Walk walkEmf(const QByteArray& b) {
    Walk w;
    auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    if (b.size() < 108 || u32(0) != 1 || u32(40) != 0x464D4520 || u32(48) != static_cast<quint32>(b.size())) return w;
    qsizetype at = 0;
    quint32 type = 0;
    while (at + 8 <= b.size()) {
        type = u32(at);
        const quint32 size = u32(at + 4);
        if (size < 8 || size % 4 || at + size > b.size()) return w;
        if (type == 84) {  // EMR_EXTTEXTOUTW
            const quint32 chars = u32(at + 44), offset = u32(at + 48), offDx = u32(at + 72);
            w.texts << QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + at + offset), chars);
            int advance = 0;
            for (quint32 i = 0; i < chars; ++i) advance += static_cast<qint32>(u32(at + offDx + 4 * i));
            w.advances << advance;
        }
        ++w.records;
        at += size;
    }
    w.wellFormed = at == b.size() && type == 14 && static_cast<quint32>(w.records) == u32(52);
    return w;
}

Walk walkWmf(const QByteArray& b) {
    Walk w;
    auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    if (b.size() < 40 || u32(0) != 0x9AC6CDD7u) return w;
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= u16(i);
    if (sum != u16(20) || u16(22) != 1 || u16(24) != 9 || u32(28) * 2 + 22 != static_cast<quint32>(b.size())) return w;
    qsizetype at = 40;
    quint16 function = 0xFFFF;
    while (at + 6 <= b.size()) {
        const quint32 words = u32(at);
        function = u16(at + 4);
        if (words < 3 || at + words * 2 > b.size()) return w;
        if (function == 0x0A32) {  // META_EXTTEXTOUT: the text, then an advance for each of its bytes
            const quint16 length = u16(at + 10), options = u16(at + 12);
            const qsizetype text = at + 14 + (options & 4 ? 8 : 0);
            const qsizetype dx = text + (length + 1) / 2 * 2;
            if (dx + 2 * length != at + words * 2) return w;
            w.texts << QString::fromStdString(platform::gbkToUtf8(std::string(b.constData() + text, length)));
            int advance = 0;
            for (quint16 i = 0; i < length; ++i) advance += qFromLittleEndian<qint16>(b.constData() + dx + 2 * i);
            w.advances << advance;
        }
        ++w.records;
        at += words * 2;
        if (function == 0) break;
    }
    w.wellFormed = at == b.size() && function == 0;
    return w;
}

TEST(ReportExport, MetafilesAreWellFormedRecordsWithThePageTexts) {
    TempDir dir;
    auto r = documentReport(150);
    const int pages = r->pageCount();
    const QStringList emf = exportReport(*r, ExportFormat::Emf, path(dir, "page.emf"));
    const QStringList wmf = exportReport(*r, ExportFormat::Wmf, path(dir, "page.wmf"));
    ASSERT_EQ(emf.size(), pages);
    ASSERT_EQ(wmf.size(), pages);
    for (int p : {0, pages - 1}) {
        const QStringList expected = pageTexts(r->page(p));
        const Walk e = walkEmf(readAll(emf[p])), w = walkWmf(readAll(wmf[p]));
        for (const Walk& walk : {e, w}) {
            EXPECT_TRUE(walk.wellFormed) << "page " << p;
            EXPECT_EQ(walk.texts, expected) << "page " << p;
        }
        // Both place the characters as the report does, whatever font the reader has.
        EXPECT_EQ(w.advances, e.advances) << "page " << p;
        for (int a : e.advances) EXPECT_GT(a, 0);
    }
    EXPECT_TRUE(walkEmf(readAll(emf[0])).texts.contains(QStringLiteral("收款单明细查询")));
}

TEST(ReportExport, RtfHasTheTableRowsAndOnePagePerPage) {
    TempDir dir;
    auto r = documentReport(150);
    const int pages = r->pageCount();
    exportReport(*r, ExportFormat::Rtf, path(dir, "list.rtf"));
    const QByteArray rtf = readAll(path(dir, "list.rtf"));
    ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_EQ(rtf.count("\\sect\\sectd\\sbkpage\n"), pages - 1);
    EXPECT_EQ(rtf.count("\\row\n"), 150 + pages + 1);  // rows, a title row a page, the totals
    EXPECT_TRUE(rtf.contains("D0001\\cell"));
    // Chinese as Unicode escapes: 收 is U+6536.
    EXPECT_TRUE(rtf.contains("\\u25910?"));
    int depth = 0;
    for (char c : rtf) depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    EXPECT_EQ(depth, 0);
}

TEST(ReportExport, FailuresAndCancellingLeaveNoFileAndKeepAnOlderOne) {
    TempDir dir;
    for (const auto& f : exportFormats()) {
        auto r = documentReport(150);
        SCOPED_TRACE(f.suffix.toStdString());
        // A folder that does not exist.
        EXPECT_THROW(exportReport(*r, f.format, path(dir, "missing/list.") + f.suffix), ReportError);
        // Cancelled halfway: the file that was there stays as it was.
        const QString target = path(dir, "list.") + f.suffix;
        TempDir::writeFile(target.toStdString(), "older");
        int calls = 0;
        EXPECT_THROW(exportReport(*r, f.format, target, [&](int, int) { return ++calls < 2; }), ReportCancelled);
        EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("list.") + f.suffix});
        EXPECT_EQ(readAll(target), QByteArray("older"));
        QFile::remove(target);
    }
}

TEST(ReportExport, FilesAreMadeAsNewFilesAreOrKeepThePermissionsOfTheFileTheyReplace) {
    TempDir dir;
    auto r = documentReport(3);
    QFile plain(path(dir, "plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    exportReport(*r, ExportFormat::Csv, path(dir, "new.csv"));
    EXPECT_EQ(QFile::permissions(path(dir, "new.csv")), QFile::permissions(path(dir, "plain")));

    const QString kept = path(dir, "kept.csv");
    TempDir::writeFile(kept.toStdString(), "older");
    const QFile::Permissions ownerAndGroup = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                             QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(kept, ownerAndGroup));
    exportReport(*r, ExportFormat::Csv, kept);
    EXPECT_EQ(QFile::permissions(kept), ownerAndGroup);
    EXPECT_NE(readAll(kept), QByteArray("older"));
}

TEST(ReportFile, SavedReportReopensWithTheSamePagesWithoutItsSource) {
    TempDir dir;
    auto r = documentReport(150);
    r->setVariable(QStringLiteral("Condi"), QStringLiteral("查询条件:\r\n    制单日期:从2025-01-01至2025-01-10"));
    r->setup.landscape = true;
    const QString file = path(dir, "list.tarpt");
    saveReport(*r, file);
    std::unique_ptr<Report> back = loadReport(file);
    ASSERT_EQ(back->pageCount(), r->pageCount());
    for (int p : {0, 1, r->pageCount() - 1}) EXPECT_EQ(pageTexts(back->page(p)), pageTexts(r->page(p))) << "page " << p;
    EXPECT_TRUE(back->setup.landscape);
    EXPECT_EQ(back->cellNumber(0, 4), std::optional<double>(100.5));
    EXPECT_TRUE(back->cellChecked(0, 1));

    TempDir::writeFile(dir.file("other.tarpt"), "{\"format\":\"something else\"}\n");
    EXPECT_THROW(loadReport(path(dir, "other.tarpt")), ReportError);
    EXPECT_THROW(loadReport(path(dir, "none.tarpt")), ReportError);
}

// The preview's "导出": the type shown in the file dialog and the name typed.
struct NamedExport {
    const char* name;
    ExportFormat shown;
    const char* typed;
    const char* written;
    const char* magic;  // the first bytes of the file written
};
const NamedExport kNamedExports[] = {
    {"SuffixOfAnotherFormatWins", ExportFormat::Text, "月报.pdf", "月报.pdf", "%PDF"},
    {"SuffixInCapitalsAndJpegSpelledOut", ExportFormat::Csv, "月报.JPEG", "月报.JPEG", "\xff\xd8\xff"},
    {"NoSuffixTakesTheTypeShown", ExportFormat::Pdf, "月报", "月报.pdf", "%PDF"},
    {"UnknownSuffixKeepsItAndAddsTheTypeShown", ExportFormat::Csv, "月报.2025", "月报.2025.csv", "\xEF\xBB\xBFNo;"},
};

void PrintTo(const NamedExport& c, std::ostream* os) { *os << c.name; }

class PreviewExport : public ::testing::TestWithParam<NamedExport> {};

TEST_P(PreviewExport, WritesTheFormatTheNameSaysOrElseTheTypeShown) {
    const NamedExport& c = GetParam();
    TempDir dir;
    MessageBoxRecorder boxes;
    TReportPreview preview(documentReport(3), QString());
    preview.show();
    bool asked = false;
    whenModal([&](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        if (!files) {
            w->close();
            return;
        }
        asked = true;
        files->selectNameFilter(formatInfo(c.shown).caption);
        files->selectFile(path(dir, c.typed));
        static_cast<QDialog*>(files)->accept();  // the dialog's own checks of the name run
    });
    auto* button = preview.findChild<QToolButton*>(QStringLiteral("pbSuperExp"));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_TRUE(asked);
    EXPECT_EQ(filesIn(dir), QStringList{QString::fromUtf8(c.written)});
    EXPECT_TRUE(readAll(path(dir, c.written)).startsWith(c.magic));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "已导出到 " + dir.file(c.written));
}
INSTANTIATE_TEST_SUITE_P(Names, PreviewExport, ::testing::ValuesIn(kNamedExports),
                         [](const auto& info) { return std::string(info.param.name); });

// "导出Excel" and the desktop's opener (a stand-in xdg-open on the PATH):
// the user hears where the file went exactly when nothing opened it.
struct SpreadsheetOpener {
    const char* name;
    const char* script;  // the opener's body; none: no opener on the PATH
    bool told;
};
const SpreadsheetOpener kOpeners[] = {
    {"OpenedSaysNothing", "echo \"$1\" > \"${0%/*}/opened\"; exit 0", false},
    {"NoApplicationForTheFile", "exit 3", true},
    {"NoOpenerAtAll", nullptr, true},
};

void PrintTo(const SpreadsheetOpener& c, std::ostream* os) { *os << c.name; }

class PreviewSpreadsheet : public ::testing::TestWithParam<SpreadsheetOpener> {};

TEST_P(PreviewSpreadsheet, IsOpenedOrTheUserIsToldWhereItWent) {
    const SpreadsheetOpener& c = GetParam();
    TempDir bin, dir;
    if (c.script) {
        const std::string opener = bin.file("xdg-open");
        TempDir::writeFile(opener, std::string("#!/bin/sh\n") + c.script + "\n");
        QFile::setPermissions(QString::fromStdString(opener), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()));
    MessageBoxRecorder boxes;
    {
        TReportPreview preview(documentReport(3), QString());
        preview.show();
        whenModal([&](QWidget* w) {
            if (auto* files = qobject_cast<QFileDialog*>(w)) {
                files->selectFile(path(dir, "月报"));
                static_cast<QDialog*>(files)->accept();
            } else {
                w->close();
            }
        });
        preview.findChild<QToolButton*>(QStringLiteral("pbSaveToXLS"))->click();
        // The opener has ended and been answered.
        EXPECT_TRUE(QTest::qWaitFor([&] { return preview.findChildren<QProcess*>().isEmpty(); }, 10000));
    }
    qputenv("PATH", searchPath);
    const std::string file = dir.file("月报.xlsx");
    EXPECT_TRUE(readAll(QString::fromStdString(file)).startsWith("PK"));
    if (c.told) {
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"已导出到 " + file + "\n没有可以打开它的电子表格程序。"});
    } else {
        EXPECT_TRUE(boxes.texts().empty());
        EXPECT_EQ(TempDir::readFile(bin.file("opened")), file + "\n");
    }
}
INSTANTIATE_TEST_SUITE_P(Openers, PreviewSpreadsheet, ::testing::ValuesIn(kOpeners),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReportPrint, FilePrinterWritesAPdfAndAnUnknownPrinterPrintsNothing) {
    TempDir dir;
    auto r = documentReport(20);
    printReport(*r, QStringLiteral("file:") + path(dir, "printed.pdf"));
    EXPECT_TRUE(runTool(QStringLiteral("pdftotext"), {path(dir, "printed.pdf"), QStringLiteral("-")})
                    .contains(QStringLiteral("收款单明细查询")));
    EXPECT_THROW(printReport(*r, QStringLiteral("file:") + path(dir, "missing/printed.pdf")), ReportError);
    try {
        printReport(*r, QStringLiteral("没有这台打印机"));
        ADD_FAILURE() << "printed to a printer that does not exist";
    } catch (const ReportError& e) {
        EXPECT_EQ(std::string(e.what()), "找不到打印机“没有这台打印机”，未打印。");
    }
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("printed.pdf")});
}

}  // namespace
}  // namespace trunaccount::testing
