// Condition rows written short in tests and benchmarks:
// cond("供应商名称", "部分等于", "abc"), rel("并且").
#pragma once

#include "tools/condition_rows.h"

namespace trunaccount::testing {

inline ConditionRow cond(const char* field, const char* op, const char* value) {
    return ConditionRow::condition(QString::fromUtf8(field), QString::fromUtf8(op), QString::fromUtf8(value));
}
inline ConditionRow cond(const char* field, const char* op, const QString& value) {
    return ConditionRow::condition(QString::fromUtf8(field), QString::fromUtf8(op), value);
}
inline ConditionRow rel(const char* word) { return ConditionRow::relation(QString::fromUtf8(word)); }

}  // namespace trunaccount::testing
