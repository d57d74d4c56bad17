// The plug-in as a host sees it: libtrunaccount.so loaded with dlopen, its entry
// points called with a scripted coordinator.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QToolButton>
#include <cstdlib>

#include "support/modal_answerer.h"
#include "support/scripted_coordinator.h"
#include "support/temp_dir.h"
#include "trunaccount/entry_points.h"
#include "trunaccount/host_messages.h"
#include "window_fixture.h"

using namespace Qt::StringLiterals;

namespace trunaccount::testing {
namespace {

class Plugin {
public:
    Plugin() {
        const QString path =
            QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../lib/libtrunaccount.so"_L1);
        handle_ = ::dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) throw std::runtime_error(::dlerror());
        input = reinterpret_cast<EntryPoint>(::dlsym(handle_, kInputEntryName));
        search = reinterpret_cast<EntryPoint>(::dlsym(handle_, kSearchEntryName));
    }
    ~Plugin() { unload(); }
    void unload() {
        if (handle_) ::dlclose(handle_);
        handle_ = nullptr;
    }
    void* symbol(const char* name) const { return ::dlsym(handle_, name); }

    EntryPoint input = nullptr;
    EntryPoint search = nullptr;

private:
    void* handle_ = nullptr;
};

// The length-prefixed operator code of an entry call.
std::string lengthPrefixed(const std::string& gbk) { return std::string(1, static_cast<char>(gbk.size())) + gbk; }
const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

class PluginTest : public ::testing::Test {
protected:
    PluginTest() {
        ::setenv("TRUNACCOUNT_HOST_DIR", settings.path().c_str(), 1);
        container = new QWidget;
        container->resize(820, 560);
        container->show();
        coordinator = ScriptedCoordinator::create(&sc);
        scriptStartUp(*sc);
    }
    ~PluginTest() override {
        delete container;  // the windows go with it, before the library is unloaded
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ::unsetenv("TRUNACCOUNT_HOST_DIR");
    }
    QWidget* window(const char* name) const { return container->findChild<QWidget*>(QLatin1StringView(name)); }

    TempDir settings;
    Plugin plugin;
    MessageRecorder hostWindow, notify;
    QWidget* container;
    ScriptedCoordinator* sc = nullptr;
    CoordinatorRef coordinator;
    std::string code = lengthPrefixed("0001");
};

QStringList items(QComboBox* c) {
    QStringList r;
    for (int i = 0; i < c->count(); ++i) r << c->itemText(i);
    return r;
}

TEST_F(PluginTest, OnlyTheEntryPointsAreExported) {
    ASSERT_NE(plugin.input, nullptr);
    ASSERT_NE(plugin.search, nullptr);
    EXPECT_EQ(plugin.symbol("_ZN11trunaccount4host10hostValuesEv"), nullptr);
    EXPECT_EQ(plugin.symbol("_ZN11trunaccount15ExpandMonthTablesESt17basic_string_viewIcSt11char_traitsIcEES3_S3_b"),
              nullptr);
}

TEST_F(PluginTest, InputWindowWithItsListsAndModeControls) {
    plugin.input(&hostWindow, &notify, bytes(code), container, coordinator.get());
    QWidget* w = window("FrmTrunAccountInput");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(items(w->findChild<QComboBox*>("cbtd"_L1)),
              (QStringList{QStringLiteral("全部"), QStringLiteral("01 银联刷卡"), QStringLiteral("02 支付宝")}));
    EXPECT_EQ(items(w->findChild<QComboBox*>("cbzffs"_L1)),
              (QStringList{QStringLiteral("全部"), QStringLiteral("01 现金"), QStringLiteral("02 转账")}));
    EXPECT_EQ(items(w->findChild<QComboBox*>("cbfkyy"_L1)),
              (QStringList{QStringLiteral("全部"), QStringLiteral("A1 货款")}));
    auto* gdlx = w->findChild<QComboBox*>("cbgdlx"_L1);
    EXPECT_EQ(gdlx->currentIndex(), 1);
    EXPECT_TRUE(gdlx->isHidden());
    EXPECT_TRUE(w->findChild<QToolButton*>("btnNogd"_L1)->isHidden());
    EXPECT_FALSE(w->findChild<QToolButton*>("btnsave"_L1)->isHidden());
    EXPECT_FALSE(w->findChild<QToolButton*>("btndel"_L1)->isHidden());
    // The lookups went out exactly as written, blanks included, in their order.
    std::vector<std::string> sql;
    for (const auto& c : sc->calls())
        if (c.op == CoordinatorOp::QueryData) sql.push_back(c.args[0].toText());
    EXPECT_EQ(sql, (std::vector<std::string>{"select f_tdbm,f_tdmc from tbtdda order by f_tdbm ",
                                             "select f_zffsbm,f_zffsmc from tbzffs order by f_zffsbm",
                                             "select f_yybm,f_yymc from tbyyda order by f_yybm",
                                             "select f_yhbm,f_yhmc from tbcwfkyh order by f_yhbm "}));
    EXPECT_TRUE(notify.messages.isEmpty());
}

TEST_F(PluginTest, SearchWindowBesideTheInputWindow) {
    plugin.input(&hostWindow, &notify, bytes(code), container, coordinator.get());
    plugin.search(&hostWindow, &notify, bytes(code), container, coordinator.get());
    QWidget* w = window("FrmTrunAccountSearch");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(window("FrmTrunAccountInput"), nullptr);
    EXPECT_EQ(w->findChild<QComboBox*>("cbgdlx"_L1)->currentIndex(), 0);
    EXPECT_FALSE(w->findChild<QComboBox*>("cbgdlx"_L1)->isHidden());
    EXPECT_FALSE(w->findChild<QToolButton*>("btnNogd"_L1)->isHidden());
    EXPECT_TRUE(w->findChild<QToolButton*>("btnsave"_L1)->isHidden());
    EXPECT_TRUE(w->findChild<QToolButton*>("btndel"_L1)->isHidden());

    // A second window of a mode the container already holds is refused with a message.
    ModalAnswerer answer;
    plugin.search(&hostWindow, &notify, bytes(code), container, coordinator.get());
    EXPECT_EQ(container->findChildren<QWidget*>("FrmTrunAccountSearch"_L1).size(), 1);
    ASSERT_EQ(answer.seen().size(), 1);
    EXPECT_TRUE(answer.seen()[0].text.contains("FrmTrunAccountSearch"_L1));
}

TEST_F(PluginTest, FailedStartsShowTheirMessageThenCloseBeforeTheCallReturns) {
    struct Case {
        const char* name;
        std::function<void(ScriptedCoordinator&)> breakIt;
        QString message;
    } cases[] = {
        {"parameter load",
         [](ScriptedCoordinator& c) {
             c.onGetSystemParams = [](Variant& v) {
                 return v = Variant(ScriptedCoordinator::textPacket({"f_Csmc", "f_csz"}, {{"dwlx", "00"}, {"qyny", "202410"}})),
                        true;
             };
         },
         QStringLiteral("没有可利用的核算单位号！")},
        {"lookup list",
         [](ScriptedCoordinator& c) {
             auto lists = c.onQueryData;
             c.onQueryData = [lists](const std::string& sql, Variant& data) {
                 if (sql.find("tbzffs") != std::string::npos)
                     return data = ScriptedCoordinator::errorLines({"relation \"tbzffs\" does not exist", "第二行"}), false;
                 return lists(sql, data);
             };
         },
         QStringLiteral("relation \"tbzffs\" does not exist\n第二行")},
    };
    for (auto& c : cases) {
        for (const char* mode : {"Input", "Search"}) {
            ScriptedCoordinator* broken = nullptr;
            auto ref = ScriptedCoordinator::create(&broken);
            scriptStartUp(*broken);
            c.breakIt(*broken);
            notify.messages.clear();
            ModalAnswerer answer;
            (std::string(mode) == "Input" ? plugin.input : plugin.search)(&hostWindow, &notify, bytes(code), container,
                                                                           ref.get());
            // Before the entry call returned: the message was shown, then the host told.
            ASSERT_EQ(answer.seen().size(), 1) << c.name << ' ' << mode;
            EXPECT_EQ(answer.seen()[0].text, c.message) << c.name;
            EXPECT_EQ(answer.seen()[0].title, QStringLiteral("错误"));
            EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing}) << c.name << ' ' << mode;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(window((std::string("FrmTrunAccount") + mode).c_str()), nullptr);
        }
    }
    // The stored settings of the users' windows were left alone.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settings.file("Quorvexpos.ini"))));
}

TEST_F(PluginTest, ResizeMessageAndClose) {
    plugin.input(&hostWindow, &notify, bytes(code), container, coordinator.get());
    QWidget* w = window("FrmTrunAccountInput");
    ASSERT_NE(w, nullptr);
    auto* panel = w->findChild<QWidget*>("PanelMain"_L1);
    EXPECT_EQ(panel->size(), container->size());
    const QSize windowSize = w->size();
    sendHostMessage(w, kMsgContentResized, 300, 500);
    EXPECT_EQ(panel->size(), QSize(500, 300));
    EXPECT_EQ(w->size(), windowSize);

    w->findChild<QToolButton*>("btnExit"_L1)->click();
    EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window("FrmTrunAccountInput"), nullptr);
}

TEST_F(PluginTest, TwoCallsShareTheLibrarysHostValues) {
    MessageRecorder secondNotify;
    ScriptedCoordinator* second = nullptr;
    auto secondRef = ScriptedCoordinator::create(&second);
    scriptStartUp(*second);
    QWidget otherContainer;
    otherContainer.show();

    plugin.input(&hostWindow, &notify, bytes(code), container, coordinator.get());
    // Ours, the library's, and that of the parameter loader of the window opened last.
    EXPECT_EQ(sc->refCount(), 3u);
    plugin.input(&hostWindow, &secondNotify, bytes(lengthPrefixed("0002")), &otherContainer, secondRef.get());
    EXPECT_EQ(sc->refCount(), 1u);  // the library and its loader let go of the first coordinator
    EXPECT_EQ(second->refCount(), 3u);

    // The first window now speaks to the second call's notification control.
    window("FrmTrunAccountInput")->close();
    EXPECT_TRUE(notify.messages.isEmpty());
    EXPECT_EQ(secondNotify.messages, QList<int>{kMsgWindowClosing});
    EXPECT_EQ(second->refCount(), 2u);  // closing released the library's loader
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Unloading the library releases its last reference.
    delete otherContainer.findChild<QWidget*>("FrmTrunAccountInput"_L1);
    delete container;
    container = new QWidget;
    plugin.unload();
    EXPECT_EQ(second->refCount(), 1u);
}

TEST_F(PluginTest, OperatorCodeLengths) {
    struct Case {
        std::string code;
        bool asksForName;
    } cases[] = {{"", false}, {std::string(255, '7'), true}, {"\xD5\xC5", true}};  // "", 255 bytes, GBK "张"
    for (auto& c : cases) {
        sc->clearCalls();
        std::string prefixed = lengthPrefixed(c.code);
        plugin.search(&hostWindow, &notify, bytes(prefixed), container, coordinator.get());
        bool asked = false;
        for (const auto& call : sc->calls())
            if (call.op == CoordinatorOp::GetOperatorName) {
                asked = true;
                EXPECT_EQ(call.args[1].toText(), c.code.size() == 2 ? "张" : c.code);
            }
        EXPECT_EQ(asked, c.asksForName) << c.code.size();
        delete window("FrmTrunAccountSearch");
    }
}

TEST_F(PluginTest, NothingCrossesBackIntoTheHost) {
    ModalAnswerer answer;
    plugin.input(&hostWindow, &notify, bytes(code), nullptr, coordinator.get());  // no container
    plugin.input(&hostWindow, &notify, nullptr, container, nullptr);             // no code, no coordinator
    EXPECT_EQ(answer.seen().size(), 2);
}

}  // namespace
}  // namespace trunaccount::testing
