#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>

#include "host/frm_base.h"
#include "host/host_values.h"
#include "trunaccount/host_messages.h"

using namespace trunaccount;
using namespace trunaccount::host;

namespace {

// A host control that records the messages it receives and whether the window
// still existed at that moment.
class Recorder : public QWidget {
public:
    QList<int> messages;
    QPointer<QWidget> watched;
    bool watchedAliveAtClose = false;

protected:
    bool event(QEvent* e) override {
        if (auto* m = HostMessageEvent::from(e)) {
            messages << m->message();
            watchedAliveAtClose = !watched.isNull() && watched->isVisible();
            return true;
        }
        return QWidget::event(e);
    }
};

}  // namespace

TEST(TFrmBase, ResizeMessageSizesTheContentPanelOnly) {
    QWidget container;
    container.resize(800, 600);
    auto* w = new TFrmBase(&container);
    w->resize(900, 700);
    sendHostMessage(w, kMsgContentResized, 300, 500);
    EXPECT_EQ(w->PanelMain()->size(), QSize(500, 300));
    EXPECT_EQ(w->size(), QSize(900, 700));

    postHostMessage(w, kMsgContentResized, 410, 620);
    EXPECT_EQ(w->PanelMain()->size(), QSize(500, 300));  // not yet delivered
    QCoreApplication::sendPostedEvents(w);
    EXPECT_EQ(w->PanelMain()->size(), QSize(620, 410));

    // Other host messages are not the window's business.
    EXPECT_FALSE(sendHostMessage(w, kMsgWindowClosing));
}

TEST(TFrmBase, CreationMakesTheHostWindowTheOwnerOfLibraryWindows) {
    QWidget hostWindow, container;
    hostValues().hostWindow = &hostWindow;
    hostValues().ownerWindow = nullptr;
    auto* w = new TFrmBase(&container);
    EXPECT_EQ(hostValues().ownerWindow.data(), &hostWindow);
    delete w;
    hostValues() = HostValues{};
}

TEST(TFrmBase, ClosingNotifiesTheHostWhileTheWindowExistsThenReleasesIt) {
    Recorder notify;
    QWidget container;
    hostValues().hostNotifyControl = &notify;
    QPointer<TFrmBase> w = new TFrmBase(&container);
    container.show();
    notify.watched = w.data();
    w->close();
    EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
    EXPECT_TRUE(notify.watchedAliveAtClose);
    w->close();  // a second close does nothing more
    EXPECT_EQ(notify.messages.size(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    hostValues() = HostValues{};
}

TEST(TFrmBase, DestroyedWithItsContainerWithoutTheCloseNotice) {
    Recorder notify;
    hostValues().hostNotifyControl = &notify;
    QPointer<TFrmBase> w;
    {
        QWidget container;
        w = new TFrmBase(&container);
    }
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(notify.messages.isEmpty());
    hostValues() = HostValues{};
}
