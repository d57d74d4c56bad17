// The styled dialogs: a message with an icon and a row of flat buttons, a
// one-line text query and a choice from a list. They are built in code, laid
// out in units of their font (so they follow the user's font settings) and
// coloured with the dialog palette (color_style.h).
//
// Each loads the palette by its own rule before it is built; a settings value
// that is not an integer raises ConversionError and no dialog opens. All run
// modally on the user-interface thread.
#pragma once

#include <QDialog>
#include <QFlags>
#include <QFont>
#include <QString>
#include <QStringList>

class QLabel;

namespace trunaccount {

// Dialog results.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// Message types: caption and icon of the message dialog.
//   warning "警告", error "错误", information "信息", confirmation "询问",
//   custom: the application's title and no icon.
enum MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Button kinds, in the order a dialog shows them, left to right.
enum MsgDlgBtn {
    mbYes = 0x001,       // "是(&Y)"      -> 6
    mbNo = 0x002,        // "不(&N)"      -> 7
    mbOK = 0x004,        // "确认(&O)"    -> 1
    mbCancel = 0x008,    // "放弃(&C)"    -> 2
    mbAbort = 0x010,     // "&Abort"      -> 3
    mbRetry = 0x020,     // "&Retry"      -> 4
    mbIgnore = 0x040,    // "&Ignore"     -> 5
    mbAll = 0x080,       // "&All"        -> 8
    mbNoToAll = 0x100,   // "N&o to All"  -> 9
    mbYesToAll = 0x200,  // "Yes to &All" -> 10
    mbHelp = 0x400,      // "&Help"       -> none: leaves the dialog open
};
Q_DECLARE_FLAGS(MsgDlgButtons, MsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgDlgButtons)

// Shows `message` with the caption and icon of `type` and the requested
// buttons, centred on the screen, and returns the result of the button that
// closed it. Enter gives 1 and Escape or the close box 2, whatever buttons
// are shown.
int FlatMessageDialog(const QString& message, MsgDlgType type, MsgDlgButtons buttons);

// Asks for one line of text under `prompt`. The edit box starts with `text`,
// the caret after it, nothing selected; typing stops at 255 characters. With
// OK (button or Enter) `text` becomes the edit box's content and the result is
// true; with cancel (button, Escape, close box) `text` stays as it was. A
// non-null `passwordChar` hides what is typed.
bool FlatTextQuery(const QString& caption, const QString& prompt, QString& text, QChar passwordChar = QChar());

// Combo box styles of FlatChoiceQuery.
enum ChoiceStyle { csDropDownList = 0, csDropDown = 1 };

// Asks for one of `choices` under `prompt`; the first is selected at start.
// Style 0: pick from the list only; 1: the user may also type; any other
// value: the combo box's standard style. With OK `value` becomes the text of
// the selected entry (empty when none is, so typed text that is no entry is
// not delivered) and the result is true; with cancel `value` stays as it was.
bool FlatChoiceQuery(const QString& caption, const QString& prompt, const QStringList& choices, int style,
                     QString& value);

// ---- layout, for those who build or check the dialogs ----

// The layout units of a font: h is the average width of "A".."Z" "a".."z"
// (integer division by 52), v the height of that line. scaleX(a) = a*h/4 and
// scaleY(a) = a*v/8, rounded to the nearest integer, halves away from zero.
struct DialogUnits {
    int h = 0;
    int v = 0;
    static DialogUnits of(const QFont& font);
    int scaleX(int a) const;
    int scaleY(int a) const;
};
// a*b/c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c);

// The message dialog before it is shown: a modal dialog whose result() is the
// button's result. FlatMessageDialog creates one, shows it and destroys it.
// Raises ConversionError like FlatMessageDialog.
class TMessageForm : public QDialog {
    Q_OBJECT
public:
    TMessageForm(const QString& message, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent = nullptr);

    // The dialog's font units and the measures derived from them.
    const DialogUnits& units() const { return units_; }
    // The icon and text block (before the buttons).
    QSize blockSize() const { return block_; }
    QLabel* messageLabel() const { return message_; }

    int exec() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    DialogUnits units_;
    QSize block_;
    QLabel* message_ = nullptr;
};

// Places a window in the middle of the screen (halves of the screen and of the
// window's outer size, each truncated).
void CentreOnScreen(QWidget* window);

// The width of a button kind's caption in the message dialog's font plus 8,
// measured once per kind per process.
int ButtonCaptionWidth(MsgDlgBtn kind, const QFont& font);

}  // namespace trunaccount
