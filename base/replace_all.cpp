#include "base/replace_all.h"

namespace mirelo {

void ReplaceAll(std::string& line, std::string_view text, std::string_view replacement) {
    std::size_t at = text.empty() ? std::string::npos : line.find(text);
    if (at == std::string::npos) return;
    std::string result;
    result.reserve(line.size());
    std::size_t from = 0;
    for (; at != std::string::npos; at = line.find(text, from)) {
        result.append(line, from, at - from);
        result.append(replacement);
        from = at + text.size();
    }
    result.append(line, from);
    line = std::move(result);
}

}  // namespace mirelo
