#include "host/open_window.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <string>

#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "host/window_support.h"
#include "platform/errors.h"
#include "platform/gbk.h"

namespace trunaccount::host {

TFrmTrunAccount* openReconciliationWindow(QWidget* hostWindow, QWidget* notifyControl, std::string_view operatorCodeGbk,
                                          QWidget* container, ICoorDisp* coordinator, const QString& mode) {
    installDialogMessageBox();
    // A call that could not make a window leaves the host values of the open ones alone.
    if (!container) throw Error("the host gave no container for the window");
    if (!coordinator) throw Error("the host gave no coordinator for the window");
    // 1. The operator code, copied (and read: GBK becomes the program's UTF-8).
    // 2. Our own reference to the coordinator while the call runs.
    const std::string code = platform::gbkToUtf8(operatorCodeGbk);
    CoordinatorRef callRef(coordinator);

    auto& values = hostValues();
    values.hostWindow = hostWindow;            // 3.
    values.ownerWindow = nullptr;              // 4. set again by the window base
    values.hostNotifyControl = notifyControl;  // 5.
    values.coordinator = callRef;              // 6. releases the previous one
    values.operatorCode = code;                // 7.

    // 8. and 9. The window, named after its mode: the name is its settings section
    // and must be unique in the container.
    const QString name = QStringLiteral("FrmTrunAccount") + mode;
    if (container->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly))
        throw Error("A component named " + name.toStdString() + " already exists");
    QPointer<TFrmTrunAccount> window = new TFrmTrunAccount(container, mode);
    window->setObjectName(name);
    // 10. At the container's top-left corner, at least as large as the container
    // (and the screen, so that a growing container never cuts the content off).
    QSize size = container->size();
    if (auto* screen = QGuiApplication::primaryScreen()) size = size.expandedTo(screen->virtualSize());
    window->setGeometry(QRect(QPoint(0, 0), size));
    // 11. The content takes the container's size: height, then width.
    window->resizeContent(container->height(), container->width());
    // 12. Shown; its show handling closes a window whose start failed.
    window->show();
    window->FormShow();
    return window && !window->isHidden() ? window.data() : nullptr;
}

}  // namespace trunaccount::host
