#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sources/dbx/dbx_dump.h"
#include "support/temp_dir.h"

namespace mirelo::testing {

struct DumpResult {
    DumpOutcome outcome;
    std::string text;
};

// Dumps the store bytes as the folder walk would, from a file into a temporary file in dir.
inline DumpResult DumpStoreBytes(const TempDir& dir, const std::string& storeBytes) {
    const std::string store = dir.Write("Inbox.dbx", storeBytes);
    const std::string dump = (dir.path() / "outlook_temp.mbx").string();
    DumpOutcome outcome = DumpDbxToText(store, dump);
    return {std::move(outcome), ReadFileBytes(dump)};
}

inline DumpResult DumpStoreBytes(const std::string& storeBytes) { return DumpStoreBytes(TempDir(), storeBytes); }

inline std::string Marker(std::size_t message) { return "___Message___ : " + std::to_string(message) + "\r\n"; }

// The dump of the given messages: each one's marker, on a line of its own, and its text up
// to its first NUL.
inline std::string ExpectedDump(const std::vector<std::pair<std::size_t, std::string>>& messages) {
    std::string dump;
    for (const auto& [number, text] : messages) {
        if (!dump.empty() && dump.back() != '\n') dump += "\r\n";
        dump += Marker(number) + text.substr(0, text.find('\0'));
    }
    return dump;
}

}  // namespace mirelo::testing
