#include "widgets/color_value.h"

#include <QGuiApplication>
#include <QPalette>

namespace trunaccount {

namespace {
// The system colours by number, as the application palette holds them.
QColor systemColor(int index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 1: return pal.color(QPalette::Window);            // desktop
    case 4: return pal.color(QPalette::Window);            // menu
    case 5: return pal.color(QPalette::Base);              // window
    case 6: return pal.color(QPalette::Shadow);            // window frame
    case 7: return pal.color(QPalette::WindowText);        // menu text
    case 8: return pal.color(QPalette::Text);              // window text
    case 12: return pal.color(QPalette::Dark);             // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);           // button face
    case 16: return pal.color(QPalette::Dark);             // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 20: return pal.color(QPalette::Light);            // button highlight
    case 21: return pal.color(QPalette::Shadow);           // dark 3D shadow
    case 22: return pal.color(QPalette::Midlight);         // 3D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: return pal.color(QPalette::Window);
    }
}
}  // namespace

QColor ToQColor(ColorValue color) {
    if (color == kColorNone) return QColor(Qt::transparent);
    const auto u = static_cast<std::uint32_t>(color);
    if (u & 0x80000000u) return systemColor(static_cast<int>(u & 0xFFu));
    return QColor(static_cast<int>(u & 0xFFu), static_cast<int>((u >> 8) & 0xFFu), static_cast<int>((u >> 16) & 0xFFu));
}

ColorValue FromQColor(const QColor& color) {
    const QColor c = color.toRgb();
    return static_cast<ColorValue>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

}  // namespace trunaccount
