#include "sources/mbox/mbox_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

#include "base/native_path.h"

namespace mirelo {

namespace {

// A header field's name is printable ASCII other than the colon, and the colon follows it.
bool StartsWithHeaderField(std::string_view line) {
    const auto nameEnd = std::find_if(line.begin(), line.end(), [](char c) { return c <= ' ' || c > '~' || c == ':'; });
    return nameEnd != line.begin() && nameEnd != line.end() && *nameEnd == ':';
}

bool StartsLikeMbox(std::string_view head) {
    if (head.substr(0, 5) != "From ") return false;
    const std::size_t lineEnd = head.find('\n');
    return lineEnd != std::string_view::npos && StartsWithHeaderField(head.substr(lineEnd + 1));
}

}  // namespace

bool LooksLikeMboxFile(const std::string& path) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return false;
    char head[1024];
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    return StartsLikeMbox(std::string_view(head, got));
}

}  // namespace mirelo
