#include "host/rop_win.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "host/window_support.h"
#include "platform/message_box.h"

namespace trunaccount::host {

TRopInst::TRopInst(QWidget* owner)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    setObjectName(QStringLiteral("RopInst"));
    setAttribute(Qt::WA_TranslucentBackground);  // what painting leaves shows the screen beneath
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QWidget::close);
}

QString TRopInst::text() const {
    QString t;
    for (const auto& l : Lines) t += l + QLatin1Char('\n');
    return t;
}

QSize TRopInst::textSize() const {
    QFontMetrics fm(Font);
    return fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, text()).size();
}

void TRopInst::Prepare() {
    QRect screen(0, 0, 1024, 768);
    if (auto* s = QGuiApplication::primaryScreen()) screen = s->geometry();
    const int W = screen.width(), H = screen.height();
    const QSize t = textSize();
    const int left = xPos != 0 ? xPos : (W - t.width()) / 2;
    const int top = yPos != 0 ? yPos : (H - t.height()) / 2;
    setGeometry(left, top, t.width() + 40, t.height() + 30);
    if (auto* s = QGuiApplication::primaryScreen()) beneath_ = s->grabWindow(0, left, top, width(), height()).toImage().convertToFormat(QImage::Format_ARGB32);
    if (TimeClose > 0) {
        timer_.setInterval(TimeClose);
        timer_.start();
    }
}

void TRopInst::runModal() {
    // As a popup the window has the mouse and the keyboard to itself: a key, or a
    // click anywhere on the screen, reaches it (or closes it) first.
    show();
    QEventLoop loop;
    while (!closed_) loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void TRopInst::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int cw = width(), ch = height();
    if (!beneath_.isNull()) p.drawImage(0, 0, beneath_);  // the screen as it was, for the parts not drawn
    // The box: once with a white brush, then with the popup's own.
    QRect box(QPoint(1, 1), QPoint(cw - 16 - 1, ch - 16 - 1));
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawRect(box);
    p.setBrush(Brush);
    p.drawRect(box);
    // The text, left and top aligned, line breaks honoured, no word wrap.
    p.setFont(Font);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(QPoint(6, 6), QPoint(cw - 21 - 1, ch - 21 - 1)), Qt::AlignLeft | Qt::AlignTop, text());
    // The shadow: the screen beneath AND the pattern, bits 0 in the text colour,
    // bits 1 in the brush colour; two strips, bottom and right, 16 pixels wide.
    const QColor ink = palette().color(QPalette::WindowText);
    const QColor paper = Brush.color();
    auto strip = [&](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                bool one = kShadowPattern[y % 8] & (0x80 >> (x % 8));
                QColor c = one ? paper : ink;
                if (one && c == Qt::white) continue;  // AND with white leaves the screen as it is
                if (beneath_.isNull() || !beneath_.rect().contains(x, y)) {
                    p.setPen(c);
                } else {
                    QColor under = beneath_.pixelColor(x, y);
                    p.setPen(QColor(under.red() & c.red(), under.green() & c.green(), under.blue() & c.blue()));
                }
                p.drawPoint(x, y);
            }
    };
    strip(QRect(16, ch - 16, cw - 16, 16));
    strip(QRect(cw - 16, 16, 16, ch));
}

void TRopInst::keyPressEvent(QKeyEvent*) { close(); }
void TRopInst::mousePressEvent(QMouseEvent*) { close(); }

void TRopInst::closeEvent(QCloseEvent* e) {
    timer_.stop();
    closed_ = true;
    QWidget::closeEvent(e);
}

TRopWin::TRopWin(QObject* parent) : QObject(parent) {}

void TRopWin::Execute() {
    if (Lines.isEmpty()) {
        platform::messageBox(defaultOwner(), "The Lines is empty", "Error", platform::MB_OK);
        return;
    }
    TRopInst popup(defaultOwner());
    popup.Font = Font;
    popup.Brush = Brush;
    popup.Lines = Lines;
    popup.xPos = xPos;
    popup.yPos = yPos;
    popup.TimeClose = TimeClose;
    popup.setFont(Font);
    popup_ = &popup;
    popup.Prepare();
    popup.runModal();
    popup_ = nullptr;
}

}  // namespace trunaccount::host
