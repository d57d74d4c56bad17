#include "search_support.h"

#include <QComboBox>
#include <QDateEdit>
#include <QTableView>
#include <QTest>

#include "support/packets.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::testing {

DataPacket documentsPacket(const std::vector<DocRow>& rows) {
    auto text = [](const char* name) { return PacketColumn{name, ColumnKind::Text, 0}; };
    auto number = [](const char* name) { return PacketColumn{name, ColumnKind::Float, 0}; };
    DataPacket p({text("f_zzgdbz"), text("f_hsdwh"), text("f_hsdwmc"), text("f_zdrhsdwh"), text("f_djh"),
                  text("f_gysbm"), text("f_csmc"), text("f_tdmc"), number("f_hsje"), number("f_wsje"),
                  number("f_zzse"), number("f_zzsl"), text("f_zzpjhm"), text("f_zzzffs"), text("f_zzyh"),
                  text("f_zzzfrq"), text("f_rzrq"), text("f_zzgdrq")});
    for (const auto& r : rows) {
        for (const std::string& t : {r.tick, r.unit, std::string("总部"), std::string(" "), r.number,
                                     std::string("G0001"), std::string("宏达食品"), std::string(" ")})
            p.addText(t);
        for (double v : {r.amount, r.taxFree, r.tax, 0.0}) p.addFloat(v);
        for (const std::string& t : {std::string(" "), r.paymentMethod, r.bank, std::string(" "), r.date})
            p.addText(t);
        p.addNull();
        p.endRow();
    }
    return p;
}

Variant documents(const std::vector<DocRow>& rows) {
    return Variant(std::make_shared<const DataPacket>(documentsPacket(rows)));
}

void chooseBusinessType(host::TFrmTrunAccount* w, int type) {
    // What picking an item of the list does.
    w->ui().cbywlx->setCurrentIndex(type);
    emit w->ui().cbywlx->activated(type);
}

void setRange(host::TFrmTrunAccount* w, const QDate& from, const QDate& to) {
    w->ui().edtrzrq_b->setDate(from);
    w->ui().edtrzrq_e->setDate(to);
}

void pressF2(host::TFrmTrunAccount* w, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(w->dgdView->view(), Qt::Key_F2, modifiers);
}

QStringList totalsLine(const host::TFrmTrunAccount* w) {
    const auto texts = totalsLine(*w);
    return QStringList(texts.begin(), texts.end());
}

std::string shown(const host::TFrmTrunAccount* w, int row, const char* field) {
    return w->cdspass.fieldByName(field).displayTextAt(w->cdspass.recordAt(row));
}

ScriptedWindowTest::ScriptedWindowTest() : coordinatorRef(ScriptedCoordinator::create(&coordinator)) {
    scriptStartUp(*coordinator);
    auto lookups = coordinator->onQueryData;
    coordinator->onQueryData = [this, lookups](const std::string& sql, Variant& data) {
        if (sql.rfind("select * from (", 0) != 0) return lookups(sql, data);
        searches.push_back(sql);
        if (answer) return answer(sql, data);
        data = documents({});
        return true;
    };
}

host::TFrmTrunAccount* ScriptedWindowTest::openScripted(const QString& mode) {
    return open(mode, coordinatorRef.get());
}

}  // namespace trunaccount::testing
