#include "host/frm_hint.h"

#include <QApplication>
#include <QFileInfo>
#include <QMovie>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimerEvent>
#include <cmath>

#include "host/window_support.h"

namespace trunaccount::host {

FindFolderAnimation::FindFolderAnimation(QWidget* parent) : QWidget(parent) {}

void FindFolderAnimation::start() {
    if (!timer_) timer_ = startTimer(60);
}

void FindFolderAnimation::stop() {
    if (timer_) killTimer(timer_);
    timer_ = 0;
    frame_ = kStopFrame;
    update();
}

void FindFolderAnimation::timerEvent(QTimerEvent*) {
    frame_ = (frame_ + 1) % kFrames;
    update();
}

void FindFolderAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width(), h = height();
    // Folder.
    QRectF folder(w * 0.08, h * 0.30, w * 0.50, h * 0.55);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath tab;
    tab.addRoundedRect(QRectF(folder.left(), folder.top() - h * 0.08, folder.width() * 0.4, h * 0.12), 2, 2);
    p.drawPath(tab);
    p.drawRoundedRect(folder, 3, 3);
    // Sheets flying out of the folder.
    const double t = static_cast<double>(frame_) / kFrames;
    p.setBrush(Qt::white);
    p.setPen(QColor(120, 120, 120));
    for (int i = 0; i < 2; ++i) {
        double s = std::fmod(t + i * 0.5, 1.0);
        QRectF sheet(folder.left() + folder.width() * 0.3 + s * w * 0.35, folder.top() - s * h * 0.25, w * 0.14,
                     h * 0.22);
        p.drawRect(sheet);
    }
    // Magnifier sweeping over the folder.
    const double a = t * 2 * M_PI;
    QPointF c(folder.center().x() + std::cos(a) * w * 0.12, folder.center().y() + std::sin(a) * h * 0.10);
    const double r = std::min(w, h) * 0.18;
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(c + QPointF(r * 0.7, r * 0.7), c + QPointF(r * 1.6, r * 1.6));
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(180, 220, 255, 170));
    p.drawEllipse(c, r, r);
}

TFrmHint::TFrmHint(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      label_(new QLabel(QStringLiteral("正在统计，请稍候..."), this)) {
    setObjectName(QStringLiteral("FrmHint"));
    setWindowTitle(QStringLiteral("FrmHint"));
    setFont(interfaceFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setFixedSize(332, 87);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setFont(interfaceFont(14));
    label_->resize(133, 14);
    label_->adjustSize();

    const bool turtle = QFileInfo(QString::fromLatin1(kAnimationFile)).isFile();
    if (turtle) {
        auto* movieLabel = new QLabel(this);
        movie_ = new QMovie(QString::fromLatin1(kAnimationFile), QByteArray(), this);
        if (movie_->isValid()) {
            movieLabel->setMovie(movie_);
            animation_ = movieLabel;
        } else {
            // A format this platform cannot play: the drawn animation stands in.
            delete movieLabel;
            delete movie_;
            movie_ = nullptr;
            animation_ = new FindFolderAnimation(this);
        }
        animation_->setGeometry(32, 2, 80, 50);
        label_->move(93, 69);
    } else {
        animation_ = new FindFolderAnimation(this);
        animation_->setGeometry(16, 20, 80, 50);
        label_->move(116, 40);
    }
    animation_->setObjectName(QStringLiteral("Animate1"));

    if (auto* screen = QGuiApplication::primaryScreen()) {
        QRect g = screen->geometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
    }
    if (movie_) movie_->start();
    else if (auto* a = qobject_cast<FindFolderAnimation*>(animation_)) a->start();
}

TFrmHint::~TFrmHint() = default;

void TFrmHint::showAndPaint() {
    show();
    raise();
    // Let the window system map it, then paint it now: the caller is about to block.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

}  // namespace trunaccount::host
