// What the condition builder makes of its condition rows: the filter text of
// the client dataset, and for each "部分不等于" (does not contain) condition the
// side filter that finds the values to exclude, since the filter language has
// no NOT LIKE of its own.
//
// A condition row "供应商名称 部分等于 abc" over the field f_Csmc gives
//   ( f_Csmc LIKE '%abc%' )
// relation rows join the conditions with " And " (并且) or " OR " (或者), and a
// value holding ";" or "|" is a list of single values and "low|high" ranges:
//   ( 1=1  And f_hsje Between '100' And '200' And ( f_hsje = '150' Or f_hsje = '180' ) )
// A row passes a list when it equals one of its single values (when it has any)
// and lies in every range. A single quote inside a value is doubled, so every
// value matches literally.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "dataset/client_dataset.h"
#include "tools/condition_rows.h"

namespace trunaccount {

// The operator words the builder offers, in its order: "等于" "大于" "大于等于"
// "小于" "小于等于" "不等于" "部分等于" "部分不等于" "左等于".
const QStringList& ConditionOperatorWords();

// Index of the first field of `ds`, in field order, whose display name (its
// label, or its name when it has none) is `displayName`; 0 when none is.
int FindFieldByDisplayName(const ClientDataSet& ds, const QString& displayName);

// A "部分不等于" condition: the field's name and the side filter
// "F LIKE '%value%'" that finds the rows whose values are excluded.
struct NotLikeCondition {
    QString field;
    QString filter;
    friend bool operator==(const NotLikeCondition&, const NotLikeCondition&) = default;
};

struct BuiltFilter {
    QString text;
    std::vector<NotLikeCondition> notLike;  // one per "部分不等于" row, in row order
};

// The filter text of `rows` over the fields of `ds` (a display name that is no
// field's stands for the first field). A "部分不等于" row holds the placeholder
// ( F<>'temp@temp@temp' ), true for every row (( 1=1 ) on a number field, which
// cannot be compared with that text); when `exclusions` has a non-empty text
// for it (one text per "部分不等于" row, in row order), the text goes inside its
// group: ( F<>'temp@temp@temp' and (exclusion) ), so that the exclusion belongs
// to its own condition whatever relations surround it.
// Raises DatasetError when `ds` has no fields.
BuiltFilter BuildConditionFilter(const ConditionRows& rows, const ClientDataSet& ds,
                                 const std::vector<QString>& exclusions = {});

// The exclusion of a "部分不等于" condition: F<>'v1' and F<>'v2' ... over the
// values of F, each once, in the rows its side filter lets through (index
// order, whatever the dataset's filter); empty when it lets none through.
QString NotLikeExclusion(const ClientDataSet& ds, const NotLikeCondition& condition);

// The text that `rows` apply as the dataset's filter: the built text, trimmed,
// with the exclusion of every "部分不等于" condition in place.
QString ConditionFilterText(const ConditionRows& rows, const ClientDataSet& ds);

// Makes `rows` the dataset's filter and switches it on; the view shows the
// rows that pass, the first one current, and the bound controls are told once.
// A text the dataset rejects raises FilterError and leaves its filter as it was.
void ApplyConditionRows(ClientDataSet& ds, const ConditionRows& rows);

}  // namespace trunaccount
