#include "tools/adv_grid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <limits>

#include "data/settings.h"
#include "data/text_functions.h"
#include "platform/message_box.h"
#include "tools/condition_filter.h"
#include "tools/flat_dialog.h"
#include "tools/frm_choose_db_fields.h"
#include "tools/frm_query_set.h"
#include "widgets/error_log.h"

using namespace Qt::StringLiterals;

namespace trunaccount {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("    ");
const char* const kCustomIndex = "customindex";

// Rows are told apart by position: even rows are conditions, odd rows relations.
QString rowsText(const ConditionRows& rows) {
    QString t;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ConditionRow& r = rows[i];
        if (i % 2 == 0) t += kIndent + r.caption + ":"_L1 + r.subItems[0] + r.subItems[1];
        else t += r.subItems[2] + kCrLf;
    }
    return t;
}
}  // namespace

TAdvCustomDBGridEh::TAdvCustomDBGridEh(QWidget* parent) : DataGrid(parent) {}
TAdvCustomDBGridEh::~TAdvCustomDBGridEh() = default;

void TAdvCustomDBGridEh::notifySortMarkingChanged() {
    if (!AutoSorted) {
        DataGrid::notifySortMarkingChanged();
        return;
    }
    try {
        ApplySortMarkers();
    } catch (const std::exception& e) {
        // The click that changed the markers has no caller to hand the error to.
        logError(e);
        reportError(QString::fromUtf8(e.what()));
    }
}

void TAdvCustomDBGridEh::linkActiveChanged(bool active) {
    DataGrid::linkActiveChanged(active);
    ClearSortMarkers();
    if (ShowSumCount) ShowCountFooter();
}

TAdvCustomDBGridEh::SortTexts TAdvCustomDBGridEh::sortTexts() const {
    SortTexts t;
    for (const GridColumn* c : sortMarkedColumns()) {
        t.fieldList += c->fieldName() + ";"_L1;
        if (c->sortMarker() == smUpEh) {
            t.sortText += c->fieldName() + " ASC,"_L1;
        } else {
            t.descendingList += c->fieldName() + ";"_L1;
            t.sortText += c->fieldName() + " DESC,"_L1;
        }
    }
    for (QString* s : {&t.fieldList, &t.descendingList, &t.sortText})
        if (!s->isEmpty()) s->chop(1);
    return t;
}

void TAdvCustomDBGridEh::ApplySortMarkers() {
    ClientDataSet* ds = dataset();
    if (!ds || !ds->active() || ds->isEmpty() || sortMarkedColumns().empty()) return;
    SortTexts t = sortTexts();
    // The client dataset sorts by an index; it is the only kind of dataset here
    // (none sorts by a sort-expression text).
    ds->updateIndexDefs();
    if (ds->findIndex(kCustomIndex)) ds->deleteIndex(kCustomIndex);
    ds->addIndex(kCustomIndex, t.fieldList.toStdString(), ixCaseInsensitive, t.descendingList.toStdString(), {}, 0);
    ds->setIndexName(kCustomIndex);
}

QString TAdvCustomDBGridEh::ConditionText(const QString& extra) const {
    QString t;
    if (!searchConditions.empty()) {
        t += QStringLiteral("查询条件:") + kCrLf;
        if (!extra.isEmpty()) t += kIndent + extra + QStringLiteral("并且") + kCrLf;
        t += rowsText(searchConditions);
        t += kCrLf;
    } else if (!extra.isEmpty()) {
        t += QStringLiteral("查询条件:") + kCrLf + kIndent + extra + kCrLf;
    }
    if (!savedConditions.empty()) {
        t += QStringLiteral("过滤条件:") + kCrLf;
        t += rowsText(savedConditions);
    }
    return t;
}

QString CompleteLayoutFolder(const QString& folder) {
    if (folder.isEmpty()) return QStringLiteral("\\");
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

void TAdvCustomDBGridEh::LoadColumnLayout(const QString& fileName, const QString& section, const QString& folder) {
    ReadColumnLayout(SettingsReader(fileName.toStdString(), CompleteLayoutFolder(folder).toStdString()), section);
}

void TAdvCustomDBGridEh::ReadColumnLayout(const SettingsReader& settings, const QString& section) {
    for (int i = 0; i < columnCount(); ++i) {
        GridColumn& c = column(i);
        QString value =
            QString::fromStdString(settings.read(section.toStdString(), c.fieldName().toStdString(), "1,0"));
        int comma = value.indexOf(QLatin1Char(','));
        QString visiblePart = comma < 0 ? QString() : value.left(comma);
        QString widthPart = comma < 0 ? value : value.mid(comma + 1);
        c.setVisible(c.tag() == 1 ? false : visiblePart == QStringLiteral("1"));
        std::string width = widthPart.toStdString();
        if (IsIntegerText(width) && widthPart != QStringLiteral("0")) {
            long long w = std::stoll(width);
            c.setWidth(static_cast<int>(std::clamp<long long>(w, 0, std::numeric_limits<short>::max())));
        }
    }
}

void TAdvCustomDBGridEh::SaveColumnLayout(const QString& fileName, const QString& section, const QString& folder) {
    SettingsBatch batch(fileName.toStdString(), CompleteLayoutFolder(folder).toStdString());
    WriteColumnLayout(batch, section);
    batch.store();
}

void TAdvCustomDBGridEh::WriteColumnLayout(SettingsBatch& batch, const QString& section) const {
    for (int i = 0; i < columnCount(); ++i) {
        const GridColumn& c = column(i);
        QString value = QString(c.visible() ? "1"_L1 : "0"_L1) + ","_L1 + QString::number(c.width());
        batch.write(section.toStdString(), c.fieldName().toStdString(), value.toStdString());
    }
}

void TAdvCustomDBGridEh::ShowCountFooter() {
    ClientDataSet* ds = dataset();
    if (!ds || !ds->active()) return;
    int n = ds->recordCount();
    for (int i = 0; i < columnCount(); ++i) {
        GridColumn& c = column(i);
        if (c.footerValueType() == fvtStaticText && c.footerValue().contains(QStringLiteral("合计"))) c.setFooterValue({});
    }
    for (int i = 0; i < columnCount(); ++i) {
        GridColumn& c = column(i);
        if (!c.visible()) continue;
        if (c.footerValueType() == fvtStaticText || c.footerValueType() == fvtNon) {
            c.setFooterValueType(fvtStaticText);
            c.setFooterValue(QStringLiteral("合计:") + QString::number(n) + QStringLiteral("条"));
        }
        break;  // only the first visible column is considered
    }
}

void TAdvCustomDBGridEh::ClearSortMarkers() {
    for (int i = 0; i < columnCount(); ++i) column(i).setSortMarker(smNoneEh);
}

bool TAdvCustomDBGridEh::RunQuerySet(const QString& caption, bool visibleOnly) {
    ClientDataSet* ds = dataset();
    if (!ds) return false;
    try {
        // Created for this use and freed after it, whatever happens.
        TFrmQuerySet builder(caption, visibleOnly, savedConditions, window());
        builder.DataSet = ds;
        if (builder.exec() != mrOk) return false;
        savedConditions = builder.conditionRows();
        ApplyConditionRows(*ds, savedConditions);
        return true;
    } catch (const std::exception& e) {
        logError(e);
        platform::messageBox(window(), e.what(), "错误", platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
}

void TAdvCustomDBGridEh::ChooseColumns() {
    TFrmChooseDBFields dialog(this);
    dialog.Grid = this;
    dialog.exec();
}

void TAdvCustomDBGridEh::contextMenuEvent(QContextMenuEvent* event) {
    // The titles' menu: a right-click on a title row, or the menu key anywhere
    // in the grid (the menu then opens under the titles).
    QPoint at;
    if (event->reason() == QContextMenuEvent::Keyboard) {
        at = view()->horizontalHeader()->mapToGlobal(QPoint(0, view()->horizontalHeader()->height()));
    } else {
        bool onTitles = false;
        for (QTableView* v : {view(), frozenView()})
            if (v && v->horizontalHeader()->isVisible() && v->horizontalHeader()->rect().contains(v->horizontalHeader()->mapFromGlobal(event->globalPos())))
                onTitles = true;
        if (!onTitles) {
            event->ignore();
            return;
        }
        at = event->globalPos();
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("titleMenu"));
    QAction* choose = menu.addAction(QStringLiteral("选择项目…"));
    choose->setObjectName(QStringLiteral("mnuChooseColumns"));
    event->accept();
    if (menu.exec(at) == choose) ChooseColumns();
}

}  // namespace trunaccount
