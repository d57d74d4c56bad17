#include "widgets/flat_controls.h"

#include <QEnterEvent>
#include <QPainter>
#include <QDialog>
#include <QStyleOption>

namespace trunaccount {

namespace {
// Black or white, whichever reads better on `background`.
QColor textColorOn(const QColor& background) {
    if (background.alpha() == 0) return QColor(Qt::black);
    return background.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

// A one-pixel border of `color` just inside the widget's edge.
void drawBorder(QWidget* w, ColorValue color) {
    QPainter p(w);
    p.setPen(ToQColor(color));
    p.setBrush(Qt::NoBrush);
    p.drawRect(w->rect().adjusted(0, 0, -1, -1));
}

constexpr ColorValue kDefaultBorder = 0x808080;
constexpr ColorValue kDefaultHighLight = 0xF7E6D5;  // light blue
constexpr ColorValue kDefaultDown = 0xC0C0C0;
constexpr ColorValue kDefaultShadow = 0x808080;
}  // namespace

// ---- FlatButton ----

FlatButton::FlatButton(QWidget* parent) : QAbstractButton(parent) { init(); }

FlatButton::FlatButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    init();
    setText(caption);
}

void FlatButton::init() {
    color_ = kColorNone;
    border_ = kDefaultBorder;
    focused_ = kColorWhite;
    highlight_ = kDefaultHighLight;
    down_ = kDefaultDown;
    shadow_ = kDefaultShadow;
    // Not a Tab stop: a click or the accelerator presses it.
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void FlatButton::setColor(ColorValue c) { color_ = c; update(); }
void FlatButton::setColorBorder(ColorValue c) { border_ = c; update(); }
void FlatButton::setColorFocused(ColorValue c) { focused_ = c; update(); }
void FlatButton::setColorHighLight(ColorValue c) { highlight_ = c; update(); }
void FlatButton::setColorDown(ColorValue c) { down_ = c; update(); }
void FlatButton::setColorShadow(ColorValue c) { shadow_ = c; update(); }

QColor FlatButton::currentBackground() const {
    if (isDown()) return ToQColor(down_);
    if (hovered_ && isEnabled()) return ToQColor(highlight_);
    if (hasFocus()) return ToQColor(focused_);
    return ToQColor(color_);
}

QColor FlatButton::currentBorder() const { return ToQColor(border_); }

QSize FlatButton::sizeHint() const {
    QFontMetrics fm(font());
    QString t = text();
    t.remove(QLatin1Char('&'));
    int w = fm.horizontalAdvance(t) + 16;
    if (!icon().isNull()) w += iconSize().width() + (t.isEmpty() ? 0 : 4);
    return {w, std::max(23, fm.height() + 8)};
}

void FlatButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void FlatButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QColor back = currentBackground();
    if (back.alpha() > 0) p.fillRect(r, back);
    p.setPen(currentBorder());
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (isDown()) {
        // Pressed in: the lower and right edges in the shadow colour.
        p.setPen(ToQColor(shadow_));
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
    QRect content = r.adjusted(3, 2, -3, -2);
    if (isDown()) content.translate(1, 1);
    const QString caption = text();
    if (!icon().isNull()) {
        const QSize is = iconSize();
        QPixmap pm = icon().pixmap(is, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        if (caption.isEmpty()) {
            p.drawPixmap(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, is, content), pm);
            return;
        }
        QRect iconRect(content.left() + 2, content.top() + (content.height() - is.height()) / 2, is.width(), is.height());
        p.drawPixmap(iconRect, pm);
        content.setLeft(iconRect.right() + 4);
    }
    QColor fg = isEnabled() ? textColorOn(back.alpha() ? back : palette().color(backgroundRole()))
                            : palette().color(QPalette::Disabled, QPalette::ButtonText);
    p.setPen(fg);
    p.setFont(font());
    p.drawText(content, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
}

// ---- FlatEdit ----

FlatEdit::FlatEdit(QWidget* parent) : QLineEdit(parent), border_(kDefaultBorder) {
    setFrame(false);
    setTextMargins(2, 0, 2, 0);
}

void FlatEdit::setColorBorder(ColorValue c) {
    border_ = c;
    update();
}

void FlatEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    drawBorder(this, border_);
}

// ---- FlatComboBox ----

FlatComboBox::FlatComboBox(QWidget* parent) : QComboBox(parent), border_(kDefaultBorder) { setFrame(false); }

void FlatComboBox::setColorBorder(ColorValue c) {
    border_ = c;
    update();
}

void FlatComboBox::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    drawBorder(this, border_);
}

// ---- Shape ----

Shape::Shape(QWidget* parent) : QWidget(parent), pen_(0) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::setPenColor(ColorValue c) {
    pen_ = c;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(ToQColor(pen_));
    const QRect r = rect();
    if (r.height() <= 1) p.drawLine(r.left(), r.top(), r.right(), r.top());
    else if (r.width() <= 1) p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    else p.drawRect(r.adjusted(0, 0, -1, -1));
}

}  // namespace trunaccount

namespace trunaccount {

void ConnectModalResults(QDialog* form) {
    for (FlatButton* b : form->findChildren<FlatButton*>())
        if (b->modalResult() != 0)
            QObject::connect(b, &QAbstractButton::clicked, form, [form, b] { form->done(b->modalResult()); });
}

}  // namespace trunaccount
