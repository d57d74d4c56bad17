#include "tools/condition_filter.h"

#include <charconv>
#include <unordered_set>

#include "data/sql_quote.h"
#include "dataset/dataset_error.h"
#include "dataset/filter_expression.h"

namespace trunaccount {

namespace {

const QString kAnd = QStringLiteral("并且");
const QString kNotLikeWord = QStringLiteral("部分不等于");
const QString kPlaceholder = QStringLiteral("<>'temp@temp@temp'");

// A value between single quotes, its own quotes doubled.
QString quoted(const QString& value) {
    return QLatin1Char('\'') + QString::fromStdString(SqlValue(value.toStdString())) + QLatin1Char('\'');
}

bool isRelation(const ConditionRow& row) { return !row.subItems[2].isEmpty(); }

// A value list: the value holds ";" or "|", or nothing at all (an emptied value).
QString valueListGroup(const QString& f, const QString& value) {
    const QStringList entries = value.contains(QLatin1Char(',')) ? value.split(QLatin1Char(','))
                                : value.isEmpty()                ? QStringList()
                                                                 : QStringList{value};
    QString ranges;
    QStringList singles;
    for (const QString& entry : entries) {
        const qsizetype bar = entry.indexOf(QLatin1Char('|'));
        if (bar >= 0) {
            const QString low = entry.left(bar);
            const qsizetype second = entry.indexOf(QLatin1Char('|'), bar + 1);
            const QString high = second < 0 ? entry.mid(bar + 1) : entry.mid(bar + 1, second - bar - 1);
            ranges += QStringLiteral(" And ") + f + QStringLiteral(" Between ") + quoted(low) + QStringLiteral(" And ") +
                      quoted(high);
        } else if (!entry.isEmpty()) {  // an empty entry is what a stray comma leaves: it asks for nothing
            singles += f + QStringLiteral(" = ") + quoted(entry);
        }
    }
    QString group = QStringLiteral("( 1=1 ") + ranges;
    if (!singles.isEmpty()) group += QStringLiteral(" And ( ") + singles.join(QStringLiteral(" Or ")) + QStringLiteral(" )");
    return group + QStringLiteral(" )");
}

// The operator part of a simple condition; null for a word the builder does not know.
QString operatorPart(const QString& word) {
    static const QStringList parts = {QStringLiteral(" = "),  QStringLiteral(" > "), QStringLiteral(" >= "),
                                      QStringLiteral(" < "),  QStringLiteral(" <= "), QStringLiteral(" <> "),
                                      QStringLiteral(" LIKE "), QString(),          QStringLiteral(" LIKE ")};
    const qsizetype i = ConditionOperatorWords().indexOf(word);
    return i < 0 ? QString() : parts[i];
}

// The text of a value that the filter compares exactly with the stored one:
// numbers in their shortest form that reads back as the same number.
std::string exactText(const Field& f, RecordId r) {
    if (f.kind() != FieldKind::Float) return f.asStringAt(r);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f.floatAt(r));
    return ec == std::errc() ? std::string(buf, end) : f.asStringAt(r);
}

}  // namespace

const QStringList& ConditionOperatorWords() {
    static const QStringList words = {QStringLiteral("等于"),     QStringLiteral("大于"),     QStringLiteral("大于等于"),
                                      QStringLiteral("小于"),     QStringLiteral("小于等于"), QStringLiteral("不等于"),
                                      QStringLiteral("部分等于"), kNotLikeWord,               QStringLiteral("左等于")};
    return words;
}

int FindFieldByDisplayName(const ClientDataSet& ds, const QString& displayName) {
    const std::string name = displayName.toStdString();
    for (int i = 0; i < ds.fieldCount(); ++i)
        if (ds.field(i).displayLabel() == name) return i;
    return 0;
}

BuiltFilter BuildConditionFilter(const ConditionRows& rows, const ClientDataSet& ds,
                                 const std::vector<QString>& exclusions) {
    if (ds.fieldCount() == 0) throw DatasetError(ds.name() + ": there are no fields to filter on");
    BuiltFilter built;
    for (const ConditionRow& row : rows) {
        if (isRelation(row)) {
            built.text += row.subItems[2] == kAnd ? QStringLiteral(" And ") : QStringLiteral(" OR ");
            continue;
        }
        const Field& field = ds.field(FindFieldByDisplayName(ds, row.caption));
        const QString f = QString::fromStdString(field.name());
        const QString& word = row.subItems[0];
        const QString& value = row.subItems[1];
        if (value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('|')) || value.isEmpty()) {
            built.text += valueListGroup(f, value);
        } else if (word == kNotLikeWord) {
            const std::size_t n = built.notLike.size();
            built.notLike.push_back({f, f + QStringLiteral(" LIKE ") + quoted(QLatin1Char('%') + value + QLatin1Char('%'))});
            // The placeholder is true for every row. A number field cannot be
            // compared with the placeholder's text; 1=1 says the same for it.
            QString group = QStringLiteral("( ") + (field.isText() ? f + kPlaceholder : QStringLiteral("1=1"));
            if (n < exclusions.size() && !exclusions[n].isEmpty())
                group += QStringLiteral(" and (") + exclusions[n] + QLatin1Char(')');
            built.text += group + QStringLiteral(" )");
        } else {
            const QString op = operatorPart(word);
            QString v;
            if (op == QStringLiteral(" LIKE "))
                v = quoted(word == QStringLiteral("左等于") ? QString(value + QLatin1Char('%'))
                                                            : QLatin1Char('%') + value + QLatin1Char('%'));
            else if (!op.isEmpty())
                // A number field takes a number as typed; anything else is quoted,
                // so that it can only be a value (the dataset then says it is no number).
                v = field.isText() || !IsFilterNumber(value.toStdString()) ? quoted(value) : value;
            built.text += QStringLiteral("( ") + (op.isEmpty() ? QString() : f + op + v) + QStringLiteral(" )");
        }
    }
    return built;
}

QString NotLikeExclusion(const ClientDataSet& ds, const NotLikeCondition& condition) {
    const Field& field = ds.fieldByName(condition.field.toStdString());
    const std::string prefix = condition.field.toStdString() + "<>'";
    std::unordered_set<std::string> seen;
    std::string text;
    for (RecordId r : ds.recordsMatching(condition.filter.toStdString())) {
        std::string value = exactText(field, r);
        if (!seen.insert(value).second) continue;
        if (!text.empty()) text += " and ";
        text += prefix + SqlValue(value) + "'";
    }
    return QString::fromStdString(text);
}

QString ConditionFilterText(const ConditionRows& rows, const ClientDataSet& ds) {
    BuiltFilter built = BuildConditionFilter(rows, ds);
    if (!built.notLike.empty()) {
        std::vector<QString> exclusions;
        for (const NotLikeCondition& c : built.notLike) exclusions.push_back(NotLikeExclusion(ds, c));
        built = BuildConditionFilter(rows, ds, exclusions);
    }
    return built.text.trimmed();
}

void ApplyConditionRows(ClientDataSet& ds, const ConditionRows& rows) {
    const std::string text = ConditionFilterText(rows, ds).toStdString();
    ControlsSuspended suspended(ds);
    ds.setFilter(text);
    ds.setFiltered(true);
}

}  // namespace trunaccount
