#include <cstdio>
#include <string>
#include <vector>

#include "cli/extract_options.h"
#include "cli/run_extract.h"

int main(int argc, char** argv) {
    const mirelo::ParsedOptions parsed = mirelo::ParseExtractOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "mirelo-extract: %s\n%s", parsed.error.c_str(), mirelo::kHelpHint);
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(mirelo::kExtractUsage, stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::puts("mirelo-extract (Mirelo) " MIRELO_VERSION);
        return 0;
    }
    return mirelo::RunExtract(parsed.options, stdout, stderr);
}
