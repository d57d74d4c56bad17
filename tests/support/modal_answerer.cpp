#include "support/modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace trunaccount::testing {

struct ModalAnswerer::Impl {
    QStringList answers;
    QList<Seen> seen;
    QTimer timer;
};

ModalAnswerer::ModalAnswerer(QStringList buttonCaptions) : d_(new Impl) {
    d_->answers = std::move(buttonCaptions);
    d_->timer.setInterval(10);
    QObject::connect(&d_->timer, &QTimer::timeout, [d = d_] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        Seen s{w->windowTitle(), {}};
        if (auto* box = qobject_cast<QMessageBox*>(w)) s.text = box->text();
        d->seen.push_back(s);
        QString caption = d->answers.isEmpty() ? QString() : d->answers.takeFirst();
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            if (caption == kDefault && box->defaultButton()) {
                box->defaultButton()->click();
                return;
            }
            for (auto* b : box->buttons())
                if (!caption.isEmpty() && b->text() == caption) {
                    b->click();
                    return;
                }
            if (auto* b = box->escapeButton()) {
                b->click();
                return;
            }
        }
        if (auto* dlg = qobject_cast<QDialog*>(w)) dlg->reject();
        else w->close();
    });
    d_->timer.start();
}

ModalAnswerer::~ModalAnswerer() { delete d_; }

const QList<ModalAnswerer::Seen>& ModalAnswerer::seen() const { return d_->seen; }

}  // namespace trunaccount::testing
