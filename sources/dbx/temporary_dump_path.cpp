#include "sources/dbx/temporary_dump_path.h"

#include <atomic>
#include <cstdlib>
#include <optional>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "base/native_path.h"
#include "base/path_parts.h"

namespace mirelo {

namespace {

// An empty variable names no folder; taking it as one would put the dump at the root.
// Without any of them the dump goes to the current folder on Windows, where TEMP is always
// set; elsewhere none is set as a rule, and the current folder may be anything.
std::optional<std::string> TemporaryFolder() {
#ifdef _WIN32
    // The wide environment, since the narrow one loses what the ANSI code page lacks.
    for (const wchar_t* variable : {L"TEMP", L"TMP"}) {
        const wchar_t* value = _wgetenv(variable);
        if (value && *value) return PathText(value);
    }
    return std::nullopt;
#else
    for (const char* variable : {"TEMP", "TMP", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "/tmp";
#endif
}

}  // namespace

std::string TemporaryDumpPath() {
    PathParts parts;
    if (const std::optional<std::string> folder = TemporaryFolder()) parts = SplitPath(*folder + kPathSeparator);
    parts.name = "outlook_temp";
    parts.extension = ".mbx";
    return JoinPath(parts);
}

std::string PrivateDumpPath(const std::string& dumpPath) {
    static std::atomic<unsigned> serial{0};
#ifdef _WIN32
    const int process = _getpid();
#else
    const int process = getpid();
#endif
    return dumpPath + "." + std::to_string(process) + "-" + std::to_string(serial++);
}

}  // namespace mirelo
