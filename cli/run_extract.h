#pragma once

#include <cstdio>

#include "cli/extract_options.h"

namespace mirelo {

// Runs one extraction as the desktop commands do and writes the CSV to options.output,
// or to out. Progress and errors go to err. Returns the exit status: 0 written, 1 not
// written, 2 usage error.
int RunExtract(const ExtractOptions& options, std::FILE* out, std::FILE* err);

}  // namespace mirelo
