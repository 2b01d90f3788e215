#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "scan/address_list.h"
#include "base/result.h"

namespace mirelo {

// The header line and one "email,name,notes" line per record that is neither a duplicate
// nor deleted, in list order, each ended by CR LF as the importing service expects. Only
// notes holding a comma, a quote or a line end are quoted. Gives the number of record lines.
// With two threads or more, a long list's lines are made on two threads.
Result<int> WriteCsvLines(std::FILE* out, const AddressList& list, unsigned threads = 1);

// Writes the file so that a failure never costs the file that was there: a regular file
// is replaced only once its successor is completely written and flushed, keeping its
// permissions and any link that leads to it; a device or pipe is written in place. Gives
// the number of record lines that writeLines wrote, or "Unable to open output file PATH"
// or "Unable to write output file PATH" with the system's reason.
using LinesWriter = std::function<Result<int>(std::FILE* out)>;
Result<int> WriteOutputFile(const std::string& path, const LinesWriter& writeLines);

// A field of a CSV line, quoted as RFC 4180 has it only when it holds a comma, a quote or
// a line end.
void AppendCsvField(std::string& line, std::string_view text);

std::string CountsText(int original, int unique);

}  // namespace mirelo
