// Answers the next modal dialog that opens (a real QMessageBox or any modal
// widget): records its title and text and closes it by clicking the button with
// the given caption, its default button (what Enter presses) for kDefault, or
// rejecting it when none is given.
#pragma once

#include <QString>
#include <QStringList>

namespace trunaccount::testing {

class ModalAnswerer {
public:
    static inline const QString kDefault = QStringLiteral("<default>");
    // Keeps watching until destroyed; every modal dialog is answered in turn.
    explicit ModalAnswerer(QStringList buttonCaptions = {});
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    struct Seen {
        QString title;
        QString text;
    };
    const QList<Seen>& seen() const;

private:
    struct Impl;
    Impl* d_;
};

}  // namespace trunaccount::testing
