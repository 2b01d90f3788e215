#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/result.h"
#include "export/formats/export_format.h"
#include "facts/address_facts.h"
#include "scan/address_list.h"

namespace mirelo {

// The rows a written list leaves out beyond duplicates and deleted ones.
struct ListFilter {
    std::vector<AddressCategory> drop;  // by the facts' categories
    std::optional<std::unordered_set<std::string>> earlier;  // addresses of an earlier list, folded
};

// Orders an extraction's result as it is shown and written (one row per address, by label
// and then address, the label prefix left out of the shown labels), then marks as deleted
// the rows the filter leaves out; the categories need the facts. Returns how many rows
// the earlier list left out. The ordering takes two threads when given two.
int OrderAndFilter(AddressList& list, const std::string& labelPrefix, const FactsTable* facts,
                   const ListFilter& filter = {}, unsigned threads = 1);

// The file a path names for a format: the format's extension is added to a name without
// one, but an existing device or pipe (/dev/stdout) is taken as it is.
std::string OutputFileFor(const std::string& path, FormatKind format);

// Writes the rows in the format into that file, replacing an earlier one only once the new
// one is whole; gives how many rows were written. A long original CSV takes two threads
// when given two.
Result<int> WriteListFile(const std::string& path, const AddressList& list, const FactsTable* facts,
                          const ExportFormat& format, unsigned threads = 1);

}  // namespace mirelo
