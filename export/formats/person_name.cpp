#include "export/formats/person_name.h"

namespace mirelo {

namespace {

// Letters, inner hyphens and apostrophes; any byte of a UTF-8 sequence counts as a letter.
bool IsPlainWord(std::string_view word) {
    if (word.size() < 2 || word.front() == '-' || word.back() == '-') return false;
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        const bool letter = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte >= 0x80;
        if (!letter && c != '-' && c != '\'') return false;
    }
    return true;
}

}  // namespace

PersonName SplitPersonName(std::string_view name) {
    const std::size_t space = name.find(' ');
    if (space == std::string_view::npos) return {};
    const std::string_view given = name.substr(0, space);
    const std::string_view family = name.substr(space + 1);
    if (!IsPlainWord(given) || !IsPlainWord(family)) return {};
    return {std::string(given), std::string(family)};
}

}  // namespace mirelo
