#include "window_fixture.h"

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>

#include "host/host_values.h"
#include "tools/adv_grid.h"
#include "host/open_window.h"
#include "platform/gbk.h"
#include "trunaccount/host_messages.h"

namespace trunaccount::testing {

bool MessageRecorder::event(QEvent* e) {
    if (auto* m = HostMessageEvent::from(e)) {
        messages << m->message();
        if (onMessage) onMessage(m->message());
        return true;
    }
    return QWidget::event(e);
}

void scriptStartUp(ScriptedCoordinator& c) {
    c.onGetDbType = [] { return Variant("SQLITE"); };
    c.onGetYearMonth = [](Variant& v) { return v = Variant("202501"), true; };
    c.onGetServerDateTime = [](Variant& v) { return v = Variant("2025011010:30:00"), true; };
    c.onGetServerDate = [](Variant& v) { return v = Variant("20250110"), true; };
    c.onGetOperatorName = [](std::int32_t, Variant& v) {
        return v = Variant(ScriptedCoordinator::textPacket({"f_zymc"}, {{"张丽华"}})), true;
    };
    c.onGetSystemParams = [](Variant& v) {
        v = Variant(ScriptedCoordinator::textPacket(
            {"f_Csmc", "f_csz"}, {{"dwlx", "00"}, {"qyny", "202410"}, {"hsdwh", "1001"}, {"zbbm", "1000"}}));
        return true;
    };
    c.onQueryData = [](const std::string& sql, Variant& data) {
        if (sql.find("from tbtdda") != std::string::npos)
            data = Variant(ScriptedCoordinator::textPacket({"f_tdbm", "f_tdmc"}, {{"01", "银联刷卡"}, {"02", "支付宝"}}));
        else if (sql.find("from tbzffs") != std::string::npos)
            data = Variant(ScriptedCoordinator::textPacket({"f_zffsbm", "f_zffsmc"}, {{"01", "现金"}, {"02", "转账"}}));
        else if (sql.find("from tbyyda") != std::string::npos)
            data = Variant(ScriptedCoordinator::textPacket({"f_yybm", "f_yymc"}, {{"A1", "货款"}}));
        else if (sql.find("from tbcwfkyh") != std::string::npos)
            data = Variant(ScriptedCoordinator::textPacket({"f_yhbm", "f_yhmc"}, {{"001", "工商银行"}}));
        else
            return data = ScriptedCoordinator::errorLines({"query not scripted"}), false;
        return true;
    };
}

std::vector<QString> totalsLine(const host::TFrmTrunAccount& w) {
    return {w.dgdView->footerText(0), w.dgdView->footerText(1), w.dgdView->footerText(2)};
}

WindowTest::WindowTest() : container(std::make_unique<QWidget>()) {
    ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
    container->resize(900, 600);
    container->show();
}

WindowTest::~WindowTest() {
    container.reset();  // windows go with their container, without their close handling
    flushDeletes();
    host::hostValues() = host::HostValues{};
    host::moduleState() = host::ReconciliationModuleState{};
    ::unsetenv("TRUNACCOUNT_HOST_DIR");
}

host::TFrmTrunAccount* WindowTest::open(const QString& mode, ICoorDisp* coordinator, const std::string& operatorCode) {
    return host::openReconciliationWindow(&hostWindow, &notify, platform::utf8ToGbk(operatorCode), container.get(),
                                          coordinator, mode);
}

host::TFrmTrunAccount* WindowTest::windowOf(const QString& mode) const {
    return container->findChild<host::TFrmTrunAccount*>(QStringLiteral("FrmTrunAccount") + mode);
}

void WindowTest::flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

std::string WindowTest::settingsText() const {
    auto path = hostDir.file("Quorvexpos.ini");
    if (!std::filesystem::exists(path)) return {};
    return platform::gbkToUtf8(TempDir::readFile(path));
}

}  // namespace trunaccount::testing
