// The borderless window base of every window the library embeds in the host:
// one content panel `PanelMain` that holds all controls and follows the host's
// resize message, and the close notice to the host.
#pragma once

#include <QWidget>

namespace trunaccount::host {

class TFrmBase : public QWidget {
    Q_OBJECT
public:
    // `owner` is the host's container; the window becomes its child.
    explicit TFrmBase(QWidget* owner);

    QWidget* PanelMain() const { return panelMain_; }

    // Sizes the content panel: height first, then width.
    void resizeContent(int height, int width);

    // Runs the close handling (also what closing the window does).
    void closeWindow();

protected:
    bool event(QEvent* e) override;
    // A close request (the host closing its container or its main window) runs
    // the close handling once the window agrees to go (`mayLeave`).
    void closeEvent(QCloseEvent* e) override;
    // Asked before a close request closes the window; false keeps it open.
    virtual bool mayLeave() { return true; }
    // Close handling; a derived window does its own work, then calls this one:
    // message 1028 to the host's notification control, then the window is
    // released once the handling has returned.
    virtual void FormClose();

private:
    QWidget* panelMain_;
    bool closing_ = false;
};

}  // namespace trunaccount::host
