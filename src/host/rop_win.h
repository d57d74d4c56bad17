// The shortcut help popup: `TRopWin` holds the lines and how to show them;
// `Execute` shows them in a borderless popup `TRopInst` with a dotted drop
// shadow, which closes at the next key, mouse click, or after `TimeClose`.
#pragma once

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace trunaccount::host {

class TRopInst : public QWidget {
    Q_OBJECT
public:
    explicit TRopInst(QWidget* owner = nullptr);

    QFont Font;
    QBrush Brush{Qt::white};
    QStringList Lines;
    int xPos = 0;
    int yPos = 0;
    int TimeClose = 0;

    // Measures the text, places the window and arms the close timer.
    void Prepare();
    // Shows the popup and returns when it has closed.
    void runModal();

    // The text as drawn: every line followed by a line break.
    QString text() const;
    // Width and height of the text drawn without word wrap.
    QSize textSize() const;

    QTimer* Timer1() { return &timer_; }
    // What the screen showed where the popup lies when it was placed (null when
    // the platform cannot tell).
    const QImage& screenBeneath() const { return beneath_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    QTimer timer_;
    QImage beneath_;    // what the screen showed where the popup lies
    bool closed_ = false;
};

class TRopWin : public QObject {
    Q_OBJECT
public:
    explicit TRopWin(QObject* parent = nullptr);

    QBrush Brush{Qt::white};
    QFont Font;
    QStringList Lines;
    int TimeClose = 0;
    int xPos = 0;
    int yPos = 0;

    // Opens the popup and returns when it has closed; "The Lines is empty" when
    // there is nothing to show.
    void Execute();

    // The open popup, while Execute runs.
    TRopInst* popup() const { return popup_; }

private:
    TRopInst* popup_ = nullptr;
};

// The dotted shadow pattern: 8 rows of 8 bits, leftmost pixel in the top bit.
inline constexpr unsigned char kShadowPattern[8] = {0xAA, 0x00, 0x55, 0x00, 0xAA, 0x00, 0x55, 0x00};

}  // namespace trunaccount::host
