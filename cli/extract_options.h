#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "export/formats/export_format.h"
#include "facts/address_category.h"
#include "headers/reading.h"
#include "scan/header_kinds.h"
#include "base/result.h"
#include "sources/store_detection.h"

namespace mirelo {

struct ExtractOptions {
    bool outlook = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::optional<HeaderKindSet> kinds;  // none: those of the reading
    std::optional<ReadingRules> rules;   // none: the command's own reading
    std::optional<std::string> output;
    std::optional<unsigned> workers;  // threads that read stores; none: one per core
    // Set by --all and the store kind options: every store of these kinds is read.
    std::optional<StoreSelection> stores;
    std::string folder;
    ExportFormat format;
    std::vector<std::string> me;        // own addresses
    std::vector<std::string> meFiles;   // files of own addresses
    std::vector<AddressCategory> drop;  // categories left out
    std::optional<std::string> sinceList;
};

// Whether the options ask for more than the plain list: facts, classification, other
// formats, filters.
bool NeedsCategories(const ExtractOptions& options);

// The options, or the usage error that the arguments make.
Result<ExtractOptions> ParseExtractOptions(const std::vector<std::string>& arguments);

// --help's text, made at build time from cli/usage.txt, as the manual page's options are.
extern const char* const kExtractUsage;

// Follows the one line of a usage error.
extern const char* const kHelpHint;

}  // namespace mirelo
