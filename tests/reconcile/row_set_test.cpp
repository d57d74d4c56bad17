// The reconciliation row set as its fields take values: every sized text field
// holds at most its width in GBK bytes, number fields finite numbers only.
#include <gtest/gtest.h>

#include <string>

#include "dataset/client_dataset.h"
#include "platform/errors.h"
#include "reconcile/row_set.h"
#include "support/row_set_rows.h"

using namespace trunaccount;

namespace {

// A row set of one row, in edit.
struct OneRow {
    OneRow() {
        trunaccount::testing::defineRowSetFields(ds);
        ds.loadPacket(trunaccount::testing::rowSetPacket(1));
        ds.edit();
    }
    ClientDataSet ds;
};

std::string repeated(const char* piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

}  // namespace

TEST(RowSetFields, ATextLongerThanItsFieldIsRefusedWhereItIsStored) {
    OneRow r;
    int sized = 0;
    for (const auto& def : reconciliationRowSet()) {
        if (def.kind != FieldKind::Text || def.size <= 0) continue;
        ++sized;
        SCOPED_TRACE(def.name);
        Field& f = r.ds.fieldByName(def.name);
        f.setReadOnly(false);  // the grid edits the writable ones; the rule holds for all
        // As many bytes as the field holds fit, in letters or in Chinese characters.
        EXPECT_NO_THROW(f.setAsString(repeated("9", def.size)));
        if (def.size >= 2) {
            EXPECT_NO_THROW(f.setAsString(repeated("汉", def.size / 2)));
            EXPECT_EQ(f.asString(), repeated("汉", def.size / 2));
        }
        // One byte more is refused, and the field keeps what it held.
        const std::string kept = f.asString();
        for (const std::string& wide : {repeated("9", def.size + 1), repeated("汉", def.size / 2 + 1)}) {
            try {
                f.setAsString(wide);
                ADD_FAILURE() << "stored " << wide;
            } catch (const ConversionError& e) {
                EXPECT_EQ(std::string(e.what()), std::string(def.label) + "最多可录入" + std::to_string(def.size) +
                                                     "个字节（一个汉字占两个字节）。");
                EXPECT_NE(e.detail().find(def.name), std::string::npos);
            }
            EXPECT_EQ(f.asString(), kept);
        }
    }
    EXPECT_EQ(sized, 14);
}

TEST(RowSetFields, ALoadedTextWiderThanItsFieldMayBeStoredBackUnchanged) {
    // An editor opened on such a cell and left as it was hands the same text in.
    const DataPacket p = trunaccount::testing::rowSetPacket(1);
    DataPacket wide(p.columns());
    for (std::size_t c = 0; c < p.columnCount(); ++c)
        wide.addValue(static_cast<int>(c) == RowSetColumn::BillNumber ? Variant(repeated("7", 30)) : p.value(0, c));
    wide.endRow();
    ClientDataSet ds;
    trunaccount::testing::defineRowSetFields(ds);
    ds.loadPacket(wide);
    ds.edit();
    Field& bill = ds.fieldByName("f_zzpjhm");
    EXPECT_NO_THROW(bill.setAsString(repeated("7", 30)));
    EXPECT_THROW(bill.setAsString(repeated("7", 29)), ConversionError);
}

TEST(RowSetFields, NumberCellsTakeFiniteNumbersOnly) {
    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {
        {"12.5", true}, {" 3 ", true}, {"-0.13", true}, {"1e3", true},
        {"nan", false}, {"NaN", false}, {"inf", false}, {"-inf", false}, {"infinity", false},
        {"Infinity", false}, {"1e999", false}, {"abc", false}, {"12,5", false},
    };
    OneRow r;
    for (const char* name : {"f_zzse", "f_zzsl"}) {
        Field& f = r.ds.fieldByName(name);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.text);
            f.setAsFloat(1.5);
            if (c.accepted) {
                EXPECT_NO_THROW(f.setAsString(c.text));
                continue;
            }
            try {
                f.setAsString(c.text);
                ADD_FAILURE() << "stored " << f.asFloat();
            } catch (const ConversionError& e) {
                // The user reads what to do; the value itself goes to the log.
                EXPECT_EQ(std::string(e.what()), f.displayLabel() + "必须是数字。");
                EXPECT_NE(e.detail().find(c.text), std::string::npos) << e.detail();
            }
            EXPECT_EQ(f.asFloat(), 1.5);
        }
    }
}
