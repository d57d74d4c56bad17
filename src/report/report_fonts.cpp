#include "report/report_fonts.h"

#include <fontconfig/fontconfig.h>

#include <QHash>
#include <QImage>
#include <QMutex>

namespace trunaccount::report {

namespace {

// Faces preferred for the Chinese font names reports use, best first; the
// generic family after them is fontconfig's own choice for Chinese text.
const char* const kAliases = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>宋体</family>
    <prefer><family>SimSun</family><family>AR PL SungtiL GB</family><family>AR PL UMing CN</family>
      <family>Noto Serif CJK SC</family><family>WenQuanYi Micro Hei</family></prefer>
    <default><family>serif</family></default></alias>
  <alias binding="same"><family>新宋体</family><prefer><family>宋体</family></prefer></alias>
  <alias binding="same"><family>黑体</family>
    <prefer><family>SimHei</family><family>WenQuanYi Zen Hei</family><family>WenQuanYi Micro Hei</family>
      <family>Noto Sans CJK SC</family></prefer>
    <default><family>sans-serif</family></default></alias>
</fontconfig>
)";

QString matchFamily(const QString& name) {
    static bool loaded = [] {
        FcInit();
        return FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(kAliases),
                                              FcFalse) == FcTrue;
    }();
    (void)loaded;  // without the aliases fontconfig still answers with its own choice
    FcPattern* pattern = FcPatternCreate();
    const QByteArray utf8 = name.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString family;
    FcChar8* found = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(found));
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return family.isEmpty() ? name : family;
}

const QImage& referenceDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMetre = static_cast<int>(kUnitsPerInch / 0.0254 + 0.5);
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image;
    }();
    return device;
}

}  // namespace

QPaintDevice* layoutDevice() { return const_cast<QImage*>(&referenceDevice()); }

QString resolveFamily(const QString& name) {
    static QMutex mutex;
    static QHash<QString, QString> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.find(name);
    if (it == cache.end()) it = cache.insert(name, matchFamily(name));
    return *it;
}

QFont deviceFont(const FontSpec& fontDef, double dpi) {
    QFont font(resolveFamily(fontDef.family));
    // The point size resolves against the device's resolution and the painter
    // scales once more: the size given makes the two steps come out right.
    font.setPointSizeF(fontDef.pointSize * kUnitsPerInch / dpi);
    font.setBold(fontDef.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

QFont layoutFont(const FontSpec& fontDef) {
    // Sized for the layout device: its resolution makes a point 254 / 72 pixels.
    return deviceFont(fontDef, kUnitsPerInch);
}

QFontMetricsF layoutMetrics(const FontSpec& fontDef) { return QFontMetricsF(layoutFont(fontDef), &referenceDevice()); }

}  // namespace trunaccount::report
