#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <cstdlib>
#include <map>
#include <optional>

#include "data/settings.h"
#include "platform/errors.h"
#include "support/temp_dir.h"
#include "tools/color_style.h"
#include "widgets/flat_controls.h"

using namespace trunaccount;
using trunaccount::testing::TempDir;

namespace {

constexpr ColorValue kRed = 0x0000FF;
constexpr ColorValue kBlue = 0xFF0000;
constexpr ColorValue kLime = 0x00FF00;
constexpr ColorValue kOtherBorder = 0x123456;

// A tool window with one control of every kind the style treats differently.
struct ToolWindow {
    QWidget window;
    Shape* line;
    QListWidget* list;
    QLabel* title;        // no background of its own, green text
    QLabel* faceLabel;    // button-face background, green text
    QLabel* exemptLabel;  // 0xD6EAEE background, black text
    FlatButton* marked;   // green border
    FlatButton* plain;    // another border
    QGroupBox* box;
    QLabel* boxTitle;
    FlatButton* boxButton;
    FlatComboBox* combo;

    ToolWindow() {
        SetControlColor(&window, kDesignBackColor);
        line = new Shape(&window);
        line->setPenColor(kMarkerGreen);
        list = new QListWidget(&window);
        SetControlColor(list, kDesignBackColor);
        title = label(&window, std::nullopt, kMarkerGreen);
        faceLabel = label(&window, kButtonFaceColor, kMarkerGreen);
        exemptLabel = label(&window, kExemptLabelColor, 0);
        marked = button(&window, kMarkerGreen);
        plain = button(&window, kOtherBorder);
        box = new QGroupBox(&window);
        boxTitle = label(box, std::nullopt, kMarkerGreen);
        boxButton = button(box, kMarkerGreen);
        combo = new FlatComboBox(&window);
        combo->setColorBorder(kMarkerGreen);
        SetControlColor(combo, kDesignBackColor);
    }
    static QLabel* label(QWidget* parent, std::optional<ColorValue> back, ColorValue font) {
        auto* l = new QLabel(QStringLiteral("标题"), parent);
        if (back) SetControlColor(l, *back);
        SetFontColor(l, font);
        return l;
    }
    static FlatButton* button(QWidget* parent, ColorValue border) {
        auto* b = new FlatButton(QStringLiteral("确  定(&O)"), parent);
        SetControlColor(b, kDesignBackColor);
        b->setColorBorder(border);
        b->setColorDown(kColorWhite);
        return b;
    }

    // Every colour the style may touch, by name.
    std::map<std::string, ColorValue> colours() const {
        std::map<std::string, ColorValue> m{
            {"window", ControlColor(&window)},
            {"line", line->penColor()},
            {"list", ControlColor(list)},
            {"list.base", FromQColor(list->palette().color(QPalette::Base))},
            {"title", ControlColor(title)},
            {"title.font", FontColor(title)},
            {"faceLabel", ControlColor(faceLabel)},
            {"faceLabel.font", FontColor(faceLabel)},
            {"exemptLabel", ControlColor(exemptLabel)},
            {"exemptLabel.font", FontColor(exemptLabel)},
            {"boxTitle", ControlColor(boxTitle)},
            {"boxTitle.font", FontColor(boxTitle)},
            {"combo", ControlColor(combo)},
            {"combo.border", combo->colorBorder()},
        };
        for (auto [name, b] : {std::pair{"marked", marked}, {"plain", plain}, {"boxButton", boxButton}}) {
            const std::string n = name;
            m[n] = b->color();
            m[n + ".border"] = b->colorBorder();
            m[n + ".focused"] = b->colorFocused();
            m[n + ".highlight"] = b->colorHighLight();
            m[n + ".down"] = b->colorDown();
            m[n + ".shadow"] = b->colorShadow();
        }
        return m;
    }
};

class ColorStyleTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }
    void write(const std::map<std::string, std::string>& values) {
        for (const auto& [key, value] : values) WriteSetting("Quorvexpos.ini", "ColorOption", key, value, "");
    }
    TempDir hostDir;
};

TEST(StrToIntTest, ConvertsIntegerTextsAndNamesTheOffendingText) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"00", 0},
        {"15528176", 15528176},
        {"  255", 255},
        {"-2147483633", -2147483633},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"+7", 7},
        {"$FF", 255},
        {"0x8000000F", static_cast<std::int32_t>(0x8000000F)},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"12 ", std::nullopt},
        {"1.5", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.value) {
            EXPECT_EQ(StrToInt(c.text), *c.value);
        } else {
            try {
                StrToInt(c.text);
                ADD_FAILURE() << "no error";
            } catch (const ConversionError& e) {
                EXPECT_EQ(std::string(e.what()), "'" + std::string(c.text) + "' is not a valid integer value");
            }
        }
    }
}

TEST(ColorValueTest, ChannelsAndSystemColours) {
    EXPECT_EQ(ToQColor(15528176), QColor(240, 240, 236));
    EXPECT_EQ(ToQColor(12349763), QColor(67, 113, 188));
    EXPECT_EQ(ToQColor(14614267), QColor(251, 254, 222));
    EXPECT_EQ(FromQColor(QColor(67, 113, 188)), 12349763);
    EXPECT_EQ(ToQColor(kButtonFaceColor), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_EQ(ToQColor(kColorNone).alpha(), 0);
}

// What the style changes with the given colours; everything else keeps its
// design colour.
std::map<std::string, ColorValue> recolouredBy(ColorValue back, ColorValue line, ColorValue title) {
    return {
        {"window", back},
        {"line", line},
        {"list", back},
        {"list.base", back},
        {"title", back},
        {"title.font", title},
        {"faceLabel.font", title},  // keeps its background, not its green text
        {"boxTitle", back},
        {"boxTitle.font", title},
        {"marked", back},
        {"marked.border", line},
        {"marked.focused", kColorWhite},
        {"marked.highlight", line},
        {"plain", back},  // not green-bordered: the background only
        {"boxButton", back},
        {"boxButton.border", line},
        {"boxButton.focused", kColorWhite},
        {"boxButton.highlight", line},
    };
}

TEST_F(ColorStyleTest, RecolouringFollowsTheSwitchAndTheMarkers) {
    const std::map<std::string, ColorValue> none;
    const struct {
        const char* name;
        std::map<std::string, std::string> settings;
        std::map<std::string, ColorValue> changes;
        const char* error;
    } cases[] = {
        {"no settings file", {}, none, nullptr},
        {"switch 00 is the integer 0", {{"colorstyle", "00"}, {"backcolor", "255"}}, none, nullptr},
        {"switch 1",
         {{"colorstyle", "1"}, {"backcolor", "255"}, {"linecolor", "16711680"}, {"titlecolor", "65280"}},
         recolouredBy(kRed, kBlue, kLime),
         nullptr},
        {"switch -3 with the default colours", {{"colorstyle", "-3"}}, recolouredBy(15528176, 12349763, 12349763), nullptr},
        {"bad backcolor with the switch 0", {{"colorstyle", "0"}, {"backcolor", "abc"}}, none, "'abc' is not a valid integer value"},
        {"bad titlecolor with the switch 1", {{"colorstyle", "1"}, {"titlecolor", "x1"}}, none, "'x1' is not a valid integer value"},
        {"bad switch", {{"colorstyle", "yes"}}, none, "'yes' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(hostDir.file("Quorvexpos.ini").c_str());
        write(c.settings);
        ToolWindow form;
        auto expected = form.colours();
        for (auto [key, value] : c.changes) expected[key] = value;
        if (c.error) {
            try {
                ApplyColorStyle(&form.window);
                ADD_FAILURE() << "no error";
            } catch (const ConversionError& e) {
                EXPECT_EQ(std::string(e.what()), c.error);
            }
        } else {
            ApplyColorStyle(&form.window);
        }
        EXPECT_EQ(form.colours(), expected);
    }
}

TEST_F(ColorStyleTest, DesignColoursComeFromTheFormsProperties) {
    QWidget form;
    form.setProperty("Color", 255);
    auto* label = new QLabel(&form);
    label->setProperty("FontColor", kMarkerGreen);
    auto* list = new QListWidget(&form);
    list->setProperty("Color", kDesignBackColor);
    ApplyDesignColors(&form);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(251, 254, 222));
    EXPECT_EQ(ControlColor(label), 255);  // no colour of its own: the window's
}

}  // namespace
