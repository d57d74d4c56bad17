#include "hostapp/host_window.h"

#include <dlfcn.h>

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "trunaccount/host_messages.h"

namespace trunaccount::hostapp {

PluginLibrary::PluginLibrary(const QString& path) {
    handle_ = ::dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(std::string("cannot load the plug-in: ") + ::dlerror());
    input_ = reinterpret_cast<EntryPoint>(::dlsym(handle_, kInputEntryName));
    search_ = reinterpret_cast<EntryPoint>(::dlsym(handle_, kSearchEntryName));
    if (!input_ || !search_) {
        ::dlclose(handle_);
        throw std::runtime_error("the plug-in lacks its entry points");
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_) ::dlclose(handle_);
}

class NotifyControl : public QWidget {
public:
    explicit NotifyControl(HostWindow* host) : QWidget(host), host_(host) { hide(); }

protected:
    bool event(QEvent* e) override {
        if (auto* m = HostMessageEvent::from(e)) {
            QCoreApplication::sendEvent(host_, const_cast<HostMessageEvent*>(m));
            return true;
        }
        return QWidget::event(e);
    }

private:
    HostWindow* host_;
};

namespace {
const char* kContainerMode = "trunaccountMode";

// The plug-in's windows in a tab's container that are not closed yet. A window
// of a tab that is not in front is not visible, yet open.
QList<QWidget*> openWindows(QWidget* container) {
    QList<QWidget*> open;
    for (auto* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->objectName().startsWith(QLatin1String("FrmTrunAccount")) && !child->isHidden()) open << child;
    return open;
}
}  // namespace

HostWindow::HostWindow(PluginLibrary& plugin, CoordinatorRef coordinator, QByteArray operatorCodeGbk)
    : plugin_(plugin), coordinator_(std::move(coordinator)), tabs_(new QTabWidget(this)), notify_(new NotifyControl(this)) {
    setWindowTitle(QStringLiteral("参考宿主 — 转帐勾对"));
    operatorCode_.append(static_cast<char>(std::min<qsizetype>(operatorCodeGbk.size(), 255)));
    operatorCode_.append(operatorCodeGbk.left(255));
    setCentralWidget(tabs_);
    auto* menu = menuBar()->addMenu(QStringLiteral("业务(&B)"));
    menu->addAction(QStringLiteral("转帐勾对(&I)"), this, [this] { openWindow(QStringLiteral("Input")); });
    menu->addAction(QStringLiteral("转帐勾对查询(&S)"), this, [this] { openWindow(QStringLiteral("Search")); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);
    statusBar()->showMessage(QStringLiteral("就绪"));
    resize(1100, 720);
}

HostWindow::~HostWindow() {
    // The windows go with their containers, without their close handling.
    while (tabs_->count() > 0) delete tabs_->widget(0);
}

void HostWindow::showWarning(const QString& text) {
    auto* label = new QLabel(QStringLiteral("警告：") + text, this);
    label->setObjectName(QStringLiteral("hostWarning"));
    label->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    label->setToolTip(text);
    label->setAccessibleName(label->text());
    statusBar()->addPermanentWidget(label, 1);
}

void HostWindow::openWindow(const QString& mode) {
    for (int i = 0; i < tabs_->count(); ++i)
        if (tabs_->widget(i)->property(kContainerMode).toString() == mode) {
            tabs_->setCurrentIndex(i);
            return;
        }
    auto* container = new QWidget;
    container->setProperty(kContainerMode, mode);
    container->installEventFilter(this);
    int index = tabs_->addTab(container, mode == QLatin1String("Input") ? QStringLiteral("转帐勾对")
                                                                       : QStringLiteral("转帐勾对查询"));
    tabs_->setCurrentIndex(index);
    auto entry = mode == QLatin1String("Input") ? plugin_.input() : plugin_.search();
    entry(this, notify_, reinterpret_cast<const unsigned char*>(operatorCode_.constData()), container,
          coordinator_.get());
}

bool HostWindow::event(QEvent* e) {
    if (auto* m = HostMessageEvent::from(e)) {
        logMessage(m->message());
        if (m->message() == kMsgWindowClosing) {
            // The window is still inside its close handling: close its tab afterwards.
            QTimer::singleShot(0, this, [this] {
                for (int i = tabs_->count() - 1; i >= 0; --i)
                    if (openWindows(tabs_->widget(i)).isEmpty()) tabs_->widget(i)->deleteLater();
            });
        }
        return true;
    }
    return QMainWindow::event(e);
}

void HostWindow::closeEvent(QCloseEvent* e) {
    for (int i = 0; i < tabs_->count(); ++i) {
        for (QWidget* w : openWindows(tabs_->widget(i))) {
            tabs_->setCurrentIndex(i);  // the user sees the window that may ask
            const QPointer<QWidget> window(w);
            window->close();
            if (window && !window->isHidden()) {
                e->ignore();
                return;
            }
        }
    }
    QMainWindow::closeEvent(e);
}

bool HostWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Resize) {
        auto* container = static_cast<QWidget*>(watched);
        const QSize s = static_cast<QResizeEvent*>(e)->size();
        for (auto* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child->objectName().startsWith(QLatin1String("FrmTrunAccount")))
                postHostMessage(child, kMsgContentResized, s.height(), s.width());
    }
    return QMainWindow::eventFilter(watched, e);
}

void HostWindow::logMessage(int message) {
    std::fprintf(stderr, "host: message %d\n", message);
    std::fflush(stderr);
    QString what = message == kMsgSearchStarting  ? QStringLiteral("查询即将发出")
                   : message == kMsgWindowClosing ? QStringLiteral("窗口关闭")
                                                  : QString();
    statusBar()->showMessage(QStringLiteral("消息 %1 %2").arg(message).arg(what));
}

}  // namespace trunaccount::hostapp
