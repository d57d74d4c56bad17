#include "tools/frm_choose_db_fields.h"

#include <QListWidget>
#include <QShowEvent>

#include "platform/message_box.h"
#include "tools/adv_grid.h"
#include "tools/color_style.h"
#include "tools/flat_dialog.h"
#include "ui_frm_choose_db_fields.h"
#include "widgets/interface_font.h"

namespace trunaccount {

using namespace platform;

namespace {
constexpr int kColumnIndexRole = Qt::UserRole + 1;
}

TFrmChooseDBFields::TFrmChooseDBFields(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TFrmChooseDBFields>()) {
    ui_->setupUi(this);
    setFont(InterfaceFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    CentreOnScreen(this);
    ApplyDesignColors(this);
    ConnectModalResults(this);
    connect(ui_->btnAll, &QAbstractButton::clicked, this, [this] { btnAllClick(); });
    connect(ui_->btnno, &QAbstractButton::clicked, this, [this] { btnnoClick(); });
    connect(ui_->btnok, &QAbstractButton::clicked, this, [this] { btnokClick(); });
    try {
        ApplyColorStyle(this);
    } catch (const std::exception& e) {
        messageBox(this, e.what(), "错误", MB_OK | MB_ICONERROR);
    }
}

TFrmChooseDBFields::~TFrmChooseDBFields() = default;

QListWidget* TFrmChooseDBFields::list() const { return ui_->ltvChoose; }

int TFrmChooseDBFields::columnIndexOf(int entry) const {
    return ui_->ltvChoose->item(entry)->data(kColumnIndexRole).toInt();
}

void TFrmChooseDBFields::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFrmChooseDBFields::FormShow() {
    QListWidget* lv = ui_->ltvChoose;
    lv->clear();
    if (!Grid) return;
    for (int i = 0; i < Grid->columnCount(); ++i) {
        const GridColumn& c = Grid->column(i);
        if (c.tag() != 0) continue;
        QString caption = c.title();
        caption.replace(QLatin1Char('\n'), QLatin1Char(' '));
        auto* item = new QListWidgetItem(caption, lv);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(c.visible() ? Qt::Checked : Qt::Unchecked);
        item->setData(kColumnIndexRole, i);
    }
    if (lv->count() > 0) lv->setCurrentRow(0);
}

void TFrmChooseDBFields::setAllTicks(bool ticked) {
    for (int i = 0; i < ui_->ltvChoose->count(); ++i)
        ui_->ltvChoose->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void TFrmChooseDBFields::btnAllClick() { setAllTicks(true); }
void TFrmChooseDBFields::btnnoClick() { setAllTicks(false); }

void TFrmChooseDBFields::btnokClick() {
    QListWidget* lv = ui_->ltvChoose;
    int ticked = 0;
    for (int i = 0; i < lv->count(); ++i)
        if (lv->item(i)->checkState() == Qt::Checked) ++ticked;
    if (Grid && Grid->frozenCols() >= ticked) {
        messageBox(this, "所选列数必须大于固定列数!", "警告", MB_OK | MB_ICONWARNING);
        return;
    }
    try {
        for (int i = 0; i < lv->count() && Grid; ++i)
            Grid->column(columnIndexOf(i)).setVisible(lv->item(i)->checkState() == Qt::Checked);
    } catch (const std::exception& e) {
        messageBox(this, e.what(), "错误", MB_OK | MB_ICONERROR);
    }
    accept();
}

}  // namespace trunaccount
