// The plug-in's exported entry points. Everything else in the library is hidden.
#include "trunaccount/entry_points.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <string>

#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "host/window_support.h"
#include "platform/errors.h"
#include "platform/gbk.h"

namespace trunaccount::host {

namespace {

void openWindow(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode, QWidget* container,
                ICoorDisp* coordinator, const char* mode) {
    // 1. The operator code: a length byte and that many bytes of GBK text.
    std::string codeBytes;
    if (operatorCode) codeBytes.assign(reinterpret_cast<const char*>(operatorCode) + 1, operatorCode[0]);
    // 2. Our own reference to the coordinator while the call runs.
    CoordinatorRef callRef(coordinator);

    installDialogMessageBox();
    auto& values = hostValues();
    values.hostWindow = hostWindow;       // 3.
    values.ownerWindow = nullptr;         // 4. set again by the window base
    values.hostNotifyControl = notifyControl;  // 5.
    values.coordinator = callRef;         // 6. releases the previous one
    values.operatorCode = platform::gbkToUtf8(codeBytes);  // 7.
    if (!container) throw Error("the host gave no container for the window");

    // 8. and 9. The window, named after its mode; the name is its settings section.
    const QString name = QStringLiteral("FrmTrunAccount") + QString::fromLatin1(mode);
    for (auto* sibling : container->findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly))
        if (sibling) throw Error("A component named " + name.toStdString() + " already exists");
    auto* window = new TFrmTrunAccount(container, QString::fromLatin1(mode));
    window->setObjectName(name);
    // 10. Inside the container, at its top-left corner, at least as large as it
    // (and as the screen, so that a growing container never cuts the content off).
    QSize size = container->size();
    if (auto* screen = QGuiApplication::primaryScreen()) size = size.expandedTo(screen->virtualSize());
    window->setGeometry(QRect(QPoint(0, 0), size));
    // 11. The content takes the container's size.
    window->resizeContent(container->height(), container->width());
    // 12. Shown, and its show handling run (which closes a window whose start failed).
    window->show();
    window->FormShow();
}

void entry(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode, QWidget* container,
           ICoorDisp* coordinator, const char* mode) noexcept {
    // Nothing crosses back into the host: an error is shown to the user.
    guarded(hostWindow, [&] { openWindow(hostWindow, notifyControl, operatorCode, container, coordinator, mode); });
}

}  // namespace
}  // namespace trunaccount::host

extern "C" {

void GetTrunAccountInput(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode,
                         QWidget* container, trunaccount::ICoorDisp* coordinator) noexcept {
    trunaccount::host::entry(hostWindow, notifyControl, operatorCode, container, coordinator, "Input");
}

void GetTrunAccountSearch(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode,
                          QWidget* container, trunaccount::ICoorDisp* coordinator) noexcept {
    trunaccount::host::entry(hostWindow, notifyControl, operatorCode, container, coordinator, "Search");
}
}
