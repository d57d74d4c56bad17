// The wait window shown while a long coordinator call runs (search, save,
// revoke): an animation and "正在统计，请稍候...".
#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

class QMovie;

namespace trunaccount::host {

// A folder being searched by a magnifier, drawn frame by frame.
class FindFolderAnimation : public QWidget {
    Q_OBJECT
public:
    explicit FindFolderAnimation(QWidget* parent = nullptr);
    void start();
    void stop();  // shows the stop frame
    bool isRunning() const { return timer_ != 0; }
    int frame() const { return frame_; }
    static constexpr int kFrames = 30;
    static constexpr int kStopFrame = 29;

protected:
    void paintEvent(QPaintEvent*) override;
    void timerEvent(QTimerEvent*) override;

private:
    int frame_ = kStopFrame;
    int timer_ = 0;
};

class TFrmHint : public QWidget {
    Q_OBJECT
public:
    // The animation file looked for, relative to the current folder.
    static constexpr const char* kAnimationFile = "Resource/Turtle.avi";

    explicit TFrmHint(QWidget* owner);
    ~TFrmHint() override;

    // Shows the window and paints it at once, before the caller blocks.
    void showAndPaint();

    QLabel* Label1() const { return label_; }
    QWidget* Animate1() const { return animation_; }
    bool playsFile() const { return movie_ != nullptr; }

private:
    QLabel* label_;
    QWidget* animation_;
    QMovie* movie_ = nullptr;
};

}  // namespace trunaccount::host
