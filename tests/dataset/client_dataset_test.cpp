#include <gtest/gtest.h>

#include "dataset/client_dataset.h"
#include "dataset/dataset_error.h"
#include "support/packets.h"
#include "support/row_set_rows.h"

using namespace trunaccount;
using trunaccount::testing::makePacket;

namespace {

// Writes down every notification as a short word.
struct Recorder : DatasetObserver {
    std::vector<std::string> events;
    void datasetActiveChanged(bool active) override { events.push_back(active ? "open" : "close"); }
    void datasetChanged() override { events.push_back("changed"); }
    void rowChanged(int row) override { events.push_back("row " + std::to_string(row)); }
    void rowAboutToBeRemoved(int row) override { events.push_back("removing " + std::to_string(row)); }
    void rowRemoved(int row) override { events.push_back("removed " + std::to_string(row)); }
    void currentRowChanged(int row) override { events.push_back("current " + std::to_string(row)); }
    void orderAboutToChange() override { events.push_back("reordering"); }
    void orderChanged() override { events.push_back("reordered"); }
};

DataPacket documents() {
    return makePacket({{"f_djh", ColumnKind::Text, 0}, {"f_csmc", ColumnKind::Text, 0}, {"f_hsje", ColumnKind::Float, 0}},
                      {
                          {"D1", "beta", 30.0},
                          {"D2", "Alpha", 10.0},
                          {"D3", "alpha", 20.0},
                          {"D4", "BETA", 10.0},
                          {"D5", Variant::null(), 5.0},
                      });
}

// Persistent fields as the window defines them, before the dataset is opened.
class DocumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        djh = &ds.addField("f_Djh", FieldKind::Text, 4);
        csmc = &ds.addField("f_Csmc", FieldKind::Text, 60);
        hsje = &ds.addField("f_hsje", FieldKind::Float);
        ds.loadPacket(documents());
    }
    std::string order() {
        std::string s;
        for (int r = 0; r < ds.recordCount(); ++r) s += std::string(djh->textAt(ds.recordAt(r))).substr(1) ;
        return s;
    }
    ClientDataSet ds{"cdspass"};
    Field* djh = nullptr;
    Field* csmc = nullptr;
    Field* hsje = nullptr;
};

TEST_F(DocumentsTest, PersistentFieldsTakeTheirColumnsWhateverTheLetterCase) {
    ASSERT_TRUE(ds.active());
    EXPECT_EQ(ds.recordCount(), 5);
    EXPECT_EQ(ds.currentRow(), 0);
    EXPECT_EQ(djh->asString(), "D1");
    EXPECT_EQ(&ds.fieldByName("F_DJH"), djh);
    EXPECT_EQ(ds.fieldCount(), 3);
}

TEST_F(DocumentsTest, MissingColumnRefusesThePacketAndKeepsTheContent) {
    auto other = makePacket({{"f_djh", ColumnKind::Text, 0}, {"f_hsje", ColumnKind::Float, 0}}, {{"X", 1.0}});
    try {
        ds.loadPacket(other);
        FAIL();
    } catch (const DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "cdspass: field 'f_Csmc' not found in the data");
    }
    EXPECT_EQ(ds.recordCount(), 5);
    EXPECT_EQ(djh->asString(), "D1");
}

TEST(ClientDataSetFields, MadeFromThePacketWhenNoneAreDefinedAndRemadeOnReload) {
    ClientDataSet pub("cdspub");
    pub.loadPacket(makePacket({{"f_tdbm", ColumnKind::Text, 4}, {"f_tdmc", ColumnKind::Text, 30}}, {{"01", "网银"}}));
    ASSERT_EQ(pub.fieldCount(), 2);
    EXPECT_EQ(pub.field(1).name(), "f_tdmc");
    EXPECT_EQ(pub.field(1).size(), 30);
    pub.loadPacket(makePacket({{"f_yybm", ColumnKind::Text, 4}, {"f_yymc", ColumnKind::Text, 30}, {"n", ColumnKind::Integer, 0}},
                              {{"A", "货款", 7}, {"B", "费用", 8}}));
    ASSERT_EQ(pub.fieldCount(), 3);
    EXPECT_EQ(pub.findField("f_tdbm"), nullptr);
    EXPECT_EQ(pub.recordCount(), 2);
    pub.last();
    EXPECT_EQ(pub.fieldByName("f_yymc").asString(), "费用");
    EXPECT_EQ(pub.fieldByName("n").asInteger(), 8);
}

TEST(ClientDataSetFields, TextLongerThanItsWidthIsKeptWhenLoadedAndRefusedWhenStored) {
    ClientDataSet ds;
    Field& name = ds.addField("f_csmc", FieldKind::Text, 4);
    ds.loadPacket(makePacket({{"f_csmc", ColumnKind::Text, 4}}, {{"供应商名称"}}));
    EXPECT_EQ(name.asString(), "供应商名称");
    ds.edit();
    EXPECT_THROW(name.setAsString("更长的供应商名称"), ConversionError);
    EXPECT_EQ(name.asString(), "供应商名称");
    name.setAsString("供应");  // four bytes
    ds.post();
    EXPECT_EQ(name.asString(), "供应");
}

TEST(ClientDataSetFields, ColumnsOfAnotherKindAreConverted) {
    ClientDataSet ds;
    Field& amount = ds.addField("f_hsje", FieldKind::Float);
    Field& code = ds.addField("f_code", FieldKind::Text, 8);
    ds.loadPacket(makePacket({{"f_hsje", ColumnKind::Text, 0}, {"f_code", ColumnKind::Integer, 0}},
                             {{"12.5", 7}, {"", 8}}));
    EXPECT_DOUBLE_EQ(amount.asFloat(), 12.5);
    EXPECT_EQ(code.asString(), "7");
    ds.next();
    EXPECT_TRUE(amount.isNull());
    auto bad = makePacket({{"f_hsje", ColumnKind::Text, 0}, {"f_code", ColumnKind::Text, 0}}, {{"12,5", "x"}});
    EXPECT_THROW(ds.loadPacket(bad), ConversionError);
    EXPECT_EQ(ds.recordCount(), 2);  // the earlier content stays
    EXPECT_TRUE(amount.isNull());
}

TEST_F(DocumentsTest, CursorWalksTheViewWithEndMarks) {
    std::string seen;
    for (ds.first(); !ds.eof(); ds.next()) seen += djh->asString();
    EXPECT_EQ(seen, "D1D2D3D4D5");
    EXPECT_EQ(ds.currentRow(), 4);
    EXPECT_TRUE(ds.eof());
    ds.last();
    EXPECT_TRUE(ds.eof());
    ds.prior();
    EXPECT_FALSE(ds.bof());
    EXPECT_EQ(djh->asString(), "D4");
    ds.first();
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(djh->asString(), "D1");

    ds.emptyDataSet();
    EXPECT_TRUE(ds.active());
    EXPECT_EQ(ds.recordCount(), 0);
    ds.first();
    EXPECT_TRUE(ds.eof() && ds.bof());
    EXPECT_THROW(djh->asString(), DatasetError);
    EXPECT_THROW(ds.edit(), DatasetError);
    EXPECT_THROW(ds.deleteRecord(), DatasetError);
}

TEST(ClientDataSetState, ClosedDatasetRefusesWork) {
    ClientDataSet ds("cdspass");
    ds.addField("f_zzgdbz", FieldKind::Text, 1);
    try {
        ds.first();
        FAIL();
    } catch (const DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "cdspass: cannot perform this operation on a closed dataset");
    }
    EXPECT_THROW(ds.emptyDataSet(), DatasetError);
    EXPECT_EQ(ds.recordCount(), 0);
    EXPECT_FALSE(ds.bookmarkValid(ds.bookmark()));
}

TEST_F(DocumentsTest, HandlersRunAroundTheStoreAndARejectedValueKeepsTheOldOne) {
    std::vector<std::string> log;
    csmc->setOnValidate([&](Field& f, const Variant& v) {
        log.push_back("validate " + f.asString() + "->" + v.toText());
        if (v.toText() == "bad") throw ConversionError("非法日期");
    });
    csmc->setOnChange([&](Field& f) {
        log.push_back("change " + f.valueBeforeChange().toText() + "->" + f.asString() + " at " + djh->asString());
    });
    ds.setCurrentRow(2);
    EXPECT_THROW(csmc->setAsString("x"), DatasetError);  // not in edit
    ds.edit();
    csmc->setAsString("gamma");
    EXPECT_THROW(csmc->setAsString("bad"), ConversionError);
    EXPECT_EQ(csmc->asString(), "gamma");
    EXPECT_EQ(ds.state(), DatasetState::Edit);
    csmc->setAsString("gamma");
    ds.post();
    EXPECT_EQ(log, (std::vector<std::string>{"validate alpha->gamma", "change alpha->gamma at D3", "validate gamma->bad",
                                             "validate gamma->gamma", "change gamma->gamma at D3"}));
    EXPECT_EQ(csmc->asString(), "gamma");
}

TEST_F(DocumentsTest, CancelGivesBackEveryValueStoredSinceEdit) {
    ds.setCurrentRow(4);
    ds.edit();
    csmc->setAsString("x");
    csmc->setAsString("longer text than before");
    hsje->setAsFloat(99);
    hsje->setAsString("");
    EXPECT_TRUE(hsje->isNull());
    ds.cancel();
    EXPECT_TRUE(csmc->isNull());
    EXPECT_DOUBLE_EQ(hsje->asFloat(), 5.0);
    EXPECT_EQ(ds.state(), DatasetState::Browse);
}

TEST_F(DocumentsTest, ReadOnlyFieldCannotBeStoredInto) {
    djh->setReadOnly(true);
    djh->setDisplayLabel("单据号");
    ds.edit();
    try {
        djh->setAsString("X");
        FAIL();
    } catch (const DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "field '单据号' cannot be modified");
    }
    EXPECT_EQ(djh->asString(), "D1");
}

TEST_F(DocumentsTest, MovingTheCursorPostsThePendingEdit) {
    ds.edit();
    csmc->setAsString("posted");
    ds.next();
    EXPECT_EQ(ds.state(), DatasetState::Browse);
    ds.first();
    EXPECT_EQ(csmc->asString(), "posted");
}

TEST_F(DocumentsTest, DeleteMakesTheNextRowCurrent) {
    ds.setCurrentRow(1);
    auto gone = ds.bookmark();
    ds.deleteRecord();
    EXPECT_EQ(ds.recordCount(), 4);
    EXPECT_EQ(djh->asString(), "D3");
    EXPECT_FALSE(ds.bookmarkValid(gone));
    ds.last();
    ds.deleteRecord();
    EXPECT_EQ(djh->asString(), "D4");
    EXPECT_EQ(order(), "134");
}

TEST_F(DocumentsTest, SortsByTwoFieldsOneDescendingIgnoringLetterCase) {
    ds.addIndex("customindex", "f_Csmc;f_hsje", ixCaseInsensitive, "f_hsje");
    ds.setCurrentRow(2);  // D3
    ds.setIndexName("customindex");
    // null first; alpha/Alpha as one name, larger amount first; beta/BETA likewise
    EXPECT_EQ(order(), "53214");
    EXPECT_EQ(djh->asString(), "D3");  // the cursor stays on its record

    ds.deleteIndex("customindex");
    EXPECT_EQ(ds.indexName(), "");
    EXPECT_EQ(order(), "12345");

    ds.addIndex("bycase", "f_csmc", 0);
    ds.setIndexName("bycase");
    EXPECT_EQ(order(), "52431");  // case-sensitive: upper case before lower case
    ds.addIndex("bydesc", "f_hsje;f_djh", ixDescending);
    ds.setIndexName("bydesc");
    EXPECT_EQ(order(), "13425");
    EXPECT_THROW(ds.setIndexName("none"), DatasetError);
    EXPECT_THROW(ds.addIndex("bad", "f_nothing", 0), DatasetError);
}

TEST_F(DocumentsTest, IndexStaysOverAReloadAndPostedKeysTakeTheirPlace) {
    ds.addIndex("byamount", "f_hsje", 0);
    ds.setIndexName("byamount");
    EXPECT_EQ(order(), "52431");  // equal amounts keep record order
    ds.loadPacket(documents());
    EXPECT_EQ(order(), "52431");
    ds.first();  // D5
    ds.edit();
    hsje->setAsFloat(25);
    ds.post();
    EXPECT_EQ(order(), "24351");
    EXPECT_EQ(djh->asString(), "D5");
    EXPECT_EQ(ds.currentRow(), 3);
}

TEST(ClientDataSetIndex, SortingAnEmptyDatasetChangesNothing) {
    ClientDataSet ds;
    ds.addField("f_djh", FieldKind::Text, 12);
    ds.loadPacket(makePacket({{"f_djh", ColumnKind::Text, 0}}, {}));
    ds.addIndex("customindex", "f_djh", ixCaseInsensitive);
    ds.setIndexName("customindex");
    EXPECT_EQ(ds.recordCount(), 0);
    EXPECT_EQ(ds.currentRow(), -1);
}

TEST_F(DocumentsTest, BookmarksSurviveSortingAndFiltering) {
    ds.setCurrentRow(2);
    Bookmark d3 = ds.bookmark();
    ds.last();
    Bookmark d5 = ds.bookmark();
    ds.addIndex("customindex", "f_hsje", 0, "f_hsje");
    ds.setIndexName("customindex");
    ds.setFilter("f_hsje >= 10");
    ds.setFiltered(true);
    EXPECT_EQ(ds.rowOfBookmark(d5), -1);
    EXPECT_THROW(ds.gotoBookmark(d5), DatasetError);
    ds.gotoBookmark(d3);
    EXPECT_EQ(djh->asString(), "D3");
    EXPECT_EQ(ds.currentRow(), 1);
    ds.setFiltered(false);
    ds.gotoBookmark(d5);
    EXPECT_EQ(djh->asString(), "D5");

    ds.loadPacket(documents());
    EXPECT_FALSE(ds.bookmarkValid(d3));  // another content
}

TEST_F(DocumentsTest, BookmarksFindTheirRowsAfterADelete) {
    struct Case {
        const char* index;   // "" record order
        int deleteRow;
        const char* before;  // the order, by document number
        const char* after;
    } cases[] = {
        {"", 1, "12345", "1345"},
        {"", 0, "12345", "2345"},
        {"byamount", 1, "52431", "5431"},
        {"byamount", 3, "52431", "5241"},
    };
    ds.addIndex("byamount", "f_hsje", 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.index) + " row " + std::to_string(c.deleteRow));
        ds.loadPacket(documents());
        ds.setIndexName(c.index);
        ASSERT_EQ(order(), c.before);
        std::vector<Bookmark> marks;
        for (int row = 0; row < ds.recordCount(); ++row) marks.push_back(ds.bookmarkAt(row));
        ds.setCurrentRow(c.deleteRow);
        ds.deleteRecord();
        ASSERT_EQ(order(), c.after);
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const std::string number = std::string("D") + c.before[i];
            const auto at = std::string(c.after).find(c.before[i]);
            if (at == std::string::npos) {
                EXPECT_FALSE(ds.bookmarkValid(marks[i])) << number;
                EXPECT_EQ(ds.rowOfBookmark(marks[i]), -1) << number;
                continue;
            }
            EXPECT_EQ(ds.rowOfBookmark(marks[i]), static_cast<int>(at)) << number;
            ds.gotoBookmark(marks[i]);
            EXPECT_EQ(ds.currentRow(), static_cast<int>(at)) << number;
            EXPECT_EQ(djh->asString(), number);
        }
    }
}

TEST_F(DocumentsTest, ANewOrderOfTheSameRowsIsToldAsSuch) {
    Recorder rec;
    ds.addObserver(&rec);
    ds.addIndex("byamount", "f_hsje", 0);
    ds.setIndexName("byamount");
    EXPECT_EQ(rec.events, (std::vector<std::string>{"reordering", "reordered"}));

    // A posted key that moves its record: the same rows in another order.
    ds.first();  // D5, 5.0
    rec.events.clear();
    ds.edit();
    hsje->setAsFloat(25);
    ds.post();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"row 0", "reordering", "reordered"}));

    // A posted value that takes a record out of the filter changes the rows.
    ds.setFilter("f_hsje >= 10");
    ds.setFiltered(true);
    rec.events.clear();
    ds.first();
    ds.edit();
    hsje->setAsFloat(1);
    ds.post();
    EXPECT_EQ(rec.events.back(), "changed");
    ds.removeObserver(&rec);
}

TEST_F(DocumentsTest, NestedSuspensionTellsTheControlsOnceAtTheEnd) {
    Recorder rec;
    ds.addObserver(&rec);
    ds.disableControls();
    ds.disableControls();
    ds.first();
    ds.edit();
    csmc->setAsString("x");
    ds.post();
    ds.next();
    ds.deleteRecord();
    ds.loadPacket(documents());
    ds.enableControls();
    EXPECT_TRUE(rec.events.empty());
    ds.enableControls();
    EXPECT_EQ(rec.events, std::vector<std::string>{"changed"});
    ds.enableControls();  // unbalanced: ignored
    EXPECT_EQ(rec.events.size(), 1u);

    // Opened or closed while suspended: told at the end.
    rec.events.clear();
    {
        ControlsSuspended s(ds);
        ds.close();
    }
    EXPECT_EQ(rec.events, (std::vector<std::string>{"close", "changed"}));
    ds.removeObserver(&rec);
}

TEST_F(DocumentsTest, ControlsAreToldEachChangeWhenNotSuspended) {
    Recorder rec;
    ds.addObserver(&rec);
    ds.setCurrentRow(1);
    ds.edit();
    csmc->setAsString("x");
    ds.cancel();
    ds.deleteRecord();
    ds.loadPacket(documents());
    ds.close();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"current 1", "row 1", "row 1", "removing 1", "removed 1",
                                                    "current 1", "close", "open", "close"}));
    ds.removeObserver(&rec);
}

TEST_F(DocumentsTest, LocateAndLookupFindExactTexts) {
    EXPECT_TRUE(ds.locate("f_csmc", "alpha"));
    EXPECT_EQ(djh->asString(), "D3");
    EXPECT_FALSE(ds.locate("f_csmc", "ALPHA "));
    EXPECT_EQ(ds.lookup("f_csmc", "beta", "f_djh"), "D1");
    EXPECT_EQ(ds.lookup("f_csmc", "Beta", "f_djh"), std::nullopt);
    EXPECT_EQ(ds.lookup("f_hsje", "10", "f_djh"), "D2");
    ds.first();
    ds.edit();
    csmc->setAsString("delta");
    ds.post();
    EXPECT_EQ(ds.lookup("f_csmc", "beta", "f_djh"), std::nullopt);  // rebuilt after the change
    EXPECT_EQ(ds.lookup("f_csmc", "delta", "f_djh"), "D1");
    EXPECT_THROW(ds.lookup("f_none", "x", "f_djh"), DatasetError);
}

TEST(ClientDataSetMemory, RowSetRowsStayCompact) {
    ClientDataSet ds;
    trunaccount::testing::defineRowSetFields(ds);
    ds.loadPacket(trunaccount::testing::rowSetPacket(2000));
    EXPECT_EQ(ds.recordCount(), 2000);
    EXPECT_LT(ds.memoryBytes() / 2000, 400u);
}

}  // namespace
