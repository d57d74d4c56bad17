#include "tools/color_style.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QVariant>
#include <cctype>
#include <limits>
#include <string>

#include "data/settings.h"
#include "platform/errors.h"
#include "widgets/flat_controls.h"

namespace trunaccount {

namespace {
const char* const kColorProperty = "Color";
const char* const kFontColorProperty = "FontColor";

std::string readColorSetting(std::string_view key, std::string_view defaultValue) {
    return ReadSetting(kColorSettingsFile, kColorSection, key, defaultValue, "");
}

std::int32_t readColorInt(std::string_view key, std::string_view defaultValue) {
    return StrToInt(readColorSetting(key, defaultValue));
}

bool isExactly(const QObject* o, const QMetaObject& mo) { return o->metaObject() == &mo; }

// What the colour style does with a control, by its class.
enum class StyleKind { Other, Shape, ListView, Label, FlatButton };

StyleKind styleKind(const QObject* o) {
    if (isExactly(o, Shape::staticMetaObject)) return StyleKind::Shape;
    if (isExactly(o, QListWidget::staticMetaObject) || isExactly(o, QListView::staticMetaObject) ||
        isExactly(o, QTreeWidget::staticMetaObject) || isExactly(o, QTreeView::staticMetaObject))
        return StyleKind::ListView;
    if (isExactly(o, QLabel::staticMetaObject)) return StyleKind::Label;
    if (isExactly(o, FlatButton::staticMetaObject)) return StyleKind::FlatButton;
    return StyleKind::Other;
}

// Containers of a design whose controls belong to the form as well (a group
// box, a panel, a page); the inner parts of other controls are not visited.
bool isDesignContainer(const QWidget* w) {
    return isExactly(w, QWidget::staticMetaObject) || isExactly(w, QFrame::staticMetaObject) ||
           isExactly(w, QGroupBox::staticMetaObject) || isExactly(w, QTabWidget::staticMetaObject) ||
           isExactly(w, QStackedWidget::staticMetaObject);
}

// Every control of the form's design, in the order they were made, each
// container's controls right after it.
template <typename F>
void forEachDesignControl(QWidget* parent, F&& visit) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        // Internal parts ("qt_..."), such as a tab widget's page stack, are
        // not controls of the design, but the pages inside them are.
        if (!w->objectName().startsWith(QLatin1String("qt_"))) visit(w);
        if (isDesignContainer(w)) forEachDesignControl(w, visit);
    }
}

bool hasOwnColor(const QWidget* w) { return w->property(kColorProperty).isValid(); }
}  // namespace

std::int32_t StrToInt(std::string_view text) {
    auto fail = [&]() -> std::int32_t {
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return fail();
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        int digit;
        if (std::isdigit(ch)) digit = ch - '0';
        else if (base == 16 && std::isxdigit(ch)) digit = std::tolower(ch) - 'a' + 10;
        else return fail();
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return fail();
    }
    if (base == 16) {
        // Hexadecimal digits give the 32 bits as they stand (a system colour's bit 31).
        auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
    }
    const std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (value > limit) return fail();
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value)) : static_cast<std::int32_t>(value);
}

// ---- control colours ----

void SetControlColor(QWidget* control, ColorValue color) {
    if (auto* button = qobject_cast<FlatButton*>(control)) {
        button->setColor(color);
        return;
    }
    control->setProperty(kColorProperty, color);
    QPalette pal = control->palette();
    const QColor c = ToQColor(color);
    pal.setColor(QPalette::Window, c);
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        pal.setColor(QPalette::Base, c);
        view->viewport()->setAutoFillBackground(true);
    } else if (!control->isWindow()) {
        control->setAutoFillBackground(c.alpha() > 0);
    }
    control->setPalette(pal);
}

ColorValue ControlColor(const QWidget* control) {
    if (auto* button = qobject_cast<const FlatButton*>(control)) return button->color();
    for (const QWidget* w = control; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (hasOwnColor(w)) return w->property(kColorProperty).toInt();
    return kButtonFaceColor;
}

void SetFontColor(QWidget* control, ColorValue color) {
    control->setProperty(kFontColorProperty, color);
    QPalette pal = control->palette();
    pal.setColor(QPalette::WindowText, ToQColor(color));
    pal.setColor(QPalette::Text, ToQColor(color));
    control->setPalette(pal);
}

ColorValue FontColor(const QWidget* control) {
    const QVariant v = control->property(kFontColorProperty);
    if (v.isValid()) return v.toInt();
    return FromQColor(control->palette().color(QPalette::WindowText));
}

void ApplyDesignColors(QWidget* form) {
    auto apply = [](QWidget* w) {
        if (!qobject_cast<FlatButton*>(w) && hasOwnColor(w)) SetControlColor(w, w->property(kColorProperty).toInt());
        const QVariant font = w->property(kFontColorProperty);
        if (font.isValid()) SetFontColor(w, font.toInt());
    };
    apply(form);
    forEachDesignControl(form, apply);
}

// ---- the colour style of the tool windows ----

void ApplyColorStyle(QWidget* window) {
    // Every value is converted before anything changes.
    const std::int32_t colorStyle = readColorInt("colorstyle", "0");
    const ColorValue backColor = readColorInt("backcolor", "15528176");
    const ColorValue lineColor = readColorInt("linecolor", "12349763");
    const ColorValue titleColor = readColorInt("titlecolor", "12349763");
    if (colorStyle == 0) return;

    SetControlColor(window, backColor);
    forEachDesignControl(window, [&](QWidget* w) {
        switch (styleKind(w)) {
        case StyleKind::Shape: static_cast<Shape*>(w)->setPenColor(lineColor); break;
        case StyleKind::ListView: SetControlColor(w, backColor); break;
        case StyleKind::Label: {
            const ColorValue back = ControlColor(w);
            if (back != kButtonFaceColor && back != kExemptLabelColor) SetControlColor(w, backColor);
            if (FontColor(w) == kMarkerGreen) SetFontColor(w, titleColor);
            break;
        }
        case StyleKind::FlatButton: {
            auto* b = static_cast<FlatButton*>(w);
            b->setColor(backColor);
            if (b->colorBorder() == kMarkerGreen) {
                b->setColorBorder(lineColor);
                b->setColorFocused(kColorWhite);
                b->setColorHighLight(lineColor);
            }
            break;
        }
        case StyleKind::Other: break;
        }
    });
}

// ---- the dialog palette ----

namespace {
ColorValue gDialogBackColor = kDesignBackColor;
ColorValue gDialogLineColor = kMarkerGreen;

// The text query's and the choice dialog's rule: the palette loads when the
// switch's text is anything but "0" (so "00" loads it).
void loadPaletteSwitchedBy(std::string_view switchKey) {
    if (readColorSetting(switchKey, "0") == "0") return;
    const ColorValue line = readColorInt("linecolor", "12349763");
    const ColorValue back = readColorInt("backcolor", "15528176");
    gDialogLineColor = line;
    gDialogBackColor = back;
}
}  // namespace

ColorValue DialogBackColor() { return gDialogBackColor; }
ColorValue DialogLineColor() { return gDialogLineColor; }

void LoadMessageDialogPalette() { gDialogBackColor = readColorInt("backcolor", "15528176"); }
void LoadTextQueryPalette() { loadPaletteSwitchedBy("colorstyle"); }
void LoadChoiceQueryPalette() { loadPaletteSwitchedBy("style"); }

}  // namespace trunaccount
