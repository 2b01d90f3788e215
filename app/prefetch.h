#pragma once

#include <string_view>

#include "base/prefetch.h"
#include "scan/address_record.h"

namespace mirelo {

// After a sort the records lie all over memory, and waiting for each in turn would take
// most of a pass over the rows: the records, then the texts that textsOf names, are asked
// for some rows ahead.
template <typename RecordAt, typename TextsOf>
void PrefetchAhead(int row, int rowCount, const RecordAt& recordAt, const TextsOf& textsOf) {
    constexpr int kTextsAhead = 8;
    constexpr int kRecordsAhead = 2 * kTextsAhead;
    if (row + kRecordsAhead < rowCount) Prefetch(recordAt(row + kRecordsAhead));
    if (row + kTextsAhead < rowCount) {
        for (const std::string_view text : textsOf(*recordAt(row + kTextsAhead))) Prefetch(text.data());
    }
}

}  // namespace mirelo
