#include "tools/frm_query_set.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QFrame>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTreeWidget>

#include "dataset/client_dataset.h"
#include "platform/message_box.h"
#include "tools/color_style.h"
#include "tools/flat_dialog.h"
#include "ui_frm_query_set.h"
#include "widgets/flat_controls.h"
#include "widgets/interface_font.h"
#include "widgets/error_log.h"

namespace trunaccount {

namespace {

const QString kAnd = QStringLiteral("并且");
const QString kOr = QStringLiteral("或者");
const QString kChooseRow = QStringLiteral("请选择一个逻辑表达式。");

// The picture of the button that abandons a modification: a cross.
QIcon crossIcon() {
    QPixmap p(12, 12);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(160, 0, 0), 2));
    painter.drawLine(2, 2, 10, 10);
    painter.drawLine(10, 2, 2, 10);
    return QIcon(p);
}

bool isRelation(const QTreeWidgetItem* item) { return !item->text(3).isEmpty(); }

}  // namespace

TFrmQuerySet::TFrmQuerySet(const QString& caption, bool visibleOnly, const ConditionRows& rows, QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TFrmQuerySet>()) {
    ui_->setupUi(this);
    setFont(InterfaceFont());
    ApplyDesignColors(this);
    HideCaptionBar();
    QTreeWidget* lv = ui_->lvwLogic;
    const int widths[] = {198, 100, 79, 69};
    for (int c = 0; c < 4; ++c) lv->setColumnWidth(c, widths[c]);
    lv->header()->setSectionsClickable(false);
    lv->header()->setSectionsMovable(false);
    lv->setMouseTracking(true);  // hot tracking
    ui_->btnModifyCancel->setIcon(crossIcon());
    buildMenu();
    ConnectModalResults(this);
    auto on = [this](QAbstractButton* b, void (TFrmQuerySet::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, [this, handler] { guarded(handler); });
    };
    on(ui_->btnAddLogic, &TFrmQuerySet::btnAddLogicClick);
    on(ui_->btnModifyOK, &TFrmQuerySet::btnModifyOKClick);
    on(ui_->btnModifyCancel, &TFrmQuerySet::btnModifyCancelClick);
    on(ui_->btnClearLogic, &TFrmQuerySet::btnClearLogicClick);
    on(ui_->btnOK, &TFrmQuerySet::btnOKClick);
    on(ui_->btnHelp, &TFrmQuerySet::btnHelpClick);
    on(ui_->btnExit, &TFrmQuerySet::btnExitClick);
    // Another field chosen: the value typed for the earlier one goes.
    connect(ui_->cbxField, &QComboBox::currentIndexChanged, this, [this] { ui_->editValue->clear(); });
    // The dialog sees the keys before its controls do.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);

    // The order of the construction: colours, captions, the rows, the flag.
    ApplyColorStyle(this);
    ui_->btnOK->setText(QStringLiteral("过  滤(&O)"));
    if (!caption.trimmed().isEmpty()) {
        ui_->gbxGoodsInfo->setTitle(caption);
        setWindowTitle(caption);
    }
    HelpText = QStringLiteral("字段名称值的要求:") + QStringLiteral("\r\n");
    lv->clear();
    for (const ConditionRow& r : rows) addRow(r);
    VisibleOnly = visibleOnly;
}

TFrmQuerySet::~TFrmQuerySet() = default;

void TFrmQuerySet::HideCaptionBar() {
    if (windowFlags().testFlag(Qt::FramelessWindowHint)) return;
    // Qt sizes the client area, so it keeps its design size by itself; the
    // thin border is a frame over the window's edge that lets clicks through.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    auto* border = new QFrame(this);
    border->setObjectName(QStringLiteral("thinBorder"));
    border->setFrameShape(QFrame::Box);
    border->setGeometry(rect());
    border->setAttribute(Qt::WA_TransparentForMouseEvents);
    border->raise();
}

void TFrmQuerySet::reject() { done(mrCancel); }

void TFrmQuerySet::guarded(void (TFrmQuerySet::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        // A dialog that could not open (a colour in the settings that is no
        // number) or a dataset that refuses: the error, and the builder stays.
        logError(e);
        platform::messageBox(this, e.what(), "错误", platform::MB_OK | platform::MB_ICONERROR);
    }
}

void TFrmQuerySet::buildMenu() {
    pmnuSetField = new QMenu(this);
    pmnuSetField->setObjectName(QStringLiteral("pmnuSetField"));
    auto item = [this](QMenu* menu, const char* name, const char* caption, void (TFrmQuerySet::*handler)()) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        if (handler) connect(a, &QAction::triggered, this, [this, handler] { guarded(handler); });
        return a;
    };
    mnuAddField = item(pmnuSetField, "mnuAddField", "加入字段表达式", &TFrmQuerySet::mnuAddFieldClick);
    pmnuSetField->addSeparator();
    mnuModifyField = item(pmnuSetField, "mnuModifyField", "修改字段表达式", &TFrmQuerySet::mnuModifyFieldClick);
    auto* logic = new QMenu(QStringLiteral("修改逻辑表达式"), pmnuSetField);
    mnuModifyLogic = pmnuSetField->addMenu(logic);
    mnuModifyLogic->setObjectName(QStringLiteral("mnuModifyLogic"));
    mnuModifyLogic->setEnabled(false);
    mnuLogicOR = item(logic, "mnuLogicOR", "A 或者 B", &TFrmQuerySet::mnuLogicORClick);
    mnuLogicAND = item(logic, "mnuLogicAND", "A 并且 B", &TFrmQuerySet::mnuLogicANDClick);
    pmnuSetField->addSeparator();
    mnuDelField = item(pmnuSetField, "mnuDelField", "删除字段表达式", &TFrmQuerySet::mnuDelFieldClick);
    connect(pmnuSetField, &QMenu::aboutToShow, this, [this] { pmnuSetFieldPopup(); });
    QTreeWidget* lv = ui_->lvwLogic;
    connect(lv, &QWidget::customContextMenuRequested, this,
            [this, lv](const QPoint& at) { pmnuSetField->exec(lv->viewport()->mapToGlobal(at)); });
}

void TFrmQuerySet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.left() + area.width() / 2 - width() / 2, area.top() + area.height() / 2 - height() / 2);
    }
    FormShow();
}

void TFrmQuerySet::FormShow() {
    QComboBox* fields = ui_->cbxField;
    {
        const QSignalBlocker quiet(fields);
        fields->clear();
        for (int i = 0; DataSet && i < DataSet->fieldCount(); ++i) {
            const Field& f = DataSet->field(i);
            if (VisibleOnly && !f.visible()) continue;
            fields->addItem(QString::fromStdString(f.displayLabel()));
        }
        fields->setCurrentIndex(-1);
    }
    ui_->cbxFactor->setCurrentIndex(-1);
    ui_->editValue->clear();
    fields->setFocus();
}

// ---- the list ----

void TFrmQuerySet::addRow(const ConditionRow& row) {
    auto* item = new QTreeWidgetItem(ui_->lvwLogic, {row.caption, row.subItems[0], row.subItems[1], row.subItems[2]});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}

ConditionRow TFrmQuerySet::rowAt(int index) const {
    const QTreeWidgetItem* item = ui_->lvwLogic->topLevelItem(index);
    return {item->text(0), {item->text(1), item->text(2), item->text(3)}};
}

ConditionRows TFrmQuerySet::conditionRows() const {
    ConditionRows rows;
    for (int i = 0; i < ui_->lvwLogic->topLevelItemCount(); ++i) rows.push_back(rowAt(i));
    return rows;
}

QTreeWidgetItem* TFrmQuerySet::selectedRow() const {
    const auto items = ui_->lvwLogic->selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

QString TFrmQuerySet::filterText() const { return ui_->memSQL->toPlainText(); }

int TFrmQuerySet::FindFieldByDisplayName(const QString& displayName) const {
    return DataSet ? trunaccount::FindFieldByDisplayName(*DataSet, displayName) : 0;
}

void TFrmQuerySet::BuildFilterText() {
    // Every build starts afresh: a "部分不等于" row removed since the last one
    // leaves no side filter behind.
    NotLikeFilter.clear();
    NotLikeField.clear();
    NotLikeConditions.clear();
    ui_->memSQL->clear();
    if (!DataSet) return;
    BuiltFilter built = BuildConditionFilter(conditionRows(), *DataSet);
    NotLikeConditions = std::move(built.notLike);
    if (!NotLikeConditions.empty()) {
        NotLikeFilter = NotLikeConditions.back().filter;
        NotLikeField = NotLikeConditions.back().field;
    }
    ui_->memSQL->setPlainText(built.text);
}

void TFrmQuerySet::showBuiltText() {
    BuildFilterText();
    QString text = filterText();
    FlatTextQuery(QStringLiteral("测试信息"), QStringLiteral("查询语句"), text);
}

// ---- keys ----

bool TFrmQuerySet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool press = event->type() == QEvent::KeyPress;
    if (press && key->key() == Qt::Key_F2 && key->modifiers() == Qt::AltModifier) {
        guarded(&TFrmQuerySet::showBuiltText);
        return true;
    }
    if (watched == ui_->editValue) {
        if (press && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
            guarded(&TFrmQuerySet::btnAddLogicClick);
            return true;  // the Enter itself goes no further
        }
        if (!press && key->key() == Qt::Key_Up) {
            ui_->editValue->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmQuerySet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::AltModifier) {
        guarded(&TFrmQuerySet::showBuiltText);
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- adding and modifying ----

void TFrmQuerySet::btnAddLogicClick() {
    const QString field = ui_->cbxField->currentIndex() < 0 ? QString() : ui_->cbxField->currentText();
    const QString factor = ui_->cbxFactor->currentIndex() < 0 ? QString() : ui_->cbxFactor->currentText();
    const QString value = ui_->editValue->text();
    if (value.isEmpty()) {
        FlatMessageDialog(QStringLiteral("请输入一个值。"), mtWarning, mbOK);
        ui_->editValue->setFocus();
        return;
    }
    QTreeWidget* lv = ui_->lvwLogic;
    const int count = lv->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        const ConditionRow r = rowAt(i);
        if (r.caption != field || r.subItems[0] != factor || r.subItems[1] != value) continue;
        // The same condition again: Enter pressed twice accepts the dialog.
        if (i == count - 1 && ui_->btnAddLogic->isVisible()) btnOKClick();
        else FlatMessageDialog(QStringLiteral("该逻辑表达式已经存在。"), mtInformation, mbOK);
        return;
    }
    if (count > 0) {
        const QStringList choices = LastRelation == 1 ? QStringList{kOr, kAnd} : QStringList{kAnd, kOr};
        QString relation;
        FlatChoiceQuery(QStringLiteral("选择框"), QStringLiteral("请选择一个逻辑关系："), choices, csDropDownList, relation);
        if (relation.isEmpty()) return;
        LastRelation = relation == kOr ? 1 : 0;
        addRow(ConditionRow::relation(relation));
    }
    addRow(ConditionRow::condition(field, factor, value));
}

void TFrmQuerySet::setModifyMode(bool on) {
    ui_->btnModifyOK->setVisible(on);
    ui_->btnModifyCancel->setVisible(on);
    ui_->btnAddLogic->setVisible(!on);
}

bool TFrmQuerySet::inModifyMode() const { return ui_->btnModifyOK->isVisibleTo(this); }

void TFrmQuerySet::mnuModifyFieldClick() {
    QTreeWidgetItem* item = selectedRow();
    if (!item || isRelation(item)) {
        FlatMessageDialog(kChooseRow, mtInformation, mbOK);
        ui_->lvwLogic->setFocus();
        return;
    }
    setModifyMode(true);
    {
        const QSignalBlocker quiet(ui_->cbxField);
        ui_->cbxField->setCurrentIndex(ui_->cbxField->findText(item->text(0), Qt::MatchExactly));
    }
    ui_->cbxFactor->setCurrentIndex(ui_->cbxFactor->findText(item->text(1), Qt::MatchExactly));
    ui_->editValue->setText(item->text(2));
}

void TFrmQuerySet::btnModifyOKClick() {
    QTreeWidgetItem* item = selectedRow();
    if (!item) {
        // The row was unselected meanwhile: say so, and stay in modify mode so
        // that the user can select it again.
        FlatMessageDialog(kChooseRow, mtInformation, mbOK);
        ui_->lvwLogic->setFocus();
        return;
    }
    item->setText(0, ui_->cbxField->currentIndex() < 0 ? QString() : ui_->cbxField->currentText());
    item->setText(1, ui_->cbxFactor->currentIndex() < 0 ? QString() : ui_->cbxFactor->currentText());
    item->setText(2, ui_->editValue->text());
    setModifyMode(false);
}

void TFrmQuerySet::btnModifyCancelClick() { setModifyMode(false); }

// ---- the menu ----

void TFrmQuerySet::pmnuSetFieldPopup() {
    if (QTreeWidgetItem* item = selectedRow()) {
        mnuModifyLogic->setEnabled(isRelation(item));
        mnuModifyField->setEnabled(!isRelation(item));
    }
}

void TFrmQuerySet::mnuAddFieldClick() { ui_->cbxField->setFocus(); }

void TFrmQuerySet::mnuLogicORClick() {
    if (QTreeWidgetItem* item = selectedRow()) item->setText(3, kOr);
}

void TFrmQuerySet::mnuLogicANDClick() {
    if (QTreeWidgetItem* item = selectedRow()) item->setText(3, kAnd);
}

void TFrmQuerySet::mnuDelFieldClick() {
    QTreeWidget* lv = ui_->lvwLogic;
    QTreeWidgetItem* item = selectedRow();
    if (!item) {
        FlatMessageDialog(kChooseRow, mtInformation, mbOK);
        lv->setFocus();
        return;
    }
    const bool relation = isRelation(item);
    const QString question = relation ? QStringLiteral("删除该逻辑关系，将同时删除与之关联的逻辑表达式。\r\n您确认继续吗？")
                                      : QStringLiteral("您确认删除该逻辑表达式吗？");
    // Every answer but No confirms, closing the question with Enter or Escape too.
    if (FlatMessageDialog(question, mtConfirmation, mbYes | mbNo) == mrNo) return;
    const int at = lv->indexOfTopLevelItem(item);
    auto remove = [lv](int index) {
        if (index >= 0 && index < lv->topLevelItemCount()) delete lv->takeTopLevelItem(index);
    };
    if (relation) {
        remove(at + 1);  // the condition it joins on
        remove(at);
    } else if (at > 0) {
        remove(at);
        remove(at - 1);  // the relation before it
    } else {
        remove(0);
        remove(0);  // the relation that has become first
    }
}

// ---- the buttons ----

void TFrmQuerySet::btnClearLogicClick() { ui_->lvwLogic->clear(); }

void TFrmQuerySet::btnOKClick() {
    BuildFilterText();
    done(mrOk);
}

void TFrmQuerySet::btnHelpClick() { FlatMessageDialog(HelpText, mtInformation, mbOK); }

void TFrmQuerySet::btnExitClick() { done(mrCancel); }

}  // namespace trunaccount
