// The tick history of the search window: the row menu "勾对历史" and its key
// show when the current row's document was ticked and revoked, and by whom, as
// the coordinator's audit recorded it.
#include <QAbstractItemView>
#include <QAction>
#include <QMenu>
#include <QTableView>

#include "host/frm_tick_history.h"
#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "host/window_support.h"
#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "reconcile/tick_history.h"
#include "tools/adv_grid.h"

namespace trunaccount::host {

using namespace trunaccount::platform;

void TFrmTrunAccount::buildHistoryMenu() {
    MenuRow = new QMenu(this);
    MenuRow->setObjectName(QStringLiteral("MenuRow"));
    Mgdls = MenuRow->addAction(QStringLiteral("勾对历史"));
    Mgdls->setObjectName(QStringLiteral("Mgdls"));
    Mgdls->setShortcut(QKeySequence(Qt::Key_F4));  // shown in the menu; the window's key handling acts on it
    Mgdls->setShortcutContext(Qt::WidgetShortcut);
    connect(Mgdls, &QAction::triggered, this, [this] { guarded(this, [&] { MgdlsClick(); }); });
    for (QTableView* view : {dgdView->view(), dgdView->frozenView()}) {
        if (!view) continue;
        // A scroll area reports its viewport's context menu requests, in viewport coordinates.
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
            const int row = view->rowAt(pos.y());
            if (row < 0 || !cdspass.active() || row >= cdspass.recordCount()) return;
            guarded(this, [&] { cdspass.setCurrentRow(row); });  // the menu is about the row under the mouse
            MenuRow->exec(view->viewport()->mapToGlobal(pos));
        });
    }
    RopHelp.Lines.append(QStringLiteral("    勾对历史: F4"));
}

void TFrmTrunAccount::MgdlsClick() {
    const auto type = businessType();
    if (!type || !cdspass.active() || cdspass.isEmpty()) return;
    const std::string djh(cdspassf_Djh->asString());
    const std::string unit(cdspassf_hsdwh->asString());
    const std::string sql = TickHistoryQuery(*type, unit, djh);
    ICoorDisp& coordinator = currentCoordinator();
    Variant data;
    if (!QueryData(coordinator, sql, data)) {
        // A database that keeps no audit has no history: that is no error.
        Variant count;
        const std::string dbType = GetDbType(coordinator).textForm().value_or("");
        if (QueryData(coordinator, AuditTableProbe(dbType), count) && count.isPacket() && count.asPacket() &&
            count.asPacket()->rowCount() == 1 && count.asPacket()->value(0, 0).toText() == "0") {
            messageBox(this, "这个数据库没有启用勾对审计，查不到勾对历史。\n（系统管理员可用 trunaccount-admin audit enable 启用）",
                       "提示", MB_OK | MB_ICONINFORMATION);
            return;
        }
        ReportError(this, data, "");
        return;
    }
    if (!data.isPacket() || !data.asPacket()) throw Error("the coordinator's answer is not a data packet");
    const auto steps = TickHistorySteps(*data.asPacket());
    if (steps.empty()) {
        messageBox(this, "单据 " + djh + " 没有勾对或注销的记录。", "提示", MB_OK | MB_ICONINFORMATION);
        return;
    }
    TFrmTickHistory dialog(this, QString::fromStdString(djh), QString::fromStdString(unit), steps);
    dialog.exec();
}

}  // namespace trunaccount::host
