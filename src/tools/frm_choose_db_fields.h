// The column chooser: the titles of a grid's columns in a check list, ticked
// for the columns shown; OK shows exactly the ticked ones. Only columns whose
// tag is 0 are offered; the others keep their visibility.
#pragma once

#include <QDialog>
#include <memory>

class QListWidget;

namespace Ui {
class TFrmChooseDBFields;
}

namespace trunaccount {

class TAdvCustomDBGridEh;

class TFrmChooseDBFields : public QDialog {
    Q_OBJECT
public:
    // Applies the colour style of the settings file; a value there that is not
    // an integer is shown as an error and the dialog keeps its design colours.
    explicit TFrmChooseDBFields(QWidget* owner = nullptr);
    ~TFrmChooseDBFields() override;

    // The grid whose columns are chosen (not owned); set before showing.
    TAdvCustomDBGridEh* Grid = nullptr;

    QListWidget* list() const;
    // The grid column an entry of the list leads back to.
    int columnIndexOf(int entry) const;

    // Fills the list from the grid: one entry per column with tag 0, in
    // collection order, ticked when the column is shown.
    void FormShow();
    void btnAllClick();
    void btnnoClick();
    // Shows the ticked columns and hides the others, unless no more columns
    // are ticked than the grid has frozen (then it warns and stays open).
    void btnokClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setAllTicks(bool ticked);
    std::unique_ptr<Ui::TFrmChooseDBFields> ui_;
};

}  // namespace trunaccount
