// The rows selected in a grid with whole-row multi-selection, held as bookmarks
// of the dataset, so that a selection survives sorting and filtering: a row
// filtered out stays selected and is selected again when it comes back.
#pragma once

#include <functional>
#include <unordered_set>
#include <vector>

#include "dataset/client_dataset.h"

namespace trunaccount {

class SelectedRows {
public:
    // `changed` runs after every change (the grid repaints).
    explicit SelectedRows(std::function<void()> changed) : changed_(std::move(changed)) {}

    void setDataset(ClientDataSet* ds) {
        ds_ = ds;
        set_.clear();
    }

    // Selected records still in the dataset (in the view or filtered out).
    int count() const;
    bool contains(const Bookmark& b) const { return set_.count(b) != 0; }
    bool isRowSelected(int row) const;
    bool currentRowSelected() const;
    // Selects or deselects the dataset's current row.
    void setCurrentRowSelected(bool selected);
    void setRowSelected(int row, bool selected);
    void selectRows(int from, int to);
    void clear();
    // The selected rows of the view, in the order the grid lists them.
    std::vector<Bookmark> inViewOrder() const;

private:
    void dropStale();

    ClientDataSet* ds_ = nullptr;
    std::unordered_set<Bookmark, BookmarkHash> set_;
    std::function<void()> changed_;
};

}  // namespace trunaccount
