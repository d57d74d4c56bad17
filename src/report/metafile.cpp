#include "report/metafile.h"

#include <QLineF>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <cmath>

#include "platform/gbk.h"

namespace trunaccount::report {

namespace {

// Little-endian record bytes.
class Bytes {
public:
    void u8(unsigned v) { data_.append(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void i16(int v) { u16(static_cast<unsigned>(static_cast<std::int16_t>(std::clamp(v, -32768, 32767)))); }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void raw(const QByteArray& b) { data_.append(b); }
    void padTo(int multiple) {
        while (data_.size() % multiple) u8(0);
    }
    qsizetype size() const { return data_.size(); }
    QByteArray& data() { return data_; }
    void patch32(qsizetype at, std::uint32_t v) { qToLittleEndian(v, data_.data() + at); }
    void patch16(qsizetype at, std::uint16_t v) { qToLittleEndian(v, data_.data() + at); }

private:
    QByteArray data_;
};

int rounded(double v) { return static_cast<int>(std::lround(v)); }

constexpr unsigned kWeightNormal = 400, kWeightBold = 700;
constexpr unsigned kGb2312Charset = 134;
constexpr unsigned kTextAlignBaseline = 24;
constexpr unsigned kTransparent = 1;
constexpr unsigned kEtoClipped = 4;

// The face the report was laid out with, so that a reader that has it draws
// the text as the report does; one that does not picks a face by the Chinese
// character set the font asks for.
QString faceName(const FontSpec& fontDef) { return resolveFamily(fontDef.family).left(31); }

int fontHeight(const FontSpec& fontDef) { return -rounded(fontDef.pointSize * kUnitsPerPoint); }

// Each character of a text with its advance, accumulated and rounded so that
// the line keeps its width. A metafile gives the advance to the first unit it
// writes the character in and 0 to the others.
std::vector<std::pair<char32_t, int>> roundedAdvances(const QString& text, const QFontMetricsF& fm) {
    std::vector<std::pair<char32_t, int>> out;
    double x = 0;
    int placed = 0;
    for (char32_t c : text.toUcs4()) {
        x += fm.horizontalAdvance(QString::fromUcs4(&c, 1));
        const int next = rounded(x);
        out.emplace_back(c, next - placed);
        placed = next;
    }
    return out;
}

// The tick of a check box as line segments.
std::vector<QLineF> checkBoxLines(const PageItem& item) {
    const QRectF& r = item.rect;
    std::vector<QLineF> lines = {{r.topLeft(), r.topRight()},
                                 {r.topRight(), r.bottomRight()},
                                 {r.bottomRight(), r.bottomLeft()},
                                 {r.bottomLeft(), r.topLeft()}};
    if (item.checked) {
        const QPointF a(r.left() + r.width() * 0.2, r.top() + r.height() * 0.5);
        const QPointF b(r.left() + r.width() * 0.42, r.top() + r.height() * 0.75);
        const QPointF c(r.left() + r.width() * 0.82, r.top() + r.height() * 0.22);
        lines.push_back({a, b});
        lines.push_back({b, c});
    }
    return lines;
}

std::vector<QLineF> itemLines(const PageItem& item) {
    if (item.kind == ItemKind::Line) return {QLineF(item.rect.topLeft(), item.rect.bottomRight())};
    if (item.kind == ItemKind::CheckBox) return checkBoxLines(item);
    return {};
}

}  // namespace

// ---- EMF ----

namespace {

enum EmfRecord : std::uint32_t {
    EMR_HEADER = 1,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_MOVETOEX = 27,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_LINETO = 54,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
};

class EmfWriter {
public:
    EmfWriter(double width, double height) : width_(width), height_(height) {
        // The header is written last, when the counts are known.
    }

    void record(std::uint32_t type, const Bytes& params) {
        out_.u32(type);
        out_.u32(static_cast<std::uint32_t>(8 + params.size()));
        Bytes copy = params;
        out_.raw(copy.data());
        ++records_;
    }
    void simple(std::uint32_t type, std::uint32_t value) {
        Bytes p;
        p.u32(value);
        record(type, p);
    }
    void point(std::uint32_t type, QPointF at) {
        Bytes p;
        p.i32(rounded(at.x()));
        p.i32(rounded(at.y()));
        record(type, p);
    }
    std::uint32_t pen(double width) {
        Bytes p;
        p.u32(++handles_);
        p.u32(0);  // PS_SOLID
        p.i32(rounded(width));
        p.i32(0);
        p.u32(0);  // black
        record(EMR_CREATEPEN, p);
        return handles_;
    }
    std::uint32_t font(const FontSpec& fontDef) {
        Bytes p;
        p.u32(++handles_);
        p.i32(fontHeight(fontDef));
        p.i32(0);
        p.i32(0);
        p.i32(0);
        p.i32(fontDef.bold ? kWeightBold : kWeightNormal);
        for (unsigned b : {0u, 0u, 0u, kGb2312Charset, 0u, 0u, 0u, 0u}) p.u8(b);
        const QString face = faceName(fontDef);
        for (int i = 0; i < 32; ++i) p.u16(i < face.size() ? face.at(i).unicode() : 0);
        record(EMR_EXTCREATEFONTINDIRECTW, p);
        return handles_;
    }
    void text(const PageItem& item, const QFontMetricsF& fm) {
        const QString& s = item.text;
        const int n = static_cast<int>(s.size());
        const int fixed = 8 + 16 + 4 + 4 + 4 + 40;
        const int stringBytes = (n * 2 + 3) / 4 * 4;
        Bytes p;
        const QRectF clip = item.rect;
        // Bounds of what is drawn.
        p.i32(rounded(item.origin.x()));
        p.i32(rounded(item.origin.y() - fm.ascent()));
        p.i32(rounded(item.origin.x() + fm.horizontalAdvance(s)));
        p.i32(rounded(item.origin.y() + fm.descent()));
        p.u32(1);  // GM_COMPATIBLE
        p.f32(0);
        p.f32(0);
        p.i32(rounded(item.origin.x()));
        p.i32(rounded(item.origin.y()));
        p.u32(static_cast<std::uint32_t>(n));
        p.u32(static_cast<std::uint32_t>(fixed));               // offString
        p.u32(item.clip ? kEtoClipped : 0);
        p.i32(rounded(clip.left()));
        p.i32(rounded(clip.top()));
        p.i32(rounded(clip.right()));
        p.i32(rounded(clip.bottom()));
        p.u32(static_cast<std::uint32_t>(fixed + stringBytes));  // offDx
        for (QChar c : s) p.u16(c.unicode());
        p.padTo(4);
        for (const auto& [c, advance] : roundedAdvances(s, fm)) {
            p.i32(advance);
            if (QChar::requiresSurrogates(c)) p.i32(0);
        }
        record(EMR_EXTTEXTOUTW, p);
    }

    QByteArray finish() {
        Bytes eof;
        eof.u32(0);
        eof.u32(16);
        eof.u32(20);
        record(EMR_EOF, eof);
        Bytes header;
        const int w = rounded(width_), h = rounded(height_);
        header.u32(EMR_HEADER);
        header.u32(108);
        for (int v : {0, 0, w - 1, h - 1}) header.i32(v);         // bounds, device units
        for (int v : {0, 0, w * 10 - 1, h * 10 - 1}) header.i32(v);  // frame, hundredths of a millimetre
        header.u32(0x464D4520);
        header.u32(0x10000);
        header.u32(static_cast<std::uint32_t>(108 + out_.size()));
        header.u32(static_cast<std::uint32_t>(records_ + 1));
        header.u16(handles_ + 1);
        header.u16(0);
        header.u32(0);
        header.u32(0);
        header.u32(0);
        header.i32(w);  // reference device: one pixel a tenth of a millimetre
        header.i32(h);
        header.i32(w / 10);
        header.i32(h / 10);
        header.u32(0);
        header.u32(0);
        header.u32(0);
        header.i32(w * 100);  // micrometres
        header.i32(h * 100);
        QByteArray all = header.data();
        all.append(out_.data());
        return all;
    }

private:
    double width_, height_;
    Bytes out_;
    int records_ = 0;
    std::uint32_t handles_ = 0;
};

}  // namespace

QByteArray emfPage(const Report& report, const Page& page) {
    EmfWriter emf(page.width, page.height);
    emf.simple(EMR_SETMAPMODE, 1);  // MM_TEXT
    emf.simple(EMR_SETBKMODE, kTransparent);
    emf.simple(EMR_SETTEXTALIGN, kTextAlignBaseline);
    emf.simple(EMR_SETTEXTCOLOR, 0);
    emf.simple(EMR_SELECTOBJECT, emf.pen(2));
    std::vector<std::uint32_t> fonts;
    std::vector<QFontMetricsF> metrics;
    for (const FontSpec& fontDef : report.fonts()) {
        fonts.push_back(emf.font(fontDef));
        metrics.push_back(layoutMetrics(fontDef));
    }
    int selected = -1;
    for (const PageItem& item : page.items) {
        if (item.kind == ItemKind::Text) {
            if (item.font != selected) {
                selected = item.font;
                emf.simple(EMR_SELECTOBJECT, fonts[static_cast<std::size_t>(item.font)]);
            }
            emf.text(item, metrics[static_cast<std::size_t>(item.font)]);
            continue;
        }
        for (const QLineF& l : itemLines(item)) {
            emf.point(EMR_MOVETOEX, l.p1());
            emf.point(EMR_LINETO, l.p2());
        }
    }
    return emf.finish();
}

// ---- WMF ----

namespace {

enum WmfRecord : std::uint16_t {
    META_EOF = 0x0000,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETTEXTALIGN = 0x012E,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_EXTTEXTOUT = 0x0A32,
};

QByteArray gbkBytes(const QString& text) {
    try {
        return QByteArray::fromStdString(platform::utf8ToGbk(text.toStdString()));
    } catch (const std::exception&) {
        // Characters GBK cannot hold become "?", one by one.
        QByteArray out;
        for (uint c : text.toUcs4()) {
            try {
                out += QByteArray::fromStdString(platform::utf8ToGbk(QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1).toStdString()));
            } catch (const std::exception&) {
                out += '?';
            }
        }
        return out;
    }
}

class WmfWriter {
public:
    void record(std::uint16_t function, const Bytes& params) {
        const std::uint32_t words = static_cast<std::uint32_t>(3 + params.size() / 2);
        out_.u32(words);
        out_.u16(function);
        Bytes copy = params;
        out_.raw(copy.data());
        maxRecord_ = std::max(maxRecord_, words);
    }
    void words(std::uint16_t function, std::initializer_list<int> values) {
        Bytes p;
        for (int v : values) p.i16(v);
        record(function, p);
    }
    int pen(double width) {
        Bytes p;
        p.u16(0);
        p.i16(rounded(width));
        p.i16(0);
        p.u32(0);
        record(META_CREATEPENINDIRECT, p);
        return objects_++;
    }
    int font(const FontSpec& fontDef) {
        Bytes p;
        p.i16(fontHeight(fontDef));
        p.i16(0);
        p.i16(0);
        p.i16(0);
        p.i16(fontDef.bold ? kWeightBold : kWeightNormal);
        for (unsigned b : {0u, 0u, 0u, kGb2312Charset, 0u, 0u, 0u, 0u}) p.u8(b);
        QByteArray face = gbkBytes(faceName(fontDef)).left(31);
        face.append(QByteArray(32 - face.size(), '\0'));
        p.raw(face);
        record(META_CREATEFONTINDIRECT, p);
        return objects_++;
    }
    // The text in GBK bytes with the advance of each byte, so that a reader
    // without the report's font keeps its layout.
    void text(const PageItem& item, const QFontMetricsF& fm) {
        QByteArray bytes;
        std::vector<int> dx;
        for (const auto& [c, advance] : roundedAdvances(item.text, fm)) {
            const QByteArray encoded = gbkBytes(QString::fromUcs4(&c, 1));
            for (qsizetype i = 0; i < encoded.size(); ++i) dx.push_back(i == 0 ? advance : 0);
            bytes += encoded;
        }
        Bytes p;
        p.i16(rounded(item.origin.y()));
        p.i16(rounded(item.origin.x()));
        p.u16(static_cast<unsigned>(bytes.size()));
        p.u16(item.clip ? kEtoClipped : 0);
        if (item.clip)
            for (double v : {item.rect.left(), item.rect.top(), item.rect.right(), item.rect.bottom()}) p.i16(rounded(v));
        p.raw(bytes);
        p.padTo(2);
        for (int d : dx) p.i16(d);
        record(META_EXTTEXTOUT, p);
    }

    QByteArray finish(double width, double height) {
        record(META_EOF, Bytes());
        const int w = rounded(width), h = rounded(height);
        Bytes placeable;
        placeable.u32(0x9AC6CDD7);
        placeable.u16(0);
        for (int v : {0, 0, w, h}) placeable.i16(v);
        placeable.u16(static_cast<unsigned>(kUnitsPerInch));  // units per inch: tenths of a millimetre
        placeable.u32(0);
        std::uint16_t checksum = 0;
        const QByteArray& b = placeable.data();
        for (int i = 0; i < 20; i += 2) checksum ^= qFromLittleEndian<std::uint16_t>(b.constData() + i);
        placeable.u16(checksum);
        Bytes header;
        header.u16(1);  // in memory
        header.u16(9);
        header.u16(0x0300);
        header.u32(static_cast<std::uint32_t>((18 + out_.size()) / 2));
        header.u16(static_cast<unsigned>(objects_));
        header.u32(maxRecord_);
        header.u16(0);
        QByteArray all = placeable.data();
        all.append(header.data());
        all.append(out_.data());
        return all;
    }

private:
    Bytes out_;
    std::uint32_t maxRecord_ = 3;
    int objects_ = 0;
};

}  // namespace

QByteArray wmfPage(const Report& report, const Page& page) {
    WmfWriter wmf;
    wmf.words(META_SETMAPMODE, {8});  // MM_ANISOTROPIC: the window below maps onto the picture's frame
    wmf.words(META_SETWINDOWORG, {0, 0});
    wmf.words(META_SETWINDOWEXT, {rounded(page.height), rounded(page.width)});
    wmf.words(META_SETBKMODE, {static_cast<int>(kTransparent), 0});
    wmf.words(META_SETTEXTALIGN, {static_cast<int>(kTextAlignBaseline), 0});
    {
        Bytes color;
        color.u32(0);
        wmf.record(META_SETTEXTCOLOR, color);
    }
    wmf.words(META_SELECTOBJECT, {wmf.pen(2)});
    std::vector<int> fonts;
    std::vector<QFontMetricsF> metrics;
    for (const FontSpec& fontDef : report.fonts()) {
        fonts.push_back(wmf.font(fontDef));
        metrics.push_back(layoutMetrics(fontDef));
    }
    int selected = -1;
    for (const PageItem& item : page.items) {
        if (item.kind == ItemKind::Text) {
            if (item.font != selected) {
                selected = item.font;
                wmf.words(META_SELECTOBJECT, {fonts[static_cast<std::size_t>(item.font)]});
            }
            wmf.text(item, metrics[static_cast<std::size_t>(item.font)]);
            continue;
        }
        for (const QLineF& l : itemLines(item)) {
            wmf.words(META_MOVETO, {rounded(l.p1().y()), rounded(l.p1().x())});
            wmf.words(META_LINETO, {rounded(l.p2().y()), rounded(l.p2().x())});
        }
    }
    return wmf.finish(page.width, page.height);
}

}  // namespace trunaccount::report
