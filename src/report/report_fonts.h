// Fonts of printed reports. A report names its fonts as the accountant knows
// them ("宋体", "黑体"); fontconfig maps each name to an installed face with
// Chinese glyphs (a Song face for "宋体", a Hei face for "黑体"). Text is
// measured once, on a reference device whose pixel is one layout unit, so that
// every output breaks lines in the same places.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

class QPaintDevice;

namespace trunaccount::report {

// Layout unit: a tenth of a millimetre (the unit of the page setup).
inline constexpr double kUnitsPerInch = 254.0;
inline constexpr double kUnitsPerPoint = kUnitsPerInch / 72.0;
// Band heights and grid column widths come in screen pixels (96 per inch).
inline constexpr double kUnitsPerScreenPixel = kUnitsPerInch / 96.0;

struct FontSpec {
    QString family = QStringLiteral("宋体");
    double pointSize = 9;
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The installed family fontconfig chooses for a report font name, Chinese
// text assumed. Known names are tried against a list of matching faces first.
QString resolveFamily(const QString& name);

// The font for drawing `fontDef` on a device whose logical resolution is `dpi`,
// while the painter maps one layout unit to dpi / 254 device pixels.
QFont deviceFont(const FontSpec& fontDef, double dpi);

// The device text is measured and broken into lines on (one pixel a layout unit).
QPaintDevice* layoutDevice();

// The font of `fontDef` as text is laid out with it (on layoutDevice()).
QFont layoutFont(const FontSpec& fontDef);

// Metrics in layout units.
QFontMetricsF layoutMetrics(const FontSpec& fontDef);

}  // namespace trunaccount::report
