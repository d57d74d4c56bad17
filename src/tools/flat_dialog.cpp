#include "tools/flat_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <array>
#include <cstdlib>

#include "tools/color_style.h"
#include "widgets/flat_controls.h"
#include "widgets/interface_font.h"

namespace trunaccount {

// ---- layout units ----

int MulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    long long q = n / c;
    const long long r = n % c;
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((n < 0) != (c < 0)) ? -1 : 1;
    return static_cast<int>(q);
}

DialogUnits DialogUnits::of(const QFont& font) {
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics fm(font);
    return {fm.horizontalAdvance(letters) / 52, fm.height()};
}

int DialogUnits::scaleX(int a) const { return MulDivRound(a, h, 4); }
int DialogUnits::scaleY(int a) const { return MulDivRound(a, v, 8); }

namespace {

struct ButtonKind {
    MsgDlgBtn flag;
    const char* name;
    const char* caption;
    int result;
};

// The button kinds in the order a dialog shows them.
const std::array<ButtonKind, 11> kButtonKinds{{
    {mbYes, "Yes", "是(&Y)", mrYes},
    {mbNo, "No", "不(&N)", mrNo},
    {mbOK, "OK", "确认(&O)", mrOk},
    {mbCancel, "Cancel", "放弃(&C)", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},
    {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore},
    {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll},
    {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
}};

const char* const kOkCaption = "确认(&O)";
const char* const kCancelCaption = "放弃(&C)";

std::size_t kindIndex(MsgDlgBtn kind) {
    for (std::size_t i = 0; i < kButtonKinds.size(); ++i)
        if (kButtonKinds[i].flag == kind) return i;
    return 0;
}

QString captionOf(MsgDlgType type) {
    switch (type) {
    case mtWarning: return QStringLiteral("警告");
    case mtError: return QStringLiteral("错误");
    case mtInformation: return QStringLiteral("信息");
    case mtConfirmation: return QStringLiteral("询问");
    case mtCustom: break;
    }
    return QGuiApplication::applicationDisplayName();
}

QIcon iconOf(MsgDlgType type, const QStyle* style) {
    switch (type) {
    case mtWarning: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case mtError: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case mtInformation: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case mtConfirmation: return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case mtCustom: break;
    }
    return {};
}

QRect screenRect() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

// Flags of the message's text: word wrapping and tab expansion.
constexpr int kMessageTextFlags = Qt::TextWordWrap | Qt::TextExpandTabs;

// The message, drawn with the same flags it was measured with, so that it
// breaks its lines exactly where the measure said.
class MessageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        const int align = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
        p.drawText(contentsRect(), kMessageTextFlags | align | Qt::AlignTop, text());
    }
};

// The window the dialogs stay in front of (they are placed on the screen, not
// over it).
QWidget* frontOwner() { return QApplication::activeWindow(); }

void paintBackground(QWidget* form, ColorValue color) {
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    form->setPalette(pal);
    form->setAutoFillBackground(true);
}

// Caption bar with a close box, no resizing, no help button.
void setDialogBorder(QDialog* form) {
    form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint);
    form->setSizeGripEnabled(false);
}

}  // namespace

void CentreOnScreen(QWidget* window) {
    const QRect screen = screenRect();
    const QSize outer = window->frameGeometry().size();
    window->move(screen.left() + screen.width() / 2 - outer.width() / 2,
                 screen.top() + screen.height() / 2 - outer.height() / 2);
}

int ButtonCaptionWidth(MsgDlgBtn kind, const QFont& font) {
    static std::array<int, kButtonKinds.size()> widths{};
    const std::size_t i = kindIndex(kind);
    if (widths[i] == 0)
        widths[i] = QFontMetrics(font).horizontalAdvance(QString::fromUtf8(kButtonKinds[i].caption)) + 8;
    return widths[i];
}

// ---- the message dialog ----

TMessageForm::TMessageForm(const QString& message, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent)
    : QDialog(parent) {
    LoadMessageDialogPalette();
    setObjectName(QStringLiteral("MessageForm"));
    setFont(QApplication::font("QMessageBox"));
    paintBackground(this, DialogBackColor());
    setLayoutDirection(QGuiApplication::layoutDirection());
    setDialogBorder(this);

    units_ = DialogUnits::of(font());
    const int M = units_.scaleX(8), N = units_.scaleY(8);
    const int S = units_.scaleX(10), T = units_.scaleY(10);
    int W = units_.scaleX(50);
    const int H = units_.scaleY(14), G = units_.scaleX(4);
    int count = 0;
    for (const auto& k : kButtonKinds)
        if (buttons.testFlag(k.flag)) {
            W = std::max(W, ButtonCaptionWidth(k.flag, font()));
            ++count;
        }

    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QRect screen = screenRect();
    const QRect textRect =
        QFontMetrics(font()).boundingRect(QRect(0, 0, screen.width() / 2, 0), kMessageTextFlags, text);
    const QSize textSize(textRect.width(), textRect.height());

    const bool hasIcon = type != mtCustom;
    block_ = textSize;
    if (hasIcon) block_ = QSize(block_.width() + 32 + S, std::max(block_.height(), 32));
    const int rowWidth = count == 0 ? 0 : count * W + (count - 1) * G;
    const int clientWidth = std::max(block_.width(), rowWidth) + 2 * M;
    const int clientHeight = block_.height() + H + T + 2 * N;
    setFixedSize(clientWidth, clientHeight);
    CentreOnScreen(this);
    setWindowTitle(captionOf(type));

    if (hasIcon) {
        auto* image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setGeometry(M, N, 32, 32);
        image->setPixmap(iconOf(type, style()).pixmap(32, 32));
    }
    message_ = new MessageLabel(text, this);
    message_->setObjectName(QStringLiteral("Message"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    int left = block_.width() - textSize.width() + M;
    if (layoutDirection() == Qt::RightToLeft) left = clientWidth - left - textSize.width();
    message_->setGeometry(left, N, textSize.width(), textSize.height());

    int x = (clientWidth - rowWidth) / 2;
    const int y = block_.height() + N + T;
    for (const auto& k : kButtonKinds) {
        if (!buttons.testFlag(k.flag)) continue;
        auto* b = new FlatButton(QString::fromUtf8(k.caption), this);
        b->setObjectName(QString::fromLatin1(k.name));
        b->setModalResult(k.result);
        b->setColorBorder(DialogLineColor());
        b->setGeometry(x, y, W, H);
        if (k.result != mrNone) connect(b, &QAbstractButton::clicked, this, [this, r = k.result] { done(r); });
        x += W + G;
    }
}

int TMessageForm::exec() {
    CentreOnScreen(this);
    return QDialog::exec();
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape close the dialog whatever buttons it shows.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: done(mrOk); return;
    case Qt::Key_Escape: done(mrCancel); return;
    default: QDialog::keyPressEvent(event);
    }
}

void TMessageForm::closeEvent(QCloseEvent* event) {
    // The close box answers as cancel.
    setResult(mrCancel);
    QDialog::closeEvent(event);
}

void TMessageForm::reject() { done(mrCancel); }

int FlatMessageDialog(const QString& message, MsgDlgType type, MsgDlgButtons buttons) {
    TMessageForm form(message, type, buttons, frontOwner());
    return form.exec();
}

// ---- the two query dialogs ----

namespace {

// The form both queries share: a prompt, an input and OK / cancel buttons.
class QueryForm : public QDialog {
public:
    QueryForm(const QString& caption, const QString& prompt, QWidget* input, bool namedButtons) : QDialog(frontOwner()) {
        paintBackground(this, DialogBackColor());
        setFont(QApplication::font());
        const DialogUnits u = DialogUnits::of(font());
        setDialogBorder(this);
        setWindowTitle(caption);
        setFixedSize(u.scaleX(180), u.scaleY(63));
        CentreOnScreen(this);

        auto* label = new QLabel(prompt, this);
        label->setObjectName(QStringLiteral("Prompt"));
        label->setFont(InterfaceFont());
        label->adjustSize();
        label->move(u.scaleX(8), u.scaleY(8));

        input->setParent(this);
        input->setFont(InterfaceFont());
        input->setGeometry(label->x(), u.scaleY(19), u.scaleX(164), input->sizeHint().height());
        input->installEventFilter(this);
        label->setBuddy(input);

        const struct {
            const char* name;
            const char* caption;
            int result;
            int left;
        } buttons[] = {{"btnOK", kOkCaption, mrOk, 38}, {"btnCancel", kCancelCaption, mrCancel, 92}};
        for (const auto& d : buttons) {
            auto* b = new FlatButton(QString::fromUtf8(d.caption), this);
            if (namedButtons) b->setObjectName(QString::fromLatin1(d.name));
            else b->setFont(InterfaceFont());
            b->setModalResult(d.result);
            b->setColorBorder(DialogLineColor());
            b->setGeometry(u.scaleX(d.left), u.scaleY(41), u.scaleX(50), u.scaleY(14));
            connect(b, &QAbstractButton::clicked, this, [this, r = d.result] { done(r); });
        }
    }

    // Runs once the dialog is on the screen (after the dialog gave the focus
    // to its first control).
    std::function<void()> onShown;

    int run() {
        CentreOnScreen(this);
        return exec();
    }

    void reject() override { done(mrCancel); }
    void setVisible(bool visible) override {
        QDialog::setVisible(visible);
        if (visible && onShown) onShown();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        setResult(mrCancel);
        QDialog::closeEvent(event);
    }
    // The input closes the dialog with Enter (OK) and Escape (cancel).
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                done(mrOk);
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                done(mrCancel);
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }
};

constexpr int kTextQueryMaxLength = 255;

}  // namespace

bool FlatTextQuery(const QString& caption, const QString& prompt, QString& text, QChar passwordChar) {
    LoadTextQueryPalette();
    auto* edit = new FlatEdit;
    edit->setColorBorder(DialogLineColor());
    edit->setText(text);
    if (!passwordChar.isNull()) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(passwordChar.unicode()));
    }
    edit->selectAll();
    // Typing stops at 255 characters; a longer text given at the start stays
    // whole (it can only get shorter).
    QString last = text;
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, &last](const QString& now) {
        if (now.size() > kTextQueryMaxLength && now.size() > last.size()) {
            const int caret = edit->cursorPosition() - static_cast<int>(now.size() - last.size());
            edit->setText(last);
            edit->setCursorPosition(std::max(0, caret));
            return;
        }
        last = now;
    });
    QueryForm form(caption, prompt, edit, true);
    form.onShown = [edit] {
        edit->setFocus();
        edit->end(false);  // caret after the text, nothing selected
    };
    if (form.run() != mrOk) return false;
    text = edit->text();
    return true;
}

bool FlatChoiceQuery(const QString& caption, const QString& prompt, const QStringList& choices, int style,
                     QString& value) {
    LoadChoiceQueryPalette();
    auto* combo = new FlatComboBox;
    combo->setColorBorder(DialogLineColor());
    combo->setEditable(style != csDropDownList);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(choices);
    combo->setCurrentIndex(choices.isEmpty() ? -1 : 0);
    QueryForm form(caption, prompt, combo, false);
    form.onShown = [combo] { combo->setFocus(); };
    if (form.run() != mrOk) return false;
    // Only an entry of the list is delivered: typed text that is none gives "".
    int index = combo->currentIndex();
    if (combo->isEditable()) index = combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    value = index >= 0 ? combo->itemText(index) : QString();
    return true;
}

}  // namespace trunaccount
