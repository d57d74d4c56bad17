// Flat controls of the tool dialogs: a push button drawn flat with its own
// colour roles, a flat one-line edit box and combo box with a one-pixel border
// of a given colour, and a drawn line or frame. Each derives from the Qt class
// it stands for, so it keeps its accessible name, actions and keyboard use.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QColor>
#include <QLineEdit>
#include <QWidget>

#include "widgets/color_value.h"

namespace trunaccount {

// A flat push button. Colour roles (colour values: red in bits 0-7, green
// 8-15, blue 16-23; bit 31 a system colour):
//   Color           background
//   ColorBorder     the border
//   ColorFocused    the border while the button has the focus
//   ColorHighLight  background under the mouse
//   ColorDown       background while pressed
//   ColorShadow     the lower right edge while pressed
// It takes no focus from Tab (a click or its accelerator still presses it),
// shows the hand cursor, and may carry a picture. `modalResult` is the result
// it gives a dialog that closes on it (0: none).
class FlatButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(int Color READ color WRITE setColor)
    Q_PROPERTY(int ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(int ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(int ColorHighLight READ colorHighLight WRITE setColorHighLight)
    Q_PROPERTY(int ColorDown READ colorDown WRITE setColorDown)
    Q_PROPERTY(int ColorShadow READ colorShadow WRITE setColorShadow)
    Q_PROPERTY(int ModalResult READ modalResult WRITE setModalResult)
public:
    explicit FlatButton(QWidget* parent = nullptr);
    explicit FlatButton(const QString& caption, QWidget* parent = nullptr);

    ColorValue color() const { return color_; }
    void setColor(ColorValue c);
    ColorValue colorBorder() const { return border_; }
    void setColorBorder(ColorValue c);
    ColorValue colorFocused() const { return focused_; }
    void setColorFocused(ColorValue c);
    ColorValue colorHighLight() const { return highlight_; }
    void setColorHighLight(ColorValue c);
    ColorValue colorDown() const { return down_; }
    void setColorDown(ColorValue c);
    ColorValue colorShadow() const { return shadow_; }
    void setColorShadow(ColorValue c);
    int modalResult() const { return modalResult_; }
    void setModalResult(int r) { modalResult_ = r; }

    // The colours the button paints with now (for its state), for checks.
    QColor currentBackground() const;
    QColor currentBorder() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void init();
    ColorValue color_;
    ColorValue border_;
    ColorValue focused_;
    ColorValue highlight_;
    ColorValue down_;
    ColorValue shadow_;
    int modalResult_ = 0;
    bool hovered_ = false;
};

// A one-line edit box drawn flat with a one-pixel border.
class FlatEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int ColorBorder READ colorBorder WRITE setColorBorder)
public:
    explicit FlatEdit(QWidget* parent = nullptr);
    ColorValue colorBorder() const { return border_; }
    void setColorBorder(ColorValue c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorValue border_;
};

// A combo box drawn flat with a one-pixel border.
class FlatComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(int ColorBorder READ colorBorder WRITE setColorBorder)
public:
    explicit FlatComboBox(QWidget* parent = nullptr);
    ColorValue colorBorder() const { return border_; }
    void setColorBorder(ColorValue c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorValue border_;
};

// A drawn line or frame with a pen of a given colour. A shape no taller (or
// no wider) than its pen is a line; anything larger is drawn as a frame.
class Shape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int PenColor READ penColor WRITE setPenColor)
public:
    explicit Shape(QWidget* parent = nullptr);
    ColorValue penColor() const { return pen_; }
    void setPenColor(ColorValue c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorValue pen_;
};

}  // namespace trunaccount

class QDialog;

namespace trunaccount {

// Makes every flat button of `form` whose modalResult is not 0 close the form
// with that result when clicked.
void ConnectModalResults(QDialog* form);

}  // namespace trunaccount
