// Widths of text in a report font and the lines a cell's text is broken into.
//
// Report fonts are drawn without kerning, so a text is as wide as the sum of
// its characters' advances: widths come from a table of advances filled as
// characters are met, and a cell that fits its column is known to be one line
// without shaping it.
//
// Lines break after blanks, before and after Chinese characters (not before a
// closing mark such as "，" or ")" nor after an opening one), and after ";" ":"
// "," "-" "/" that do not stand between digits. A number (an amount, a date, a
// time, a bill number: digits with signs and separators only) is never broken;
// any other word wider than the line is broken between characters.
#pragma once

#include <QString>
#include <QStringView>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "report/report_fonts.h"

namespace trunaccount::report {

// A text that is one number as a report shows it: digits with signs,
// separators, brackets, a percent or currency sign, and no blank.
bool isNumberLike(QStringView text);

class TextMeasure {
public:
    explicit TextMeasure(const FontSpec& font);

    const FontSpec& font() const { return font_; }
    double lineSpacing() const { return lineSpacing_; }
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }

    double advance(char32_t c) const;
    double width(QStringView text) const;

    // The width of UTF-8 text on one line; `number` tells whether it is one
    // number (isNumberLike). A text holding a line break gives a negative width.
    double width(std::string_view utf8, bool* number = nullptr) const;

    // The lines of `text` in `width` (each line break starts a paragraph), as
    // ranges [start, end) of the text without the blanks where it broke.
    std::vector<std::pair<qsizetype, qsizetype>> lineRanges(QStringView text, double width) const;
    std::vector<QString> breakLines(const QString& text, double width) const;
    int lineCount(const QString& text, double width) const;

private:
    FontSpec font_;
    QFont qfont_;
    double lineSpacing_ = 0;
    double ascent_ = 0;
    double descent_ = 0;
    mutable std::vector<float> basic_;  // advances of the Basic Multilingual Plane; negative: not measured yet
    mutable std::unordered_map<char32_t, double> others_;
};

}  // namespace trunaccount::report
