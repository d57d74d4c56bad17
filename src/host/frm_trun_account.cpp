#include "host/frm_trun_account.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/settings.h"
#include "data/veyra_class.h"
#include "host/host_values.h"
#include "host/icons.h"
#include "host/statement_import.h"
#include "host/window_support.h"
#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "reconcile/row_set.h"
#include "reconcile/tick_tally.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::host {

using namespace trunaccount::platform;

namespace {

constexpr const char* kSettingsFile = "Quorvexpos.ini";

// The loader of the window constructed last; released when a window closes.
std::unique_ptr<TVeyraClass>& moduleLoader() {
    static std::unique_ptr<TVeyraClass> loader;
    return loader;
}

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

// The window's field objects, in the row set's field order.
Field* TFrmTrunAccount::*const kFieldMembers[] = {
    &TFrmTrunAccount::cdspassf_zzgdbz, &TFrmTrunAccount::cdspassf_hsdwh,  &TFrmTrunAccount::cdspassf_hsdwmc,
    &TFrmTrunAccount::cdspassf_zdrhsdwh, &TFrmTrunAccount::cdspassf_Djh,  &TFrmTrunAccount::cdspassf_Gysbm,
    &TFrmTrunAccount::cdspassf_Csmc,   &TFrmTrunAccount::cdspassf_tdmc,   &TFrmTrunAccount::cdspassf_hsje,
    &TFrmTrunAccount::cdspassf_wsje,   &TFrmTrunAccount::cdspassf_zzse,   &TFrmTrunAccount::cdspassf_zzsl,
    &TFrmTrunAccount::cdspassf_zzpjhm, &TFrmTrunAccount::cdspassf_zzZffs, &TFrmTrunAccount::cdspassf_zzyh,
    &TFrmTrunAccount::cdspassf_Zzzfrq, &TFrmTrunAccount::cdspassf_Rzrq,   &TFrmTrunAccount::cdspassf_zzgdrq,
};

}  // namespace

ReconciliationModuleState& moduleState() {
    static ReconciliationModuleState state;
    return state;
}

TFrmTrunAccount::TFrmTrunAccount(QWidget* owner, const QString& mode)
    : TFrmBase(owner), mode_(mode), ui_(std::make_unique<Ui::TrunAccountContent>()) {
    // 1. The design.
    setWindowTitle(QStringLiteral("转帐勾对"));
    auto* content = new QWidget(PanelMain());
    ui_->setupUi(content);
    auto* panelLayout = new QVBoxLayout(PanelMain());
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(content);
    // Lists and date pickers of the condition panel: flat, with a green border,
    // the dates in the short date format.
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->edtrzrq_b, ui_->edtrzrq_e, ui_->cbgdlx, ui_->cbfkyy,
                                                      ui_->cbtd, ui_->cbzffs})
        addBorder(w, QColor(0, 128, 0));
    for (QDateEdit* d : {ui_->edtrzrq_b, ui_->edtrzrq_e})
        d->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
    defineRowSet();
    buildGrid();
    buildToolbar();
    buildReport();
    RopHelp.setObjectName(QStringLiteral("RopHelp"));
    RopHelp.Font = interfaceFont(12);
    RopHelp.Lines = {QStringLiteral("快捷键："), QString(), QStringLiteral("    重  查: F2"),
                     QStringLiteral("    选  项: F3"), QStringLiteral("    预  览: Ctrl+V"),
                     QStringLiteral("    打  印: Ctrl+P"), QStringLiteral("    退  出: ESC")};
    if (!inSearchMode()) RopHelp.Lines.insert(6, QStringLiteral("    导入对账单: Ctrl+I"));
    // The window sees every key before the focused control does.
    qApp->installEventFilter(this);

    // 2. onwards: the start-up proper.
    moduleState().startFailed = false;
    if (!startUp()) {
        moduleState().startFailed = true;
        startFailedHere_ = true;
    }
}

TFrmTrunAccount::~TFrmTrunAccount() { qApp->removeEventFilter(this); }

std::optional<BusinessType> TFrmTrunAccount::businessType() const { return businessTypeAt(ui_->cbywlx->currentIndex()); }

void TFrmTrunAccount::defineRowSet() {
    const auto fields = defineReconciliationFields(cdspass);
    static_assert(std::size(kFieldMembers) == 18);
    for (std::size_t i = 0; i < fields.size(); ++i) this->*kFieldMembers[i] = fields[i];
    cdspassf_zzgdbz->setOnChange([this](Field& f) { cdspassf_zzgdbzChange(f); });
    // Any other value the user changes is an edit a save would write.
    for (Field* f : fields)
        if (f != cdspassf_zzgdbz)
            f->setOnChange([this](Field& changed) {
                if (changed.changedAsShown()) editedSinceLoad_ = true;
            });
    cdspassf_Zzzfrq->setOnValidate([this](Field&, const Variant& v) { cdspassf_ZzzfrqValidate(v); });
    // The bank shows as code and name but is edited as the code the column
    // holds: an editor left as it was must not store the name into the code.
    cdspassf_zzyh->setOnGetText([this](const Field& f, RecordId r, bool displayText) {
        const bool editable = businessType() == BusinessType::PaymentApproval;
        return displayText || !editable ? cdspassf_zzyhGetText(r) : f.asStringAt(r);
    });
}

void TFrmTrunAccount::buildGrid() {
    dgdView = new TAdvDBGridEh(ui_->dgdViewSlot->parentWidget());
    dgdView->setObjectName(QStringLiteral("dgdView"));
    delete ui_->contentLayout->replaceWidget(ui_->dgdViewSlot, dgdView);
    delete ui_->dgdViewSlot;
    ui_->dgdViewSlot = nullptr;
    dgdView->setDataset(&cdspass);
    dgdView->addColumnsForFields();
    for (int i = 0; i < dgdView->columnCount(); ++i) {
        GridColumn& c = dgdView->column(i);
        if (int width = reconciliationRowSet()[static_cast<std::size_t>(i)].columnWidth; width > 0) c.setWidth(width);
        c.setTitleButton(i != RowSetColumn::TickTime);  // the tick-off time sorts nothing
    }
    GridColumn& tick = dgdView->column(RowSetColumn::Tick);
    const QString ticked = QString::fromLatin1(kTicked.data(), static_cast<qsizetype>(kTicked.size()));
    const QString unticked = QString::fromLatin1(kUnticked.data(), static_cast<qsizetype>(kUnticked.size()));
    tick.setCheckBox(true, ticked, unticked);
    tick.setPickList({ticked, unticked});
    // The totals line, under the first three columns; the document number's
    // footer stays empty.
    for (int i : {RowSetColumn::Tick, RowSetColumn::Unit, RowSetColumn::UnitName, RowSetColumn::DocumentNumber})
        dgdView->column(i).setFooterValueType(fvtStaticText);
    for (int i : {RowSetColumn::Amount, RowSetColumn::AmountWithoutTax, RowSetColumn::Tax})
        dgdView->column(i).setFooterValueType(fvtSum);
    dgdView->column(RowSetColumn::AmountWithoutTax).setReadOnly(true);
    dgdView->setFooterVisible(true);
    dgdView->setFooterColor(QColor(255, 255, 0));
    dgdView->setTitleColor(QColor(0, 110, 110));
    dgdView->setTitleFontColor(Qt::white);
    dgdView->AutoSorted = true;
    // The grid's own delete key goes the way of "删  行", so the ticked totals stay true.
    dgdView->setDeleteRowHandler([this] { btndelClick(); });
    dgdView->setCellColorHook([this](const CellInfo& cell, CellStyle& style) { dgdViewGetCellParams(cell, style); });
    dgdView->setKeyHandler([this](QKeyEvent* e) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            guarded(this, [&] { dgdViewKeyPress(kEnterChar); });
            return false;  // the grid's own handling of the key follows as usual
        }
        if (e->key() == Qt::Key_F2) return true;  // the window's search reloads the rows: no cell editor opens
        if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier && !inSearchMode()) {
            // Space ticks or unticks the current row, in whatever column: it does
            // not also start typing a blank into the cell.
            guarded(this, [&] { toggleCurrentTick(); });
            return true;
        }
        return false;
    });
}

void TFrmTrunAccount::buildToolbar() {
    struct Button {
        QToolButton* button;
        const char* icon;
    } buttons[] = {
        {ui_->btnSearch, "search"},    {ui_->ButFilter, "filter"},      {ui_->btnChoose, "choose"},
        {ui_->btnShow, "info"},        {ui_->btnall, "check_all"},      {ui_->btnnoall, "check_none"},
        {ui_->btndel, "delete_row"},   {ui_->btnNogd, "info"},          {ui_->btnsave, "save"},
        {ui_->btnPreview, "preview"},  {ui_->btnPrint, "print"},        {ui_->btnHand, "help"},
        {ui_->btnExit, "exit"},
    };
    for (const auto& b : buttons) b.button->setIcon(toolIcon(b.icon));
    if (!inSearchMode()) btnStatement = addStatementButton(*this, ui_->toolbarRow2, ui_->btnsave);
    MenuDyfs = new QMenu(this);
    MenuDyfs->setObjectName(QStringLiteral("MenuDyfs"));
    MAll = MenuDyfs->addAction(QStringLiteral("标准打印"));
    MAll->setObjectName(QStringLiteral("MAll"));
    MAll->setData(1);
    Msum = MenuDyfs->addAction(QStringLiteral("只打合计"));
    Msum->setObjectName(QStringLiteral("Msum"));
    Msum->setData(2);
    for (QAction* a : {MAll, Msum}) a->setCheckable(true);
    ui_->btnPrint->setMenu(MenuDyfs);
    ui_->btnPrint->setPopupMode(QToolButton::MenuButtonPopup);
    ui_->btnPrint->setMinimumWidth(55);

    auto on = [this](QToolButton* b, void (TFrmTrunAccount::*handler)()) {
        connect(b, &QToolButton::clicked, this, [this, handler] { guarded(this, [&] { (this->*handler)(); }); });
    };
    on(ui_->btnSearch, &TFrmTrunAccount::btnSearchClick);
    on(ui_->ButFilter, &TFrmTrunAccount::ButFilterClick);
    on(ui_->btnall, &TFrmTrunAccount::btnallClick);
    on(ui_->btnnoall, &TFrmTrunAccount::btnnoallClick);
    on(ui_->btndel, &TFrmTrunAccount::btndelClick);
    on(ui_->btnsave, &TFrmTrunAccount::btnsaveClick);
    on(ui_->btnNogd, &TFrmTrunAccount::btnNogdClick);
    on(ui_->btnChoose, &TFrmTrunAccount::btnChooseClick);
    on(ui_->btnHand, &TFrmTrunAccount::btnHandClick);
    on(ui_->btnExit, &TFrmTrunAccount::btnExitClick);
    on(ui_->btnPreview, &TFrmTrunAccount::btnPreviewClick);
    on(ui_->btnPrint, &TFrmTrunAccount::btnPrintClick);
    for (QAction* a : {MAll, Msum})
        connect(a, &QAction::triggered, this, [this, a] { guarded(this, [&] { MAllClick(a); }); });
    connect(ui_->cbywlx, &QComboBox::activated, this, [this] {
        guarded(this, [&] {
            // Another type empties the list: unsaved ticks are asked about first.
            if (!mayDiscard("有未保存的勾对，确定要切换业务类型吗?")) {
                const QSignalBlocker quiet(ui_->cbywlx);
                ui_->cbywlx->setCurrentIndex(typeIndexShown_);
                return;
            }
            cbywlxChange();
        });
        focusGrid();
    });
}

bool TFrmTrunAccount::startUp() {
    // 3. to 5. The system parameters of this window.
    auto& loader = moduleLoader();
    loader = std::make_unique<TVeyraClass>(hostValues().coordinator, this);
    params_.operatorCode = hostValues().operatorCode;
    std::string message;
    if (!loader->LoadParameters(params_, windowParameterRequest(), message)) {
        messageBox(this, message, "错误", MB_OK | MB_ICONERROR);
        return false;
    }
    // 6. The mode.
    applyMode();
    // 7. The bounds of a search.
    moduleState().startYearMonth = params_.qyny;
    moduleState().currentDate = params_.serverDate;
    // 8. Both dates start on the server's date.
    const QDate today = QDate::fromString(q(params_.serverDate), QStringLiteral("yyyyMMdd"));
    if (today.isValid()) {
        ui_->edtrzrq_b->setDate(today);
        ui_->edtrzrq_e->setDate(today);
    }
    // 9. Standard printing.
    MAll->setChecked(true);
    Msum->setChecked(false);
    // 10. The lookup lists.
    return loadLookups();
}

void TFrmTrunAccount::applyMode() {
    if (!inSearchMode()) {
        ui_->btnNogd->hide();
        ui_->cbgdlx->setCurrentIndex(1);
        ui_->labgdlx->hide();
        ui_->cbgdlx->hide();
        cdspassf_zzgdrq->setVisible(false);
    } else {
        dgdView->setMultiSelect(true);
        ui_->cbgdlx->setCurrentIndex(0);
        dgdView->setReadOnly(true);
        ui_->btnsave->hide();
        ui_->btndel->hide();
        cdspassf_zzgdrq->setVisible(true);
        buildHistoryMenu();
    }
}

bool TFrmTrunAccount::loadLookups() {
    auto& coord = currentCoordinator();
    struct Lookup {
        const char* sql;
        ClientDataSet* into;
        QComboBox* list;
    } lookups[] = {
        {"select f_tdbm,f_tdmc from tbtdda order by f_tdbm ", &cdspub, ui_->cbtd},
        {"select f_zffsbm,f_zffsmc from tbzffs order by f_zffsbm", &cdszffs, ui_->cbzffs},
        {"select f_yybm,f_yymc from tbyyda order by f_yybm", &cdspub, ui_->cbfkyy},
        {"select f_yhbm,f_yhmc from tbcwfkyh order by f_yhbm ", &cdsbank, nullptr},
    };
    for (const auto& l : lookups) {
        Variant data;
        if (!QueryData(coord, l.sql, data)) {
            ReportError(this, data, "");
            return false;
        }
        if (!data.isPacket() || !data.asPacket())
            throw Error("查询结果无法读取。", std::string("the coordinator's answer to \"") + l.sql + "\" is not a data packet");
        const DataPacket& packet = *data.asPacket();
        l.into->close();
        l.into->loadPacket(packet);
        if (!l.list) continue;
        l.list->clear();
        l.list->addItem(QStringLiteral("全部"));
        // One item per row: the code, one blank, the name (a missing value reads as empty).
        auto text = [&](std::size_t r, std::size_t c) {
            return packet.columnCount() > c && !packet.isNull(r, c) ? q(packet.value(r, c).toText()) : QString();
        };
        for (std::size_t r = 0; r < packet.rowCount(); ++r) l.list->addItem(text(r, 0) + QLatin1Char(' ') + text(r, 1));
    }
    return true;
}

void TFrmTrunAccount::FormShow() {
    if (shown_) return;
    shown_ = true;
    if (startFailedHere_) {
        // Nothing of this window's design state is worth keeping: it closes at once.
        closeWindow();
        return;
    }
    try {
        // The layout and the four selections from one reading of the file.
        SettingsReader settings(kSettingsFile, "");
        dgdView->ReadColumnLayout(settings, objectName());
        auto restore = [&](QComboBox* list) {
            std::string stored = settings.read(s(objectName()), s(list->objectName()), "0");
            bool ok = false;
            int index = q(stored).trimmed().toInt(&ok);
            // An index outside the list selects nothing; one that is not a number is taken as the default.
            list->setCurrentIndex(ok ? (index >= 0 && index < list->count() ? index : -1) : 0);
        };
        restore(ui_->cbywlx);
        cbywlxChange();
        restore(ui_->cbtd);
        restore(ui_->cbzffs);
        restore(ui_->cbfkyy);
    } catch (const std::exception& e) {
        // A settings file that cannot be read leaves the design state; the window works.
        reportEscapedError(this, &e);
        cbywlxChange();
    }
    focusGrid();
}

void TFrmTrunAccount::focusGrid() { dgdView->setFocus(Qt::OtherFocusReason); }

bool TFrmTrunAccount::hasUnsavedChanges() const {
    // An emptied list (another business type) took its ticks and edits with it.
    if (inSearchMode() || !cdspass.active() || cdspass.heldRecordCount() == 0) return false;
    // The input list holds unticked documents only: a ticked row is a tick not
    // yet saved. A value still in a cell editor counts as an edit.
    return tally_.count() > 0 || editedSinceLoad_ || dgdView->editorOpen();
}

bool TFrmTrunAccount::mayDiscard(const char* question) {
    return !hasUnsavedChanges() ||
           messageBox(this, question, "提示", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

bool TFrmTrunAccount::mayLeave() { return mayDiscard("有未保存的勾对，确定要退出吗?"); }

void TFrmTrunAccount::btnExitClick() {
    if (mayLeave()) closeWindow();
}

void TFrmTrunAccount::requireLoadedList() const {
    if (!cdspass.active()) throw Error("请先查询。", "cdspass: the list has not been loaded by a search yet");
}

void TFrmTrunAccount::FormClose() {
    moduleLoader().reset();
    // A window whose start failed never showed the user's layout and selections:
    // it leaves the stored ones alone.
    if (!startFailedHere_) storeSettings();
    TFrmBase::FormClose();
}

void TFrmTrunAccount::storeSettings() {
    try {
        // The layout and the four selections in one replacement of the file.
        SettingsBatch batch(kSettingsFile, "");
        dgdView->WriteColumnLayout(batch, objectName());
        for (QComboBox* list : {ui_->cbywlx, ui_->cbtd, ui_->cbzffs, ui_->cbfkyy})
            batch.write(s(objectName()), s(list->objectName()), std::to_string(list->currentIndex()));
        batch.store();
    } catch (const SettingsReadOnlyError& e) {
        // The user made the file read-only on purpose; say once that nothing is stored.
        if (e.firstNotice())
            messageBox(this, "设置文件是只读的，窗口的列布局和列表选择不会保存。\n" + e.path(), "警告",
                       MB_OK | MB_ICONWARNING);
    } catch (const std::exception& e) {
        reportEscapedError(this, &e);
    }
}

bool TFrmTrunAccount::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched->isWidgetType() && !QApplication::activePopupWidget() &&
        !QApplication::activeModalWidget()) {
        auto* w = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(e);
        // A key the focused control leaves travels on to its parents, the same event
        // at each stop: act on its first stop only. A new key may come in the same
        // event object with the same time (keys sent by a program), but it starts
        // again at a control, not at a parent of the last first stop.
        const bool again = key == lastKey_ && key->timestamp() == lastKeyTime_ && lastKeyStop_ &&
                           w != lastKeyStop_ && w->isAncestorOf(lastKeyStop_);
        if (!again && (w == this || isAncestorOf(w))) {
            lastKey_ = key;
            lastKeyTime_ = key->timestamp();
            lastKeyStop_ = w;
            FormKeyDown(key);
        }
    }
    return false;  // the focused control still gets the key
}

void TFrmTrunAccount::FormKeyDown(QKeyEvent* e) {
    // A held key searches or closes once, not once per repeat.
    if (e->isAutoRepeat()) return;
    switch (e->key()) {
    case Qt::Key_Escape:
        // Esc in an open cell editor takes back that edit only (the editor does it).
        if (dgdView->editorOpen()) break;
        guarded(this, [&] { btnExitClick(); });
        break;
    case Qt::Key_F2: guarded(this, [&] { btnSearchClick(); }); break;
    case Qt::Key_I:
        if (btnStatement && e->modifiers() == Qt::ControlModifier) guarded(this, [&] { btnStatementClick(); });
        break;
    case Qt::Key_F4:
        if (inSearchMode()) guarded(this, [&] { MgdlsClick(); });
        break;
    case Qt::Key_P:
        // Ctrl+P prints, whatever other modifier keys are held.
        if (e->modifiers() & Qt::ControlModifier) guarded(this, [&] { btnPrintClick(); });
        break;
    default: break;
    }
}

void TFrmTrunAccount::btnHandClick() { RopHelp.Execute(); }

void TFrmTrunAccount::btnChooseClick() { dgdView->ChooseColumns(); }

// ---- The row set's presentation ----

void TFrmTrunAccount::cbywlxChange() {
    const std::optional<BusinessType> t = businessType();
    // 1. The list is emptied; the counts and the totals line stay as they are.
    if (cdspass.active()) cdspass.emptyDataSet();
    editedSinceLoad_ = false;  // the edits went with the rows
    // 2. The date label, and the payment method shown by name where the rows hold codes.
    if (t && !listedByEntryDate(*t)) {
        ui_->Label22->setText(QStringLiteral("制单日期:从"));
        cdspassf_zzZffs->setOnGetText({});
    } else if (t) {
        ui_->Label22->setText(QStringLiteral("入账日期:从"));
        cdspassf_zzZffs->setOnGetText([this](const Field&, RecordId r, bool) { return cdspassf_zzZffsGetText(r); });
    }
    // 3. Labels, visibility, read-only state and the filter lists of the type.
    auto show = [](std::initializer_list<Field*> fields, bool visible) {
        for (Field* f : fields) f->setVisible(visible);
    };
    if (t) switch (*t) {
    case BusinessType::InvoiceSubmission:
    case BusinessType::InvoiceAdjustment: {
        const bool taxFixed = *t == BusinessType::InvoiceAdjustment;
        cdspassf_hsje->setDisplayLabel("发票金额");
        cdspassf_Rzrq->setDisplayLabel("制单日期");
        show({cdspassf_wsje, cdspassf_zzse, cdspassf_zzsl}, true);
        show({cdspassf_tdmc, cdspassf_zzpjhm, cdspassf_zzyh, cdspassf_Zzzfrq, cdspassf_zzZffs}, false);
        cdspassf_zzse->setReadOnly(taxFixed);
        cdspassf_zzsl->setReadOnly(taxFixed);
        ui_->cbtd->setEnabled(false);
        ui_->cbzffs->setEnabled(false);
        ui_->cbfkyy->setEnabled(false);
        break;
    }
    case BusinessType::PaymentApproval:
        cdspassf_hsje->setDisplayLabel("付款金额");
        cdspassf_Rzrq->setDisplayLabel("制单日期");
        cdspassf_tdmc->setDisplayLabel("付款原因");
        show({cdspassf_wsje, cdspassf_zzse, cdspassf_zzsl}, false);
        show({cdspassf_tdmc, cdspassf_zzpjhm, cdspassf_zzyh, cdspassf_Zzzfrq, cdspassf_zzZffs}, true);
        cdspassf_zzZffs->setReadOnly(false);
        ui_->cbtd->setEnabled(false);
        ui_->cbzffs->setEnabled(false);
        ui_->cbfkyy->setEnabled(true);
        break;
    case BusinessType::ProjectApproval:
    case BusinessType::FeeCollection:
        cdspassf_hsje->setDisplayLabel("付款金额");
        cdspassf_Rzrq->setDisplayLabel("入帐日期");
        cdspassf_tdmc->setDisplayLabel("通道名称");
        show({cdspassf_wsje, cdspassf_zzse, cdspassf_zzsl, cdspassf_zzpjhm, cdspassf_zzyh, cdspassf_Zzzfrq}, false);
        show({cdspassf_tdmc, cdspassf_zzZffs}, true);
        cdspassf_zzZffs->setReadOnly(true);
        ui_->cbtd->setEnabled(true);
        ui_->cbzffs->setEnabled(true);
        ui_->cbfkyy->setEnabled(false);
        break;
    }
    // Nothing selected: the presentation stays.
    // 4. Column i shows exactly when field i is visible.
    for (int i = 0; i < cdspass.fieldCount() && i < dgdView->columnCount(); ++i)
        dgdView->column(i).setVisible(cdspass.field(i).visible());
    typeIndexShown_ = ui_->cbywlx->currentIndex();
}

std::string TFrmTrunAccount::cdspassf_zzZffsGetText(RecordId record) const {
    const std::optional<BusinessType> t = businessType();
    if (!t || !listedByEntryDate(*t) || !cdszffs.active()) return {};
    std::string code(cdspassf_zzZffs->textAt(record));
    return cdszffs.lookup("f_zffsbm", code, "f_zffsmc").value_or(std::string());
}

std::string TFrmTrunAccount::cdspassf_zzyhGetText(RecordId record) const {
    if (businessType() != BusinessType::PaymentApproval || !cdsbank.active()) return {};
    std::string code(cdspassf_zzyh->textAt(record));
    auto name = cdsbank.lookup("f_yhbm", code, "f_yhmc");
    return name ? code + " " + *name : std::string();
}

void TFrmTrunAccount::UpdateTotals() {
    // The columns keep their widths: a text wider than its column runs on over
    // the empty footer cells to its right, and the footer's tooltip has it whole.
    GridColumn& count = dgdView->column(RowSetColumn::Tick);
    GridColumn& ticked = dgdView->column(RowSetColumn::Unit);
    GridColumn& amount = dgdView->column(RowSetColumn::UnitName);
    for (GridColumn* c : {&count, &ticked, &amount}) c->setFooterValueType(fvtStaticText);
    count.setFooterValue(QStringLiteral("合计:%1条").arg(cdspass.recordCount()));
    ticked.setFooterValue(QStringLiteral("已勾:%1条").arg(tally_.count()));
    amount.setFooterValue(QStringLiteral("已勾金额:") + q(tally_.amount().text(2)));
}

QString TFrmTrunAccount::RangeTitle() const {
    const auto& m = moduleState();
    if (m.rangeStartText.empty()) return {};
    return ui_->Label22->text() + q(m.rangeStartText) + QStringLiteral("至") + q(m.rangeEndText);
}

}  // namespace trunaccount::host
