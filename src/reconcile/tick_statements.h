// The statements that write tick-offs back to the source documents: one per row
// on saving, one per revoked row, addressed to the monthly table named by the
// first six characters of the document number (project approval sheets live in
// one table).
#pragma once

#include <optional>
#include <string>

#include "reconcile/business_type.h"
#include "trunaccount/variant.h"

namespace trunaccount {

// A row of the reconciliation list as the statements need it: the texts the
// row holds (codes, not the names shown).
struct TickRow {
    std::string djh;      // document number f_Djh
    std::string hsdwh;    // accounting unit f_hsdwh
    std::string tick;     // f_zzgdbz: "1" ticked, "0" not
    Variant zzse;         // tax amount f_zzse
    Variant zzsl;         // tax rate f_zzsl
    std::string zzpjhm;   // bill number f_zzpjhm
    std::string zzZffs;   // payment method code f_zzZffs
    std::string zzyh;     // bank code f_zzyh
    std::string zzzfrq;   // payment date f_Zzzfrq, YYYYMMDD
};

// Who ticked and when: the server's date and time, the operator's code and name.
struct TickStamp {
    std::string time;
    std::string operatorCode;
    std::string operatorName;
};

// A field's value written into SQL as a number: "0" for null or empty text,
// otherwise the text without one trailing "%".
std::string SqlNumberText(const Variant& value);

// The save statement of a row, or nothing when the row does not contribute
// (business types 1, 3 and 4 write ticked rows only). Raises Error when the
// document number does not name a monthly table or a number field does not hold
// a number, so that no statement can be bent by what a row holds.
std::optional<std::string> SaveStatement(BusinessType type, const TickRow& row, const TickStamp& stamp);

// The statement that revokes the tick of a ticked row.
std::string RevokeStatement(BusinessType type, const TickRow& row, const TickStamp& stamp);

}  // namespace trunaccount
