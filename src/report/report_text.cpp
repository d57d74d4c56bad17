#include "report/report_text.h"

#include <QFontMetricsF>

namespace trunaccount::report {

namespace {

bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }

bool isBlank(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000; }

// Signs and separators that belong to a number.
bool isNumberMark(char32_t c) {
    switch (c) {
    case '+':
    case '-':
    case '.':
    case ',':
    case ':':
    case '/':
    case '%':
    case '(':
    case ')':
    case '$':
    case 0x00A5:  // ¥
    case 0xFFE5:  // ￥
        return true;
    default: return false;
    }
}

// Characters set as Chinese text is: each one may start or end a line.
bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Marks that never start a line.
bool isClosing(char32_t c) {
    static const std::u32string_view marks = U")]},.;:!?%、。，．：；？！）］｝〉》」』】〕〗”’…";
    return marks.find(c) != std::u32string_view::npos;
}

// Marks that never end a line.
bool isOpening(char32_t c) {
    static const std::u32string_view marks = U"([{（［｛〈《「『【〔〖“‘";
    return marks.find(c) != std::u32string_view::npos;
}

struct Char {
    char32_t code;
    qsizetype at;
    double advance;
};

// Whether a line may start at chars[k].
bool canBreakBefore(const std::vector<Char>& chars, std::size_t k) {
    const char32_t prev = chars[k - 1].code, cur = chars[k].code;
    if (isBlank(cur)) return false;
    if (isBlank(prev)) return true;
    if (isClosing(cur) || isOpening(prev)) return false;
    if (isWide(prev) || isWide(cur)) return true;
    const char32_t before = k >= 2 ? chars[k - 2].code : 0;
    // "合计:" may end a line, "12:30" never breaks.
    if (prev == ';' || prev == ':') return !isDigit(before);
    if (prev == ',' || prev == '-' || prev == '/') return !isDigit(before) && !isDigit(cur);
    return false;
}

}  // namespace

bool isNumberLike(QStringView text) {
    bool digit = false;
    for (QChar ch : text) {
        const char32_t c = ch.unicode();
        if (isDigit(c)) digit = true;
        else if (!isNumberMark(c)) return false;
    }
    return digit;
}

TextMeasure::TextMeasure(const FontSpec& font) : font_(font), qfont_(layoutFont(font)) {
    const QFontMetricsF fm = layoutMetrics(font);
    lineSpacing_ = fm.lineSpacing();
    ascent_ = fm.ascent();
    descent_ = fm.descent();
}

double TextMeasure::advance(char32_t c) const {
    if (c < 0x10000) {
        if (basic_.empty()) basic_.assign(0x10000, -1.0f);
        float& a = basic_[c];
        if (a < 0)
            a = static_cast<float>(
                QFontMetricsF(qfont_, layoutDevice()).horizontalAdvance(QChar(static_cast<char16_t>(c))));
        return a;
    }
    auto it = others_.find(c);
    if (it == others_.end()) {
        const char32_t one[1] = {c};
        it = others_.emplace(c, QFontMetricsF(qfont_, layoutDevice()).horizontalAdvance(QString::fromUcs4(one, 1)))
                 .first;
    }
    return it->second;
}

double TextMeasure::width(QStringView text) const {
    double w = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        w += advance(c);
    }
    return w;
}

double TextMeasure::width(std::string_view s, bool* number) const {
    double w = 0;
    bool numeric = true, digit = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        std::size_t length = 1;
        if (b < 0x80) {
            c = b;
        } else {
            const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
            if (need && i + need <= s.size()) {
                char32_t v = b & (0x7F >> need);
                std::size_t k = 1;
                for (; k < need && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; ++k)
                    v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
                if (k == need) {
                    c = v;
                    length = need;
                }
            }
        }
        i += length;
        if (c == '\n' || c == '\r') return -1;
        if (numeric) {
            if (isDigit(c)) digit = true;
            else if (!isNumberMark(c)) numeric = false;
        }
        w += advance(c);
    }
    if (number) *number = numeric && digit;
    return w;
}

std::vector<std::pair<qsizetype, qsizetype>> TextMeasure::lineRanges(QStringView text, double width) const {
    std::vector<std::pair<qsizetype, qsizetype>> lines;
    std::vector<Char> chars;
    const qsizetype n = text.size();
    qsizetype p = 0;
    for (;;) {
        qsizetype end = p;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) ++end;

        // The paragraph's characters, then its words: a word ends where a line may break and
        // keeps the blanks after it.
        chars.clear();
        for (qsizetype i = p; i < end;) {
            char32_t c = text[i].unicode();
            qsizetype length = 1;
            if (QChar::isHighSurrogate(c) && i + 1 < end && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                length = 2;
            }
            chars.push_back({c, i, advance(c)});
            i += length;
        }
        auto at = [&](std::size_t k) { return k < chars.size() ? chars[k].at : end; };
        auto addLine = [&](std::size_t from, std::size_t to) { lines.emplace_back(at(from), at(to)); };
        bool open = false;         // a line has begun
        std::size_t lineFrom = 0;  // its first character
        std::size_t lineTo = 0;    // the end of its last word, blanks left out
        double lineWidth = 0;      // blanks after its last word included
        for (std::size_t from = 0; from < chars.size();) {
            std::size_t next = from + 1;
            while (next < chars.size() && !canBreakBefore(chars, next)) ++next;
            std::size_t to = next;  // the word without its blanks
            while (to > from && isBlank(chars[to - 1].code)) --to;
            double w = 0, blanks = 0;
            for (std::size_t k = from; k < to; ++k) w += chars[k].advance;
            for (std::size_t k = to; k < next; ++k) blanks += chars[k].advance;
            if (open && lineWidth + w > width) {
                addLine(lineFrom, lineTo);
                open = false;
            }
            if (!open && w > width && !isNumberLike(text.mid(at(from), at(to) - at(from)))) {
                // Too long for any line: broken between characters.
                std::size_t piece = from;
                double pw = 0;
                for (std::size_t k = from; k < to; ++k) {
                    if (k > piece && pw + chars[k].advance > width) {
                        addLine(piece, k);
                        piece = k;
                        pw = 0;
                    }
                    pw += chars[k].advance;
                }
                open = true;
                lineFrom = piece;
                lineTo = to;
                lineWidth = pw + blanks;
            } else {
                if (!open) {
                    open = true;
                    lineFrom = from;
                    lineWidth = 0;
                }
                lineTo = to;
                lineWidth += w + blanks;
            }
            from = next;
        }
        if (open) addLine(lineFrom, lineTo);
        else lines.emplace_back(p, p);  // an empty paragraph is an empty line

        if (end >= n) break;
        qsizetype next = end + 1;
        if (text[end] == QLatin1Char('\r') && next < n && text[next] == QLatin1Char('\n')) ++next;
        if (next >= n) break;  // a text ending in a line break has no empty line after it
        p = next;
    }
    return lines;
}

std::vector<QString> TextMeasure::breakLines(const QString& text, double width) const {
    std::vector<QString> lines;
    for (const auto& [from, to] : lineRanges(text, width)) lines.push_back(text.mid(from, to - from));
    return lines;
}

int TextMeasure::lineCount(const QString& text, double width) const {
    return static_cast<int>(lineRanges(text, width).size());
}

}  // namespace trunaccount::report
