// Colour values as the settings file and the form designs write them: a signed
// 32-bit integer with red in bits 0-7, green in 8-15 and blue in 16-23. A value
// with bit 31 set names a system colour by its low byte (15: button face);
// kColorNone paints nothing, so the parent's background shows.
#pragma once

#include <QColor>
#include <cstdint>

namespace trunaccount {

using ColorValue = std::int32_t;

inline constexpr ColorValue kColorWhite = 0xFFFFFF;
inline constexpr ColorValue kColorNone = 0x1FFFFFFF;
// The marker green of the form designs.
inline constexpr ColorValue kMarkerGreen = 0x008000;
// The system's button-face colour.
inline constexpr ColorValue kButtonFaceColor = static_cast<ColorValue>(0x8000000F);

// The colour as Qt draws it: system colours from the application palette,
// kColorNone as a transparent colour.
QColor ToQColor(ColorValue color);
// The colour value of an RGB colour (alpha ignored).
ColorValue FromQColor(const QColor& color);

}  // namespace trunaccount
