#include "host/frm_base.h"

#include <QCloseEvent>

#include "host/host_values.h"
#include "host/window_support.h"
#include "trunaccount/host_messages.h"

namespace trunaccount::host {

TFrmBase::TFrmBase(QWidget* owner) : QWidget(owner), panelMain_(new QWidget(this)) {
    panelMain_->setObjectName(QStringLiteral("PanelMain"));
    setFont(interfaceFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);  // button face
    // Design sizes; the entry call and message 1026 give the real ones.
    resize(680, 445);
    panelMain_->setGeometry(0, 0, 688, 450);
    // On create: the library's own windows belong to the host window from now on.
    hostValues().ownerWindow = hostValues().hostWindow;
}

void TFrmBase::resizeContent(int height, int width) {
    panelMain_->resize(panelMain_->width(), height);
    panelMain_->resize(width, panelMain_->height());
}

bool TFrmBase::event(QEvent* e) {
    if (const auto* m = HostMessageEvent::from(e)) {
        if (m->message() == kMsgContentResized) {
            resizeContent(static_cast<int>(m->wParam()), static_cast<int>(m->lParam()));
            return true;
        }
        return false;
    }
    return QWidget::event(e);
}

void TFrmBase::closeWindow() {
    if (closing_) return;
    closing_ = true;
    FormClose();
}

void TFrmBase::closeEvent(QCloseEvent* e) {
    e->ignore();  // the close handling releases the window itself
    if (!closing_ && mayLeave()) closeWindow();
}

void TFrmBase::FormClose() {
    sendHostMessage(hostValues().hostNotifyControl.data(), kMsgWindowClosing, 0, 0);
    hide();
    deleteLater();
}

}  // namespace trunaccount::host
