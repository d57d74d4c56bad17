// What the styled dialogs keep for the whole process: the dialog palette
// (never reset) and the widths of the button captions (measured once). Each
// story is told in one test, in a program of its own; the two touch different
// things (the palette test measures only the OK caption).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <map>

#include "data/settings.h"
#include "platform/errors.h"
#include "support/temp_dir.h"
#include "tools/color_style.h"
#include "tools/flat_dialog.h"
#include "support/modal_helper.h"
#include "widgets/flat_controls.h"

using namespace trunaccount;
using trunaccount::testing::keyTarget;
using trunaccount::testing::TempDir;
using trunaccount::testing::whenModal;

namespace {

// Colours a styled dialog showed: background, button borders, input border.
struct Seen {
    QColor back;
    ColorValue buttons = -1;
    ColorValue input = -1;
    friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "back " << s.back.name().toStdString() << " buttons " << s.buttons << " input " << s.input;
}

class DialogPalette {
public:
    DialogPalette() { ::setenv("TRUNACCOUNT_HOST_DIR", dir_.path().c_str(), 1); }
    ~DialogPalette() { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }
    void settings(const std::map<std::string, std::string>& values) {
        std::remove(dir_.file("Quorvexpos.ini").c_str());
        for (const auto& [k, v] : values) WriteSetting("Quorvexpos.ini", "ColorOption", k, v, "");
    }
    // Opens a dialog, answers Escape, and tells what colours it showed.
    template <typename Open>
    Seen shown(Open open) {
        auto seen = std::make_shared<Seen>();
        whenModal([seen](QWidget* w) {
            seen->back = w->palette().color(QPalette::Window);
            for (auto* b : w->findChildren<FlatButton*>()) {
                if (seen->buttons != -1 && seen->buttons != b->colorBorder()) ADD_FAILURE() << "buttons differ";
                seen->buttons = b->colorBorder();
            }
            if (auto* e = w->findChild<FlatEdit*>()) seen->input = e->colorBorder();
            if (auto* c = w->findChild<FlatComboBox*>()) seen->input = c->colorBorder();
            QTest::keyClick(keyTarget(w), Qt::Key_Escape);
        });
        open();
        return *seen;
    }
    Seen message() {
        return shown([] { FlatMessageDialog(QStringLiteral("提示"), mtInformation, mbOK); });
    }
    Seen text() {
        return shown([] {
            QString t;
            FlatTextQuery(QStringLiteral("测试信息"), QStringLiteral("查询语句"), t);
        });
    }
    Seen choice() {
        return shown([] {
            QString v;
            FlatChoiceQuery(QStringLiteral("选择框"), QStringLiteral("请选择一个逻辑关系："), {QStringLiteral("并且")}, 0, v);
        });
    }

private:
    TempDir dir_;
};

const QColor kInitialBack(251, 254, 222);  // 0xDEFEFB
const QColor kDefaultBack(240, 240, 236);  // 0xECF0F0
constexpr ColorValue kGreen = 0x008000;
constexpr ColorValue kDefaultLine = 12349763;

TEST(DialogPaletteTest, LoadedByEachDialogByItsOwnRule) {
    DialogPalette p;
    EXPECT_EQ(DialogBackColor(), 14614267);
    EXPECT_EQ(DialogLineColor(), kGreen);

    // No settings file: a query opened first shows the initial palette; every
    // message dialog loads the background, and later queries keep it.
    p.settings({});
    EXPECT_EQ(p.text(), (Seen{kInitialBack, kGreen, kGreen}));
    EXPECT_EQ(p.choice(), (Seen{kInitialBack, kGreen, kGreen}));
    EXPECT_EQ(p.message(), (Seen{kDefaultBack, kGreen, -1}));
    EXPECT_EQ(p.text(), (Seen{kDefaultBack, kGreen, kGreen}));

    // "00" is not the text "0": the text query loads the palette. "style" is
    // absent, so the choice dialog does not, and shows what is left.
    p.settings({{"colorstyle", "00"}, {"backcolor", "255"}, {"linecolor", "16711680"}});
    EXPECT_EQ(p.choice(), (Seen{kDefaultBack, kGreen, kGreen}));
    EXPECT_EQ(p.text(), (Seen{QColor(255, 0, 0), 16711680, 16711680}));
    EXPECT_EQ(p.choice(), (Seen{QColor(255, 0, 0), 16711680, 16711680}));

    // The choice dialog's own switch; the default line colour when none is written.
    p.settings({{"colorstyle", "0"}, {"style", "1"}, {"backcolor", "65280"}});
    EXPECT_EQ(p.text(), (Seen{QColor(255, 0, 0), 16711680, 16711680}));
    EXPECT_EQ(p.choice(), (Seen{QColor(0, 255, 0), kDefaultLine, kDefaultLine}));

    // A background that is no integer: no message dialog opens, the queries
    // with their switches off open as usual.
    p.settings({{"colorstyle", "0"}, {"style", "0"}, {"backcolor", "abc"}});
    try {
        FlatMessageDialog(QStringLiteral("提示"), mtWarning, mbOK);
        ADD_FAILURE() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(p.text(), (Seen{QColor(0, 255, 0), kDefaultLine, kDefaultLine}));
    EXPECT_EQ(p.choice(), (Seen{QColor(0, 255, 0), kDefaultLine, kDefaultLine}));

    // With its switch on, a bad value stops the query too, and the palette
    // stays as it was.
    p.settings({{"colorstyle", "1"}, {"linecolor", "255"}, {"backcolor", "abc"}});
    QString t;
    EXPECT_THROW(FlatTextQuery(QStringLiteral("测试信息"), QStringLiteral("查询语句"), t), ConversionError);
    EXPECT_EQ(DialogLineColor(), kDefaultLine);
    EXPECT_EQ(DialogBackColor(), 65280);
}

TEST(ButtonCaptionWidthTest, MeasuredOncePerKindInTheFirstFont) {
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setPixelSize(30);
    QFont narrow = wide;
    narrow.setPixelSize(10);
    const int ignore = QFontMetrics(wide).horizontalAdvance(QStringLiteral("&Ignore")) + 8;
    EXPECT_EQ(ButtonCaptionWidth(mbIgnore, wide), ignore);
    EXPECT_EQ(ButtonCaptionWidth(mbIgnore, narrow), ignore);

    // A dialog in the large font measures its captions: they are narrower than
    // the standard width there. A later dialog in a small font keeps those
    // widths, now wider than its standard width, and widens every button to
    // the widest of its row.
    TempDir dir;
    ::setenv("TRUNACCOUNT_HOST_DIR", dir.path().c_str(), 1);
    const int noToAll = QFontMetrics(wide).horizontalAdvance(QStringLiteral("N&o to All")) + 8;
    const int all = QFontMetrics(wide).horizontalAdvance(QStringLiteral("&All")) + 8;
    ASSERT_GT(noToAll, all);
    QApplication::setFont(wide, "QMessageBox");
    {
        TMessageForm form(QStringLiteral("继续吗?"), mtConfirmation, mbAll | mbNoToAll);
        ASSERT_LT(noToAll, form.units().scaleX(50));
        for (auto* b : form.findChildren<FlatButton*>()) EXPECT_EQ(b->width(), form.units().scaleX(50));
    }
    QApplication::setFont(narrow, "QMessageBox");
    {
        TMessageForm form(QStringLiteral("继续吗?"), mtConfirmation, mbAll | mbNoToAll);
        ASSERT_GT(noToAll, form.units().scaleX(50));
        for (auto* b : form.findChildren<FlatButton*>()) EXPECT_EQ(b->width(), noToAll) << b->objectName().toStdString();
    }
    ::unsetenv("TRUNACCOUNT_HOST_DIR");
}

}  // namespace
