// trunaccount-host: the reference host program. Loads the plug-in, opens its
// coordinator over a database and shows the reconciliation window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdio>

#include "coordinator/demo_data.h"
#include "coordinator/reference_coordinator.h"
#include "hostapp/host_locale.h"
#include "hostapp/host_window.h"
#include "platform/gbk.h"
#include "platform/host_dir.h"

using namespace trunaccount;

namespace {

bool hasDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) return true;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

}  // namespace

int main(int argc, char** argv) {
    // Options are parsed before the application connects to a display, so that
    // --help works anywhere and a missing display is reported clearly.
    QCoreApplication::setApplicationName(QStringLiteral("trunaccount-host"));
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reference host of the transfer tick-off plug-in."));
    parser.addHelpOption();
    QCommandLineOption db(QStringLiteral("db"),
                          QStringLiteral("SQLite file or postgresql:// URI (default: data/demo.sqlite, created on first start)"),
                          QStringLiteral("DB"));
    QCommandLineOption mode(QStringLiteral("mode"), QStringLiteral("open this window at start: input, search or none"),
                            QStringLiteral("MODE"), QStringLiteral("input"));
    QCommandLineOption op(QStringLiteral("operator"), QStringLiteral("the operator's staff code"), QStringLiteral("CODE"),
                          QStringLiteral("0001"));
    QCommandLineOption today(QStringLiteral("today"), QStringLiteral("fix the coordinator's clock to this date"),
                             QStringLiteral("YYYYMMDD"));
    QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("append every coordinator call to FILE as JSON lines"),
                             QStringLiteral("FILE"));
    QCommandLineOption plugin(QStringLiteral("plugin"), QStringLiteral("the plug-in library to load"),
                              QStringLiteral("PATH"));
    parser.addOptions({db, mode, op, today, trace, plugin});
    if (!parser.parse(args)) {
        std::fprintf(stderr, "trunaccount-host: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("trunaccount-host"))),
                   stdout);
        return 0;
    }

    const QString m = parser.value(mode).toLower();
    if (m != QLatin1String("input") && m != QLatin1String("search") && m != QLatin1String("none")) {
        std::fprintf(stderr, "trunaccount-host: --mode must be input, search or none\n");
        return 2;
    }
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "trunaccount-host: no display (DISPLAY is not set).\n"
                     "Run it under a virtual display, for example:\n"
                     "    xvfb-run -a -s '-screen 0 1280x800x24' ./run\n");
        return 1;
    }

    hostapp::preferChineseDatesInCLocale();
    QApplication app(argc, argv);
    if (!hostapp::installChineseQtTexts(app))
        std::fprintf(stderr,
                     "trunaccount-host: Qt's Chinese texts are not installed (qt6-translations-l10n); "
                     "file dialogs show English\n");
    // Offscreen and minimal platforms have no one to answer a dialog: errors go
    // to stderr only there.
    const bool dialogsCanBeAnswered = QGuiApplication::platformName() != QLatin1String("offscreen") &&
                                      QGuiApplication::platformName() != QLatin1String("minimal");
    const QString exeDir = QCoreApplication::applicationDirPath();
    // The plug-in keeps its settings file beside the host program. Installed in
    // a system folder the user cannot write to, the host gives it the user's
    // own configuration folder instead.
    if (qEnvironmentVariableIsEmpty(platform::kHostDirVariable) && !QFileInfo(exeDir).isWritable()) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(config);
        qputenv(platform::kHostDirVariable, QFile::encodeName(config + QLatin1Char('/')));
    }
    try {
        coord::CoordinatorOptions options;
        if (parser.isSet(db)) {
            options.database = parser.value(db).toStdString();
        } else {
            QDir().mkpath(QStringLiteral("data"));
            options.database = QFileInfo(QStringLiteral("data/demo.sqlite")).absoluteFilePath().toStdString();
            if (!QFileInfo::exists(QString::fromStdString(options.database))) {
                std::fprintf(stderr, "trunaccount-host: creating the demo database %s\n", options.database.c_str());
                coord::DemoOptions demo;
                demo.today = parser.isSet(today) ? parser.value(today).toStdString()
                                                 : QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toStdString();
                try {
                    auto database = coord::openDatabase(options.database, coord::OpenMode::Create);
                    coord::createDemoDatabase(*database, demo);
                } catch (...) {
                    QFile::remove(QString::fromStdString(options.database));  // the next start tries again
                    throw;
                }
            }
        }
        if (parser.isSet(today)) options.fixedClock = parser.value(today).toStdString();
        if (parser.isSet(trace)) options.traceFile = parser.value(trace).toStdString();
        std::vector<std::string> notices;
        CoordinatorRef coordinator = coord::openCoordinator(options, &notices);
        for (const auto& n : notices) std::fprintf(stderr, "trunaccount-host: 警告：%s\n", n.c_str());

        const QString pluginPath =
            parser.isSet(plugin) ? parser.value(plugin) : QDir(exeDir).absoluteFilePath(QStringLiteral("../lib/libtrunaccount.so"));
        hostapp::PluginLibrary library(pluginPath);
        std::string code = platform::utf8ToGbk(parser.value(op).toStdString());
        hostapp::HostWindow window(library, coordinator, QByteArray::fromStdString(code));
        for (const auto& n : notices) window.showWarning(QString::fromStdString(n));
        window.show();
        if (m == QLatin1String("input")) window.openWindow(QStringLiteral("Input"));
        if (m == QLatin1String("search")) window.openWindow(QStringLiteral("Search"));
        return app.exec();
    } catch (const std::exception& e) {
        QString reason = QString::fromUtf8(e.what());
        // A database named on the command line that is not there: say how to make one.
        if (const QString name = parser.value(db); parser.isSet(db) && !name.contains(QLatin1String("://")) &&
                                                   !QFileInfo::exists(name))
            reason += QStringLiteral("\nThe file does not exist; create a demo database with: trunaccount-admin create-demo --db ") + name;
        std::fprintf(stderr, "trunaccount-host: %s\n", reason.toLocal8Bit().constData());
        if (dialogsCanBeAnswered)
            QMessageBox::critical(nullptr, QStringLiteral("参考宿主"), QStringLiteral("参考宿主无法启动：\n") + reason);
        return 1;
    }
}
