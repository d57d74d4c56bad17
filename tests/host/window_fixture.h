// A host for window tests: settings in a temporary folder, a host window and a
// notification control that record the messages they get, a shown container,
// message boxes recorded (and answered as told), and coordinators over a real
// demo database or scripted.
#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "host/frm_trun_account.h"
#include "support/message_box_recorder.h"
#include "support/scripted_coordinator.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

namespace trunaccount::testing {

// A host control that records the host messages it receives.
class MessageRecorder : public QWidget {
public:
    QList<int> messages;
    std::function<void(int)> onMessage;

protected:
    bool event(QEvent* e) override;
};

// Answers the start-up calls of a window the way the demo database would:
// database type, dates (server date 20250110), operator name, the parameter
// table (dwlx, qyny 202410, hsdwh 1001, zbbm) and the four lookup lists.
void scriptStartUp(ScriptedCoordinator& c);

// The footers of the totals line: "合计:…条", "已勾:…条", "已勾金额:…".
std::vector<QString> totalsLine(const host::TFrmTrunAccount& w);

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // Opens a window as the entry call does; null when its start failed.
    host::TFrmTrunAccount* open(const QString& mode, ICoorDisp* coordinator, const std::string& operatorCode = "0001");
    // The window of that mode in the container, if it still exists.
    host::TFrmTrunAccount* windowOf(const QString& mode) const;
    // Runs the deferred deletions (a closed window goes away).
    static void flushDeletes();

    // Settings file content (UTF-8), "" when there is none.
    std::string settingsText() const;

    TempDir hostDir;
    MessageBoxRecorder boxes;
    MessageRecorder hostWindow;
    MessageRecorder notify;
    std::unique_ptr<QWidget> container;
};

}  // namespace trunaccount::testing
