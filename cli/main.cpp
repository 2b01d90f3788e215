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

#include "cli/console_output.h"
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

// Started from Explorer, the program gets a console of its own that would close before
// anyone read a word: it says what it is and waits.
int Introduce(std::FILE* out) {
    std::fputs("mirelo-extract gathers the e-mail correspondents of old local mail into a CSV list.\n"
               "Run it from a Command Prompt or PowerShell window, for example:\n\n"
               "  mirelo-extract --output friends.csv \"C:\\Mail\\Eudora\"\n\n",
               out);
    std::fputs(mirelo::kExtractUsage, out);
    std::fputs("\nPress Enter to close this window.\n", out);
    std::getchar();
    return 0;
}

int Run(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
    if (arguments.empty() && mirelo::OwnsItsConsole()) return Introduce(out);
    const mirelo::Result<mirelo::ExtractOptions> parsed = mirelo::ParseExtractOptions(arguments);
    if (!parsed.Ok()) {
        std::fprintf(err, "mirelo-extract: %s\n%s", parsed.Error().message.c_str(), mirelo::kHelpHint);
        return 2;
    }
    const mirelo::ExtractOptions& options = parsed.Value();
    if (options.help) {
        std::fputs(mirelo::kExtractUsage, out);
        return 0;
    }
    if (options.version) {
        std::fputs("mirelo-extract (Mirelo) " MIRELO_VERSION "\n", out);
        return 0;
    }
#ifdef _WIN32
    // In text mode every CR LF of the CSV would go out as CR CR LF.
    _setmode(_fileno(out), _O_BINARY);
#endif
    return mirelo::RunExtract(options, out, err);
}

}  // namespace

int main(int argc, char** argv) {
    const mirelo::ConsoleOutput out(stdout);
    const mirelo::ConsoleOutput err(stderr);
    return Run(Arguments(argc, argv), out.Stream(), err.Stream());
}
