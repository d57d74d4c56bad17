#include "host/window_support.h"

#include <QApplication>
#include <cstdio>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>

#include "host/host_values.h"
#include "widgets/error_log.h"
#include "widgets/interface_font.h"

namespace trunaccount::host {

using namespace trunaccount::platform;

QFont interfaceFont(int pixelSize) { return InterfaceFont(pixelSize); }

QWidget* defaultOwner() {
    if (auto* w = hostValues().ownerWindow.data()) return w;
    return QApplication::activeWindow();
}

namespace {

class BorderOverlay : public QWidget {
public:
    BorderOverlay(QWidget* target, const QColor& color) : QWidget(target), color_(color) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        target->installEventFilter(this);
        setGeometry(target->rect());
        raise();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(color_);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Show) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }

private:
    QColor color_;
};

int showDialog(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags) {
    auto* parent = owner ? static_cast<QWidget*>(owner) : defaultOwner();
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    box.setText(t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setFont(interfaceFont());
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    // Each answer's caption and role.
    auto addButton = [&box](int answer) {
        switch (answer) {
        case IDCANCEL: return box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        case IDABORT: return box.addButton(QStringLiteral("中止(&A)"), QMessageBox::RejectRole);
        case IDRETRY: return box.addButton(QStringLiteral("重试(&R)"), QMessageBox::AcceptRole);
        case IDIGNORE: return box.addButton(QStringLiteral("忽略(&I)"), QMessageBox::AcceptRole);
        case IDYES: return box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        case IDNO: return box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        default: return box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        }
    };
    std::vector<std::pair<QAbstractButton*, int>> results;
    for (int answer : buttonAnswers(flags)) results.emplace_back(addButton(answer), answer);
    box.setDefaultButton(static_cast<QPushButton*>(results[defaultButton(flags)].first));
    // Escape and the close box give the cancel answer where there is one.
    int escape = results.front().second;
    for (auto& [button, result] : results)
        if (result == IDCANCEL || result == IDNO) {
            box.setEscapeButton(button);
            escape = result;
        }
    if (results.size() == 1) box.setEscapeButton(results.front().first);
    box.exec();
    for (auto& [button, result] : results)
        if (box.clickedButton() == button) return result;
    return escape;
}

}  // namespace

void addBorder(QWidget* widget, const QColor& color) { new BorderOverlay(widget, color); }

void installDialogMessageBox() {
    auto previous = setMessageBoxHandler(nullptr);
    setMessageBoxHandler(previous ? std::move(previous) : MessageBoxHandler(showDialog));
}

void showError(QWidget* owner, const std::string& text) { messageBox(owner, text, "错误", MB_OK | MB_ICONERROR); }

void reportEscapedError(QWidget* owner, const std::exception* e) noexcept {
    try {
        if (e) logError(*e);
        showError(owner, e ? std::string(e->what()) : std::string("发生了未知错误。"));
    } catch (const std::exception& shown) {
        std::fprintf(stderr, "trunaccount: an error could not be shown (%s): %s\n", shown.what(), e ? e->what() : "unknown");
    } catch (...) {
        std::fprintf(stderr, "trunaccount: an error could not be shown: %s\n", e ? e->what() : "unknown");
    }
}

}  // namespace trunaccount::host
