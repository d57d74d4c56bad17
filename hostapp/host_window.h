// The reference host: a main window whose menu opens the reconciliation window
// in input or search mode, each in a tab of its own, through the plug-in's entry
// points, and which shows the messages the plug-in sends.
#pragma once

#include <QMainWindow>
#include <QString>

#include "trunaccount/coordinator.h"
#include "trunaccount/entry_points.h"

class QTabWidget;

namespace trunaccount::hostapp {

// The plug-in, loaded with dlopen.
class PluginLibrary {
public:
    // Loads the library at `path`; raises std::runtime_error with dlerror's text.
    explicit PluginLibrary(const QString& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    EntryPoint input() const { return input_; }
    EntryPoint search() const { return search_; }

private:
    void* handle_ = nullptr;
    EntryPoint input_ = nullptr;
    EntryPoint search_ = nullptr;
};

// Receives message 1028 for the host.
class NotifyControl;

class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    HostWindow(PluginLibrary& plugin, CoordinatorRef coordinator, QByteArray operatorCodeGbk);
    ~HostWindow() override;

    // Opens the window of that mode ("Input" or "Search") in a new tab, or shows
    // the tab that already holds it.
    void openWindow(const QString& mode);

    QTabWidget* tabs() const { return tabs_; }

    // A warning that stays in view in the status bar (the database can only be
    // read, for example), the whole text in its tooltip.
    void showWarning(const QString& text);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Closes the plug-in's windows first, each as its user would close it (it
    // stores its settings; one with ticks not yet saved asks). A window that
    // stays keeps the host open, its tab in front.
    void closeEvent(QCloseEvent* e) override;

private:
    void logMessage(int message);

    PluginLibrary& plugin_;
    CoordinatorRef coordinator_;
    QByteArray operatorCode_;  // length byte + GBK bytes
    QTabWidget* tabs_;
    NotifyControl* notify_;
};

}  // namespace trunaccount::hostapp
