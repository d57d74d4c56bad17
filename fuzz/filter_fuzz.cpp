// Feeds arbitrary text to the filter language: parsing, binding to the fields
// of a small dataset, evaluating every record, and the same text applied as
// the dataset's filter. Anything but a FilterError for a bad text is a fault,
// and so is an error position outside the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dataset/client_dataset.h"
#include "dataset/dataset_error.h"
#include "dataset/filter_expression.h"
#include "platform/text.h"

using namespace trunaccount;

namespace {

ClientDataSet& dataset() {
    static ClientDataSet* ds = [] {
        auto* d = new ClientDataSet("cds");
        d->addField("f_Djh", FieldKind::Text, 12);
        d->addField("f_Csmc", FieldKind::Text, 60);
        d->addField("f_hsje", FieldKind::Float);
        d->addField("f_n", FieldKind::Integer);
        DataPacket p({{"f_djh", ColumnKind::Text, 0}, {"f_csmc", ColumnKind::Text, 0}, {"f_hsje", ColumnKind::Float, 0},
                      {"f_n", ColumnKind::Integer, 0}});
        const char* names[] = {"abc食品", "华联abc", "", "O'Brien", "ABC%_"};
        for (int i = 0; i < 6; ++i) {
            p.addText(std::to_string(i));
            if (i == 5) p.addNull();
            else p.addText(names[i]);
            if (i == 2) p.addNull();
            else p.addFloat(i * 50.5 - 20);
            p.addInteger(i);
            p.endRow();
        }
        d->loadPacket(p);
        return d;
    }();
    return *ds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ClientDataSet& ds = dataset();
    std::size_t characters = platform::toCodePoints(text).size();
    try {
        FilterExpression e(text);
        e.prepare([&](std::string_view n) -> const Field* { return ds.findField(n); });
        for (int row = 0; row < ds.recordCount(); ++row) (void)e.matches(ds.recordAt(row));
        for (int c : e.referencedColumns())
            if (c < 0 || c >= ds.fieldCount()) std::abort();
        (void)e.dump();
    } catch (const FilterError& err) {
        if (err.position() < 1 || err.position() > characters + 1) std::abort();
    }
    try {
        ds.setFilter(text);
        ds.setFiltered(true);
        if (ds.recordCount() > 6) std::abort();
        ds.setFiltered(false);
    } catch (const FilterError&) {
        if (ds.filtered()) std::abort();  // a refused text leaves the filter off here
    }
    return 0;
}
