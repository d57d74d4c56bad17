#include "widgets/selected_rows.h"

#include <algorithm>

namespace trunaccount {

void SelectedRows::dropStale() {
    for (auto it = set_.begin(); it != set_.end();) {
        if (!ds_ || !ds_->bookmarkValid(*it)) it = set_.erase(it);
        else ++it;
    }
}

int SelectedRows::count() const {
    if (!ds_) return 0;
    return static_cast<int>(std::count_if(set_.begin(), set_.end(), [&](const Bookmark& b) { return ds_->bookmarkValid(b); }));
}

bool SelectedRows::isRowSelected(int row) const {
    if (!ds_ || !ds_->active() || row < 0 || row >= ds_->recordCount()) return false;
    return contains(ds_->bookmarkAt(row));
}

bool SelectedRows::currentRowSelected() const { return ds_ && ds_->active() && isRowSelected(ds_->currentRow()); }

void SelectedRows::setRowSelected(int row, bool selected) {
    if (!ds_ || !ds_->active() || row < 0 || row >= ds_->recordCount()) return;
    if (set_.size() > 1024 && set_.size() > 2 * static_cast<std::size_t>(ds_->recordCount())) dropStale();
    if (selected) set_.insert(ds_->bookmarkAt(row));
    else set_.erase(ds_->bookmarkAt(row));
    if (changed_) changed_();
}

void SelectedRows::setCurrentRowSelected(bool selected) {
    if (ds_ && ds_->active()) setRowSelected(ds_->currentRow(), selected);
}

void SelectedRows::selectRows(int from, int to) {
    if (!ds_ || !ds_->active()) return;
    if (from > to) std::swap(from, to);
    from = std::max(from, 0);
    to = std::min(to, ds_->recordCount() - 1);
    for (int r = from; r <= to; ++r) set_.insert(ds_->bookmarkAt(r));
    if (changed_) changed_();
}

void SelectedRows::clear() {
    set_.clear();
    if (changed_) changed_();
}

std::vector<Bookmark> SelectedRows::inViewOrder() const {
    std::vector<std::pair<int, Bookmark>> rows;
    if (ds_)
        for (const auto& b : set_) {
            int row = ds_->rowOfBookmark(b);
            if (row >= 0) rows.emplace_back(row, b);
        }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Bookmark> out;
    out.reserve(rows.size());
    for (const auto& r : rows) out.push_back(r.second);
    return out;
}

}  // namespace trunaccount
