#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "base/native_path.h"
#endif

#include "cli/extract_options.h"
#include "cli/run_extract.h"

namespace {

// The arguments as UTF-8, the core's text for paths. Windows hands main() them in the ANSI
// code page, which loses every character that it lacks, so they come from the wide
// command line there.
std::vector<std::string> Arguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(mirelo::PathText(wide[i]));
    LocalFree(wide);
    return arguments;
#else
    return {argv + 1, argv + argc};
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const mirelo::Result<mirelo::ExtractOptions> parsed = mirelo::ParseExtractOptions(Arguments(argc, argv));
    if (!parsed.Ok()) {
        std::fprintf(stderr, "mirelo-extract: %s\n%s", parsed.Error().message.c_str(), mirelo::kHelpHint);
        return 2;
    }
    const mirelo::ExtractOptions& options = parsed.Value();
    if (options.help) {
        std::fputs(mirelo::kExtractUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::puts("mirelo-extract (Mirelo) " MIRELO_VERSION);
        return 0;
    }
#ifdef _WIN32
    // In text mode every CR LF of the CSV would go out as CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return mirelo::RunExtract(options, stdout, stderr);
}
