#include "headers/header_line_parser.h"

#include <string_view>

#include "base/replace_all.h"

namespace mirelo {

namespace {

struct Entity {
    std::string_view text;
    std::string_view replacement;
};

// Applied in this order: "&lt;br&gt;" becomes "<br>" and then a space.
constexpr Entity kEntities[] = {
    {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"<br>", " "}, {"&nbsp;", " "},
};

constexpr std::string_view kRelayMarker = "(by way of";
constexpr std::string_view kMailtoMarker = "[mailto:";

bool IsAsciiLetterOrDigit(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void RemoveDecorations(std::string& line) {
    for (const Entity& entity : kEntities) ReplaceAll(line, entity.text, entity.replacement);

    if (std::size_t relay = line.find(kRelayMarker); relay != std::string::npos) line.resize(relay);

    if (line.find(kMailtoMarker) != std::string::npos) {
        ReplaceAll(line, kMailtoMarker, "");
        if (std::size_t bracket = line.find(']'); bracket != std::string::npos) line[bracket] = ' ';
    }
}

unsigned char ByteAt(const std::string& line, std::ptrdiff_t i) {
    return static_cast<unsigned char>(line[static_cast<std::size_t>(i)]);
}

}  // namespace

bool IsAddressChar(unsigned char c) {
    return IsAsciiLetterOrDigit(c) || c == '.' || c == '-' || c == '_';
}

bool IsNameChar(unsigned char c) {
    return IsAsciiLetterOrDigit(c) || c == '.' || c == '-' || c == '|' || c == '_' || c >= 0xC0;
}

void ParseHeaderLine(HeaderFields& fields, std::string& line) {
    RemoveDecorations(line);
    const auto length = static_cast<std::ptrdiff_t>(line.size());

    std::ptrdiff_t p = length - 1;
    if (std::size_t at = line.find('@'); at != std::string::npos) {
        auto start = static_cast<std::ptrdiff_t>(at);
        while (start > 0 && IsAddressChar(ByteAt(line, start - 1))) --start;
        auto end = static_cast<std::ptrdiff_t>(at) + 1;
        while (end < length && IsAddressChar(ByteAt(line, end))) ++end;
        fields.email.assign(line, static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
        p = start - 1;
    }

    while (p >= 0 && !IsNameChar(ByteAt(line, p))) --p;
    if (p < 0) return;  // no name character at all: keep the name the fields had
    const std::ptrdiff_t last = p;
    std::ptrdiff_t q = last - 1;
    while (q >= 0 && (IsNameChar(ByteAt(line, q)) || ByteAt(line, q) == ' ')) --q;
    std::ptrdiff_t first = q + 1;
    while (first < last && ByteAt(line, first) == ' ') ++first;
    fields.name.assign(line, static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1));
}

}  // namespace mirelo
