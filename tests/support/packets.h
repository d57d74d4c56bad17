// Building small data packets in tests from a column list and rows of values.
#pragma once

#include <initializer_list>
#include <vector>

#include "trunaccount/variant.h"

namespace trunaccount::testing {

inline DataPacket makePacket(std::vector<PacketColumn> columns, std::initializer_list<std::vector<Variant>> rows) {
    DataPacket p(std::move(columns));
    for (const auto& row : rows) {
        for (const auto& v : row) p.addValue(v);
        p.endRow();
    }
    return p;
}

}  // namespace trunaccount::testing
