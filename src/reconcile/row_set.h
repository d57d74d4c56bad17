// The reconciliation row set: one row per source document, eighteen fields in
// this order. Grid column i of the window shows field i.
#pragma once

#include <span>
#include <vector>

#include "dataset/client_dataset.h"

namespace trunaccount {

struct RowSetField {
    const char* name;
    const char* label;   // display label (the business type changes some)
    FieldKind kind;
    int size;            // text width in GBK bytes
    bool readOnly;
    const char* format;  // display format; "" for the general one
    int columnWidth;     // the grid column's width in pixels; 0 for the grid's default
};

std::span<const RowSetField> reconciliationRowSet();

// Defines the eighteen fields on a closed dataset and returns them in order.
std::vector<Field*> defineReconciliationFields(ClientDataSet& ds);

}  // namespace trunaccount
