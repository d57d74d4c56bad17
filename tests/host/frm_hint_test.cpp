#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <filesystem>

#include "host/frm_hint.h"
#include "support/temp_dir.h"

using namespace Qt::StringLiterals;

using namespace trunaccount::host;
using trunaccount::testing::TempDir;

TEST(TFrmHint, LayoutWithAndWithoutTheAnimationFile) {
    TempDir dir;
    auto previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
    {
        TFrmHint hint(nullptr);
        EXPECT_EQ(hint.size(), QSize(332, 87));
        EXPECT_EQ(hint.windowTitle(), "FrmHint"_L1);
        EXPECT_EQ(hint.Label1()->text(), QStringLiteral("正在统计，请稍候..."));
        EXPECT_EQ(hint.Label1()->pos(), QPoint(116, 40));
        EXPECT_EQ(hint.Animate1()->geometry(), QRect(16, 20, 80, 50));
        EXPECT_TRUE(hint.windowFlags() & Qt::WindowStaysOnTopHint);
        auto* a = qobject_cast<FindFolderAnimation*>(hint.Animate1());
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->isRunning());
    }
    std::filesystem::create_directory(dir.file("Resource"));
    TempDir::writeFile(dir.file("Resource/Turtle.avi"), "RIFF not really a movie");
    {
        TFrmHint hint(nullptr);
        EXPECT_EQ(hint.Label1()->pos(), QPoint(93, 69));
        EXPECT_EQ(hint.Animate1()->geometry(), QRect(32, 2, 80, 50));
        EXPECT_FALSE(hint.playsFile());  // a format we cannot play: the drawn animation stands in
    }
    QDir::setCurrent(previous);
}

TEST(TFrmHint, IsShownAndPaintedBeforeTheCallerBlocks) {
    QWidget owner;
    auto* hint = new TFrmHint(&owner);
    hint->showAndPaint();
    EXPECT_TRUE(hint->isVisible());
    EXPECT_TRUE(hint->isWindow());
    QImage shot = hint->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    delete hint;
}
