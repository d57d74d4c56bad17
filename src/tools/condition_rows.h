// Condition rows: the rows of the condition builder's list, which the enhanced
// grid keeps between runs. A row has a caption and three sub-items. A
// condition row holds the field's display name as caption, the operator word
// and the value text as sub-items 0 and 1, and an empty sub-item 2; a relation
// row holds "并且" or "或者" as sub-item 2. Lists alternate condition,
// relation, condition, ...
#pragma once

#include <QString>
#include <array>
#include <vector>

namespace trunaccount {

struct ConditionRow {
    QString caption;
    std::array<QString, 3> subItems;

    static ConditionRow condition(const QString& field, const QString& op, const QString& value) {
        return {field, {op, value, QString()}};
    }
    static ConditionRow relation(const QString& word) { return {QString(), {QString(), QString(), word}}; }
    friend bool operator==(const ConditionRow&, const ConditionRow&) = default;
};

using ConditionRows = std::vector<ConditionRow>;

}  // namespace trunaccount
