// Rows shaped like the reconciliation row set (its fields come from
// reconcile/row_set.h) and a generator of deterministic packets of any size.
// Header-only, so that benchmarks can use it without the test libraries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dataset/client_dataset.h"
#include "reconcile/row_set.h"
#include "trunaccount/variant.h"

namespace trunaccount::testing {

inline std::span<const RowSetField> rowSetFields() { return reconciliationRowSet(); }

// Defines the eighteen persistent fields on a closed dataset.
inline void defineRowSetFields(ClientDataSet& ds) { defineReconciliationFields(ds); }

// A packet with the row set's columns as the coordinator sends them (lower-case
// names, widths of text columns unknown) and `rows` deterministic rows: amounts
// with cents, supplier names with and without "abc", Chinese unit names.
inline DataPacket rowSetPacket(std::size_t rows, std::uint32_t seed = 1) {
    std::vector<PacketColumn> cols;
    for (const auto& f : rowSetFields()) {
        std::string lower = f.name;
        for (auto& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        cols.push_back({lower, f.kind == FieldKind::Text ? ColumnKind::Text : ColumnKind::Float, 0});
    }
    static const char* units[] = {"北京分公司", "上海分公司", "广州分公司", "深圳分公司"};
    static const char* suppliers[] = {"华联商贸有限公司", "abc食品", "永辉超市", "ABC饮料厂", "联华xabcx", "百货批发"};
    DataPacket p(std::move(cols));
    p.reserve(rows);
    std::uint32_t x = seed;
    auto rnd = [&x] {
        x = x * 1664525u + 1013904223u;
        return x >> 8;
    };
    char buf[32];
    for (std::size_t i = 0; i < rows; ++i) {
        std::uint32_t a = rnd(), b = rnd();
        std::snprintf(buf, sizeof buf, "%06u", static_cast<unsigned>(a % 1000));
        std::string unitCode = std::string("0") + buf;
        p.addText("0");
        p.addText(unitCode.substr(0, 4));
        p.addText(units[a % 4]);
        p.addText(" ");
        std::snprintf(buf, sizeof buf, "%06u%06u", static_cast<unsigned>(202401 + b % 12), static_cast<unsigned>(i % 1000000));
        p.addText(buf);
        std::snprintf(buf, sizeof buf, "G%05u", static_cast<unsigned>(b % 5000));
        p.addText(buf);
        p.addText(suppliers[(a >> 4) % 6]);
        p.addText(" ");
        double amount = static_cast<double>(static_cast<int>(rnd() % 2000000) - 100000) / 100.0;
        p.addFloat(amount);
        p.addFloat(amount / 1.13);
        p.addFloat(amount - amount / 1.13);
        p.addFloat(13);
        p.addText(" ");
        p.addText(" ");
        p.addText(" ");
        p.addText(" ");
        std::snprintf(buf, sizeof buf, "2024%02u%02u", static_cast<unsigned>(1 + b % 12), static_cast<unsigned>(1 + a % 28));
        p.addText(buf);
        p.addNull();
        p.endRow();
    }
    return p;
}

}  // namespace trunaccount::testing
