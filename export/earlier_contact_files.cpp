#include "export/earlier_contact_files.h"

#include "base/ascii.h"
#include "base/windows1252.h"

namespace mirelo {

namespace {

bool IsJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

unsigned HexValue(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        value <<= 4;
        if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') value |= static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
    }
    return value;
}

// The JSON string that starts at text[at], a quote; at moves past its closing quote.
std::string JsonString(std::string_view text, std::size_t& at) {
    std::string value;
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] != '\\' || at + 1 == text.size()) {
            value += text[at];
            continue;
        }
        const char escaped = text[++at];
        if (escaped == 'u' && at + 4 < text.size()) {
            const unsigned unit = HexValue(text.substr(at + 1, 4));
            AppendUtf8(value, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : char32_t{unit});
            at += 4;
        } else {
            const std::string_view plain = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
            const std::size_t which = plain.find(escaped);
            value += which == std::string_view::npos ? escaped : meant[which];
        }
    }
    ++at;
    return value;
}

// Continuation lines start with a blank (RFC 6350, 3.2).
std::string UnfoldedVcard(std::string_view text) {
    std::string unfolded;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool lineEnd = text[at] == '\n' || text[at] == '\r';
        const std::size_t next = text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? at + 2 : at + 1;
        if (lineEnd && next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
            at = next;
        } else {
            unfolded += lineEnd ? '\n' : text[at];
            if (lineEnd) at = next - 1;
        }
    }
    return unfolded;
}

std::string UnescapedVcardText(std::string_view value) {
    std::string text;
    for (std::size_t at = 0; at < value.size(); ++at) text += value[at] == '\\' && at + 1 < value.size() ? value[++at] : value[at];
    return text;
}

}  // namespace

std::vector<std::string> EmailValuesOfVcards(std::string_view text) {
    const std::string unfolded = UnfoldedVcard(text);
    std::vector<std::string> values;
    std::string_view rest = unfolded;
    while (!rest.empty()) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(line.size() + 1, rest.size()));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = line.substr(0, std::min(colon, line.find(';')));
        if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
        if (EqualsNoCase(name, "email")) values.push_back(UnescapedVcardText(line.substr(colon + 1)));
    }
    return values;
}

std::vector<std::string> EmailValuesOfJson(std::string_view text) {
    std::vector<std::string> values;
    bool afterEmailKey = false;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] != '"') {
            if (!IsJsonBlank(text[at])) afterEmailKey = false;  // a value other than a string
            ++at;
            continue;
        }
        std::string string = JsonString(text, at);
        if (afterEmailKey) {
            values.push_back(std::move(string));
            afterEmailKey = false;
            continue;
        }
        const std::size_t next = text.find_first_not_of(" \t\r\n", at);
        afterEmailKey = next != std::string_view::npos && text[next] == ':' && EqualsNoCase(string, "email");
        if (afterEmailKey) at = next + 1;
    }
    return values;
}

}  // namespace mirelo
