// The condition builder: the user composes conditions over the fields of a
// dataset ("供应商名称 部分等于 abc"), joined by the relations "并且" (and) and
// "或者" (or), and accepts them as the dataset's filter ("过  滤(&O)"). The
// rows of the list alternate condition, relation, condition, ...
//
// Keys: Enter in the value box adds the condition (or, pressed again on the
// same inputs, accepts the dialog); releasing Up in the value box selects its
// text; Escape cancels; Alt+F2 shows the built filter text. The list's menu
// (right button or the menu key) adds, modifies and deletes rows.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "tools/condition_filter.h"
#include "tools/condition_rows.h"

class QAction;
class QMenu;
class QTreeWidgetItem;

namespace Ui {
class TFrmQuerySet;
}

namespace trunaccount {

class ClientDataSet;

class TFrmQuerySet : public QDialog {
    Q_OBJECT
public:
    // Applies the colour style (a settings value that is not an integer raises
    // ConversionError: the dialog does not open), shows "过  滤(&O)" on the
    // accept button, takes `caption` as the frame's title when it is not
    // blank, and starts with `rows` in the list.
    TFrmQuerySet(const QString& caption, bool visibleOnly, const ConditionRows& rows, QWidget* owner = nullptr);
    ~TFrmQuerySet() override;

    // 1 when the last relation chosen in this dialog was "或者".
    int LastRelation = 0;
    // Offer only the visible fields of DataSet.
    bool VisibleOnly = false;
    // The dataset whose fields are offered (not owned); set before showing.
    ClientDataSet* DataSet = nullptr;
    QString HelpText;
    // The side filter and field of the last "部分不等于" row of the last build;
    // NotLikeConditions holds every such row's.
    QString NotLikeFilter;
    QString NotLikeField;
    std::vector<NotLikeCondition> NotLikeConditions;

    // The rows of the list, in order.
    ConditionRows conditionRows() const;
    // The text of the last build (memSQL).
    QString filterText() const;

    // Rebuilds the filter text and the side filters of "部分不等于" from the rows.
    void BuildFilterText();
    // Index of the first field of DataSet whose display name is `displayName`; 0 when none is.
    int FindFieldByDisplayName(const QString& displayName) const;

    // Runs once when the dialog is created: no title bar, a thin border, the
    // client area keeping its design size.
    void HideCaptionBar();
    // Fills the field list from DataSet; no field and no operator chosen, no value.
    void FormShow();

    // Buttons and menu items.
    void btnAddLogicClick();
    void btnModifyOKClick();
    void btnModifyCancelClick();
    void btnClearLogicClick();
    void btnOKClick();
    void btnHelpClick();
    void btnExitClick();
    void mnuAddFieldClick();
    void mnuModifyFieldClick();
    void mnuLogicORClick();
    void mnuLogicANDClick();
    void mnuDelFieldClick();
    // Enables the menu items for the selected row as the menu opens.
    void pmnuSetFieldPopup();

    // True while a row is being modified ("修改 &M" shown).
    bool inModifyMode() const;

    Ui::TFrmQuerySet& ui() const { return *ui_; }
    QMenu* pmnuSetField = nullptr;
    QAction* mnuAddField = nullptr;
    QAction* mnuModifyField = nullptr;
    QAction* mnuModifyLogic = nullptr;
    QAction* mnuLogicOR = nullptr;
    QAction* mnuLogicAND = nullptr;
    QAction* mnuDelField = nullptr;

    // Escape: closes with cancel (2).
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a command of the dialog; an error escaping it is shown.
    void guarded(void (TFrmQuerySet::*handler)());
    void buildMenu();
    void addRow(const ConditionRow& row);
    ConditionRow rowAt(int index) const;
    void setModifyMode(bool on);
    void showBuiltText();
    QTreeWidgetItem* selectedRow() const;

    std::unique_ptr<Ui::TFrmQuerySet> ui_;
};

}  // namespace trunaccount
