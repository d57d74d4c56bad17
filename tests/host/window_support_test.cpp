#include <gtest/gtest.h>

#include <QStringList>

#include "host/window_support.h"
#include "platform/errors.h"
#include "support/message_box_recorder.h"
#include "support/modal_answerer.h"

using namespace Qt::StringLiterals;

using namespace trunaccount::platform;
using namespace trunaccount::host;
using trunaccount::testing::MessageBoxRecorder;
using trunaccount::testing::ModalAnswerer;

TEST(DialogMessageBox, ButtonsIconsAndAnswers) {
    installDialogMessageBox();
    struct Case {
        unsigned flags;
        QString click;  // empty: escape
        int result;
    } cases[] = {
        {MB_OK | MB_ICONERROR, QStringLiteral("确定"), IDOK},
        {MB_OK, ""_L1, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, QStringLiteral("确定"), IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, QStringLiteral("取消"), IDCANCEL},
        {MB_OKCANCEL | MB_ICONQUESTION, ""_L1, IDCANCEL},
        {MB_YESNO, QStringLiteral("否(&N)"), IDNO},
        {MB_YESNO, QStringLiteral("是(&Y)"), IDYES},
        // Enter presses the first button, or the one the flags name.
        {MB_OKCANCEL | MB_ICONQUESTION, ModalAnswerer::kDefault, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, ModalAnswerer::kDefault, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, ModalAnswerer::kDefault, IDCANCEL},
        {MB_OK | MB_DEFBUTTON2, ModalAnswerer::kDefault, IDOK},
    };
    for (const auto& c : cases) {
        ModalAnswerer answer({c.click});
        int r = messageBox(nullptr, "第一行\r\n第二行", "提示", c.flags);
        EXPECT_EQ(r, c.result) << c.flags << ' ' << c.click.toStdString();
        ASSERT_EQ(answer.seen().size(), 1);
        EXPECT_EQ(answer.seen()[0].title, QStringLiteral("提示"));
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("第一行\n第二行"));
    }
    setMessageBoxHandler(nullptr);
}

TEST(DialogMessageBox, ATestResponderStaysInPlace) {
    MessageBoxRecorder boxes;
    installDialogMessageBox();
    messageBox(nullptr, "x", "y", MB_OK);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST(Guarded, ErrorsEscapingACommandAreShown) {
    MessageBoxRecorder boxes;
    QWidget owner;
    guarded(&owner, [] { throw std::runtime_error("非法日期"); });
    guarded(&owner, [] {});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "非法日期");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].owner, &owner);
}

TEST(Guarded, AnErrorThatCannotBeShownIsLoggedAndGoesNoFurther) {
    // The message box itself fails (no display, a full memory...): the command
    // runs inside the host's event loop, where nothing may escape.
    setMessageBoxHandler([](WindowHandle, std::string_view, std::string_view, unsigned) -> int {
        throw std::runtime_error("no display");
    });
    QWidget owner;
    bool after = false;
    guarded(&owner, [] { throw trunaccount::Error("税额必须是数字。", "'abc' is not a valid number"); });
    guarded(&owner, [] { throw 42; });
    after = true;
    setMessageBoxHandler(nullptr);
    EXPECT_TRUE(after);
}

TEST(Guarded, TheUserSeesTheMessageAndTheLogHasTheDetail) {
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& m) {
        if (QString::fromLatin1(c.category) == QLatin1String("trunaccount.errors")) logged << m;
    });
    MessageBoxRecorder boxes;
    QWidget owner;
    guarded(&owner, [] { throw trunaccount::Error("请先查询。", "cdspass: closed"); });
    guarded(&owner, [] { throw 7; });
    qInstallMessageHandler(previous);
    ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"请先查询。", "发生了未知错误。"}));
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(QStringLiteral("请先查询。")));
    EXPECT_TRUE(logged[0].contains(QStringLiteral("cdspass: closed")));
}
