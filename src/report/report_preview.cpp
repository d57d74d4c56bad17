#include "report/report_preview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <limits>

#include "platform/message_box.h"
#include "report/report_file.h"
#include "report/report_print.h"

namespace trunaccount::report {

namespace {

constexpr double kZoomStep = 1.25;
constexpr int kPageGap = 12;  // grey room around the page

QFont uiFont() {
    QFont f;
    f.setFamilies({resolveFamily(QStringLiteral("宋体")), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPixelSize(12);
    return f;
}

}  // namespace

void withProgress(QWidget* owner, const QString& label, const std::function<void(const Progress&)>& work) {
    QProgressDialog dialog(label, QStringLiteral("取消"), 0, 100, owner);
    dialog.setWindowTitle(QStringLiteral("请稍候"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    Progress progress = [&](int done, int total) {
        if (total > 0) {
            dialog.setMaximum(total);
            dialog.setValue(std::min(done, total));
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !dialog.wasCanceled();
    };
    work(progress);
}

// The page drawn at the preview's zoom on a grey ground.
class PageView : public QWidget {
public:
    explicit PageView(TReportPreview* preview) : QWidget(preview), preview_(preview) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }
    QSize sizeHint() const override {
        const Page& p = preview_->shownPage();
        const double z = preview_->zoom();
        return {static_cast<int>(p.width * z) + 2 * kPageGap, static_cast<int>(p.height * z) + 2 * kPageGap};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(128, 128, 128));
        const Page& page = preview_->shownPage();
        const double z = preview_->zoom();
        const QSizeF size(page.width * z, page.height * z);
        const QPointF origin(std::max<double>(kPageGap, (width() - size.width()) / 2), kPageGap);
        painter.fillRect(QRectF(origin + QPointF(4, 4), size), QColor(64, 64, 64));
        painter.fillRect(QRectF(origin, size), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(origin);
        painter.scale(z, z);
        paintPage(painter, preview_->report(), page, logicalDpiY());
        if (preview_->foundPage_ == page.index && preview_->foundItem_ >= 0 &&
            preview_->foundItem_ < static_cast<int>(page.items.size())) {
            const PageItem& item = page.items[static_cast<std::size_t>(preview_->foundItem_)];
            const QFontMetricsF fm = layoutMetrics(preview_->report().fonts()[static_cast<std::size_t>(item.font)]);
            const QRectF hit(item.origin.x() - 4, item.origin.y() - fm.ascent() - 2, fm.horizontalAdvance(item.text) + 8,
                             fm.height() + 4);
            painter.fillRect(hit, QColor(255, 200, 0, 90));
        }
    }

private:
    TReportPreview* preview_;
};

TReportPreview::TReportPreview(std::unique_ptr<Report> report, const QString& printerName, QWidget* parent)
    : QDialog(parent), report_(std::move(report)), printerName_(printerName) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("打印预览"));
    setModal(true);
    setFont(uiFont());
    resize(parent ? std::max(900, parent->window()->width()) : 1000, parent ? std::max(700, parent->window()->height()) : 760);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolbar();
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("pages"));
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setWidgetResizable(false);
    scroll_->setFocusPolicy(Qt::StrongFocus);
    scroll_->setAccessibleName(QStringLiteral("报表页面"));
    view_ = new PageView(this);
    scroll_->setWidget(view_);
    scroll_->viewport()->installEventFilter(this);
    scroll_->installEventFilter(this);
    layout->addWidget(scroll_, 1);

    // The find bar, shown by "查找" or Ctrl+F.
    findBar_ = new QWidget(this);
    auto* fl = new QHBoxLayout(findBar_);
    fl->setContentsMargins(6, 3, 6, 3);
    auto* findLabel = new QLabel(QStringLiteral("查找:"), findBar_);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName(QStringLiteral("findText"));
    findText_->setAccessibleName(QStringLiteral("查找内容"));
    findLabel->setBuddy(findText_);
    auto* next = new QToolButton(findBar_);
    next->setText(QStringLiteral("下一个"));
    auto* prev = new QToolButton(findBar_);
    prev->setText(QStringLiteral("上一个"));
    auto* close = new QToolButton(findBar_);
    close->setText(QStringLiteral("关闭"));
    fl->addWidget(findLabel);
    fl->addWidget(findText_, 1);
    fl->addWidget(next);
    fl->addWidget(prev);
    fl->addWidget(close);
    auto search = [this](bool forward) {
        if (!findText_->text().isEmpty() && !find(findText_->text(), forward))
            platform::messageBox(this, QStringLiteral("找不到“%1”。").arg(findText_->text()).toStdString(), "提示",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
    };
    connect(findText_, &QLineEdit::returnPressed, this, [search] { search(true); });
    connect(next, &QToolButton::clicked, this, [search] { search(true); });
    connect(prev, &QToolButton::clicked, this, [search] { search(false); });
    connect(close, &QToolButton::clicked, this, [this] { findBar_->hide(); });
    findBar_->hide();
    layout->addWidget(findBar_);
    refresh();
}

TReportPreview::~TReportPreview() = default;

void TReportPreview::buildToolbar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("previewToolbar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout()->addWidget(bar);
    auto button = [&](const char* name, const QString& caption, const QString& tip, auto&& handler,
                      const QKeySequence& key = {}) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(key.isEmpty() ? tip : tip + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
        b->setAutoRaise(true);
        if (!key.isEmpty()) b->setShortcut(key);
        connect(b, &QToolButton::clicked, this, [this, handler] {
            try {
                handler();
            } catch (const ReportCancelled&) {
            } catch (const std::exception& e) {
                fail(e);
            }
        });
        bar->addWidget(b);
        return b;
    };
    // Zoom: one button with its choices in a menu, and the steps beside it.
    auto* zoom = button("pbZoom", QStringLiteral("整页"), QStringLiteral("整页显示"), [this] { setZoom(Zoom::WholePage); });
    auto* menu = new QMenu(zoom);
    menu->addAction(QStringLiteral("整页"), this, [this] { setZoom(Zoom::WholePage); });
    menu->addAction(QStringLiteral("页宽"), this, [this] { setZoom(Zoom::PageWidth); });
    menu->addAction(QStringLiteral("100%"), this, [this] { setZoom(Zoom::Percent, 100); });
    zoom->setMenu(menu);
    zoom->setPopupMode(QToolButton::MenuButtonPopup);
    button("pbPageWidth", QStringLiteral("页宽"), QStringLiteral("按页宽显示"), [this] { setZoom(Zoom::PageWidth); });
    button("pbZoom100", QStringLiteral("100%"), QStringLiteral("实际大小"), [this] { setZoom(Zoom::Percent, 100); });
    button("pbZoomIn", QStringLiteral("放大"), QStringLiteral("放大"), [this] { zoomIn(); }, QKeySequence::ZoomIn);
    button("pbZoomOut", QStringLiteral("缩小"), QStringLiteral("缩小"), [this] { zoomOut(); }, QKeySequence::ZoomOut);
    bar->addSeparator();
    button("pbFirst", QStringLiteral("首页"), QStringLiteral("第一页 (Home)"), [this] { setPage(0); });
    button("pbPrior", QStringLiteral("上页"), QStringLiteral("上一页 (PgUp)"), [this] { setPage(page_ - 1); });
    pageLabel_ = new QLabel(bar);
    pageLabel_->setObjectName(QStringLiteral("pageLabel"));
    pageLabel_->setMinimumWidth(110);
    pageLabel_->setAlignment(Qt::AlignCenter);
    bar->addWidget(pageLabel_);
    button("pbNext", QStringLiteral("下页"), QStringLiteral("下一页 (PgDn)"), [this] { setPage(page_ + 1); });
    button("pbLast", QStringLiteral("末页"), QStringLiteral("最后一页 (End)"), [this] { setPage(pageCount() - 1); });
    bar->addSeparator();
    button("pbLoad", QStringLiteral("打开"), QStringLiteral("打开保存的报表"), [this] { askOpen(); }, QKeySequence::Open);
    button("pbSave", QStringLiteral("保存"), QStringLiteral("保存报表"), [this] { askSave(); }, QKeySequence::Save);
    button("pbPrint", QStringLiteral("打印"), QStringLiteral("打印"), [this] { print(); }, QKeySequence::Print);
    button("pbFind", QStringLiteral("查找"), QStringLiteral("查找文字"), [this] { toggleFind(); }, QKeySequence::Find);
    button("pbPageSetup", QStringLiteral("页面设置"), QStringLiteral("纸张、方向、页边距"), [this] { askPageSetup(); });
    button("pbSaveToXLS", QStringLiteral("导出Excel"), QStringLiteral("导出到电子表格"), [this] { askExportSpreadsheet(); });
    button("pbSuperExp", QStringLiteral("导出"), QStringLiteral("导出到其他格式"), [this] { askExport(); });
    bar->addSeparator();
    button("pbExit", QStringLiteral("退出"), QStringLiteral("关闭预览 (Esc)"), [this] { reject(); });
}

int TReportPreview::pageCount() const { return report_->pageCount(); }

QString TReportPreview::pageLabel() const { return pageLabel_->text(); }

void TReportPreview::setPage(int index) {
    const int pages = pageCount();
    index = std::clamp(index, 0, std::max(pages - 1, 0));
    if (index == page_ && shown_.width > 0) return;
    page_ = index;
    refresh();
    // A new page is shown from its top.
    scroll_->verticalScrollBar()->setValue(scroll_->verticalScrollBar()->minimum());
}

void TReportPreview::refresh() {
    shown_ = report_->page(page_);
    pageLabel_->setText(QStringLiteral("第 %1 / %2 页").arg(page_ + 1).arg(pageCount()));
    view_->resize(view_->sizeHint());
    view_->update();
}

void TReportPreview::relayout() {
    withProgress(this, QStringLiteral("正在排版…"), [this](const Progress& progress) { report_->layout(progress); });
    page_ = std::min(page_, pageCount() - 1);
    foundPage_ = foundItem_ = -1;
    shown_ = {};
    refresh();
}

double TReportPreview::zoom() const {
    const double pw = shown_.width > 0 ? shown_.width : report_->setup.width();
    const double ph = shown_.height > 0 ? shown_.height : report_->setup.height();
    const QSize area = scroll_ ? scroll_->viewport()->size() : size();
    switch (zoomMode_) {
    case Zoom::WholePage:
        return std::max(0.05, std::min((area.width() - 2.0 * kPageGap) / pw, (area.height() - 2.0 * kPageGap) / ph));
    case Zoom::PageWidth: return std::max(0.05, (area.width() - 2.0 * kPageGap - scroll_->verticalScrollBar()->sizeHint().width()) / pw);
    case Zoom::Percent: break;
    }
    return percent_ / 100.0 * logicalDpiX() / kUnitsPerInch;
}

void TReportPreview::setZoom(Zoom mode, double percent) {
    zoomMode_ = mode;
    percent_ = std::clamp(percent, 10.0, 800.0);
    view_->resize(view_->sizeHint());
    view_->update();
}

void TReportPreview::zoomIn() { setZoom(Zoom::Percent, zoom() * kUnitsPerInch / logicalDpiX() * 100 * kZoomStep); }
void TReportPreview::zoomOut() { setZoom(Zoom::Percent, zoom() * kUnitsPerInch / logicalDpiX() * 100 / kZoomStep); }

void TReportPreview::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (view_) view_->resize(view_->sizeHint());
}

void TReportPreview::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_PageUp: setPage(page_ - 1); return;
    case Qt::Key_PageDown: setPage(page_ + 1); return;
    case Qt::Key_Home: setPage(0); return;
    case Qt::Key_End: setPage(pageCount() - 1); return;
    default: QDialog::keyPressEvent(e);
    }
}

bool TReportPreview::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched == scroll_) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End) {
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        }
    }
    if (e->type() == QEvent::Resize && watched == scroll_->viewport()) view_->resize(view_->sizeHint());
    if (e->type() == QEvent::Wheel && watched == scroll_->viewport()) {
        auto* wheel = static_cast<QWheelEvent*>(e);
        const int dy = wheel->angleDelta().y();
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (dy > 0) zoomIn();
            else if (dy < 0) zoomOut();
            return true;
        }
        // The wheel scrolls the page; at its end it turns to the next page.
        QScrollBar* bar = scroll_->verticalScrollBar();
        if (dy < 0 && bar->value() >= bar->maximum() && page_ + 1 < pageCount()) {
            setPage(page_ + 1);
            bar->setValue(bar->minimum());
            return true;
        }
        if (dy > 0 && bar->value() <= bar->minimum() && page_ > 0) {
            setPage(page_ - 1);
            bar->setValue(bar->maximum());
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

bool TReportPreview::find(const QString& text, bool forward) {
    if (text.isEmpty()) return false;
    const int pages = pageCount();
    int p = foundPage_ >= 0 ? foundPage_ : page_;
    int item = foundPage_ >= 0 ? foundItem_ : (forward ? -1 : std::numeric_limits<int>::max());
    for (int visited = 0; visited <= pages; ++visited) {
        const Page page = p == page_ ? shown_ : report_->page(p);
        // What a cell shows, its wrapped lines joined, found at its first line.
        std::vector<std::pair<int, QString>> cells;
        for (int i = 0; i < static_cast<int>(page.items.size()); ++i) {
            const PageItem& it = page.items[static_cast<std::size_t>(i)];
            if (it.kind != ItemKind::Text) continue;
            const PageItem* before = cells.empty() ? nullptr : &page.items[static_cast<std::size_t>(cells.back().first)];
            if (before && it.row != kBandRow && before->row == it.row && before->column == it.column) cells.back().second += it.text;
            else cells.emplace_back(i, it.text);
        }
        const int n = static_cast<int>(cells.size());
        int start = forward ? 0 : n - 1;
        if (forward) while (start < n && cells[static_cast<std::size_t>(start)].first <= item) ++start;
        else while (start >= 0 && cells[static_cast<std::size_t>(start)].first >= item) --start;
        for (int c = start; forward ? c < n : c >= 0; c += forward ? 1 : -1) {
            if (!cells[static_cast<std::size_t>(c)].second.contains(text, Qt::CaseInsensitive)) continue;
            const int i = cells[static_cast<std::size_t>(c)].first;
            foundPage_ = p;
            foundItem_ = i;
            if (p != page_) setPage(p);
            view_->update();
            // Bring the line into sight.
            const PageItem& it = page.items[static_cast<std::size_t>(i)];
            const double z = zoom();
            scroll_->ensureVisible(static_cast<int>(it.origin.x() * z) + kPageGap, static_cast<int>(it.origin.y() * z) + kPageGap, 40, 40);
            return true;
        }
        p = forward ? (p + 1) % pages : (p - 1 + pages) % pages;
        item = forward ? -1 : std::numeric_limits<int>::max();
    }
    foundPage_ = foundItem_ = -1;
    view_->update();
    return false;
}

void TReportPreview::toggleFind() {
    findBar_->setVisible(!findBar_->isVisible());
    if (findBar_->isVisible()) {
        findText_->setFocus();
        findText_->selectAll();
    }
}

void TReportPreview::fail(const std::exception& e) {
    platform::messageBox(this, e.what(), "错误", platform::MB_OK | platform::MB_ICONERROR);
}

QStringList TReportPreview::exportTo(ExportFormat format, const QString& path) {
    QStringList written;
    withProgress(this, QStringLiteral("正在导出…"), [&](const Progress& progress) {
        written = exportReport(*report_, format, path, progress);
    });
    return written;
}

void TReportPreview::saveTo(const QString& path) {
    withProgress(this, QStringLiteral("正在保存…"), [&](const Progress& progress) { saveReport(*report_, path, progress); });
}

void TReportPreview::openFrom(const QString& path) {
    std::unique_ptr<Report> loaded = loadReport(path);
    withProgress(this, QStringLiteral("正在排版…"), [&](const Progress& progress) { loaded->layout(progress); });
    report_ = std::move(loaded);
    page_ = 0;
    foundPage_ = foundItem_ = -1;
    refresh();
}

void TReportPreview::print() {
    withProgress(this, QStringLiteral("正在打印…"), [&](const Progress& progress) { printReport(*report_, printerName_, progress); });
}

void TReportPreview::applyPageSetup(const PageSetup& setup) {
    const PageSetup before = report_->setup;
    report_->setup = setup;
    try {
        relayout();
    } catch (...) {
        report_->setup = before;
        report_->invalidate();
        relayout();
        throw;
    }
}

namespace {
QString askFile(QWidget* owner, const QString& caption, const QString& filters, QString* chosenFilter = nullptr) {
    QFileDialog dialog(owner, caption, QString(), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (chosenFilter) *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().front();
}

// Shows a file with the desktop's application (xdg-open) and calls `failed`
// when there is none: at once when the opener cannot start, or when it ends
// saying so (it may only end when the application does). The opener belongs
// to `owner`: closing the preview lets it go unanswered.
void openWithDesktop(QObject* owner, const QString& path, const std::function<void()>& failed) {
    auto* opener = new QProcess(owner);
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failed](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        failed();
        opener->deleteLater();
    });
    QObject::connect(opener, &QProcess::finished, opener, [opener, failed](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && code != 0) failed();
        opener->deleteLater();
    });
    opener->start(QStringLiteral("xdg-open"), {path});
}

QString withSuffix(QString path, const QString& suffix) {
    if (!path.isEmpty() && QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0) path += QLatin1Char('.') + suffix;
    return path;
}
}  // namespace

void TReportPreview::askExportSpreadsheet() {
    const ExportFormatInfo& info = formatInfo(ExportFormat::Xlsx);
    const QString path = withSuffix(askFile(this, QStringLiteral("导出到电子表格"), info.caption), info.suffix);
    if (path.isEmpty()) return;
    exportTo(ExportFormat::Xlsx, path);
    // Without an application to show it, the user is told where it is.
    openWithDesktop(this, path, [this, path] {
        platform::messageBox(this, QStringLiteral("已导出到 %1\n没有可以打开它的电子表格程序。").arg(path).toStdString(),
                             "提示", platform::MB_OK | platform::MB_ICONINFORMATION);
    });
}

void TReportPreview::askExport() {
    QStringList filters;
    for (const auto& f : exportFormats())
        if (f.format != ExportFormat::Xlsx) filters << f.caption;
    QString chosen;
    QString path = askFile(this, QStringLiteral("导出"), filters.join(QStringLiteral(";;")), &chosen);
    if (path.isEmpty()) return;
    for (const auto& shown : exportFormats())
        if (shown.caption == chosen) {
            // A name that says its format ("月报.pdf" typed under "文本文件")
            // is written in that format, not given a second suffix.
            const std::optional<ExportFormat> named = exportFormatNamed(path);
            const ExportFormatInfo& f = formatInfo(named.value_or(shown.format));
            if (!named) path = withSuffix(path, f.suffix);
            const QStringList files = exportTo(f.format, path);
            platform::messageBox(this,
                                 (files.size() == 1 ? QStringLiteral("已导出到 %1").arg(files.front())
                                                    : QStringLiteral("已导出 %1 个文件：%2 …").arg(files.size()).arg(files.front()))
                                     .toStdString(),
                                 "提示", platform::MB_OK | platform::MB_ICONINFORMATION);
            return;
        }
}

void TReportPreview::askSave() {
    const QString suffix = QString::fromLatin1(kReportFileSuffix);
    const QString path = withSuffix(askFile(this, QStringLiteral("保存报表"), QStringLiteral("报表文件 (*.%1)").arg(suffix)), suffix);
    if (!path.isEmpty()) saveTo(path);
}

void TReportPreview::askOpen() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开报表"), QString(),
                                                      QStringLiteral("报表文件 (*.%1)").arg(QString::fromLatin1(kReportFileSuffix)),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) openFrom(path);
}

void TReportPreview::askPageSetup() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("页面设置"));
    auto* form = new QFormLayout(&dialog);
    auto* paper = new QComboBox(&dialog);
    for (const PaperSize& p : paperSizes()) paper->addItem(p.name);
    paper->setCurrentText(report_->setup.paper);
    form->addRow(QStringLiteral("纸张(&P):"), paper);
    auto* portrait = new QRadioButton(QStringLiteral("纵向(&V)"), &dialog);
    auto* landscape = new QRadioButton(QStringLiteral("横向(&H)"), &dialog);
    (report_->setup.landscape ? landscape : portrait)->setChecked(true);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(portrait);
    orientation->addWidget(landscape);
    form->addRow(QStringLiteral("方向:"), orientation);
    auto margin = [&](const QString& caption, double value) {
        auto* spin = new QDoubleSpinBox(&dialog);
        spin->setRange(0, 100);
        spin->setDecimals(1);
        spin->setSuffix(QStringLiteral(" 毫米"));
        spin->setValue(value / 10);
        form->addRow(caption, spin);
        return spin;
    };
    auto* left = margin(QStringLiteral("左边距(&L):"), report_->setup.marginLeft);
    auto* top = margin(QStringLiteral("上边距(&T):"), report_->setup.marginTop);
    auto* right = margin(QStringLiteral("右边距(&R):"), report_->setup.marginRight);
    auto* bottom = margin(QStringLiteral("下边距(&B):"), report_->setup.marginBottom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    PageSetup s = report_->setup;
    const PaperSize& chosen = paperSizes()[static_cast<std::size_t>(std::max(paper->currentIndex(), 0))];
    s.paper = chosen.name;
    s.paperWidth = chosen.width;
    s.paperHeight = chosen.height;
    s.landscape = landscape->isChecked();
    s.marginLeft = left->value() * 10;
    s.marginTop = top->value() * 10;
    s.marginRight = right->value() * 10;
    s.marginBottom = bottom->value() * 10;
    applyPageSetup(s);
}

}  // namespace trunaccount::report
