#include "headers/header_line_parser.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/line_end.h"
#include "base/replace_all.h"
#include "base/same_bytes.h"

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

constexpr bool IsAsciiLetterOrDigit(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Every entity starts with '&': a line without one, as most are, needs only the "<br>" pass.
void RemoveDecorations(std::string& line) {
    if (line.find('&') != std::string::npos) {
        for (const Entity& entity : kEntities) ReplaceAll(line, entity.text, entity.replacement);
    } else {
        ReplaceAll(line, "<br>", " ");
    }

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

namespace {

// Each byte's classes, one bit each, looked up once per byte of the loops below.
constexpr unsigned kAddressChar = 1;
constexpr unsigned kLocalPartChar = 2;
constexpr unsigned kNameChar = 4;
constexpr unsigned kMarkChar = 8;  // a byte MarkLine stops at

constexpr std::array<unsigned char, 256> kCharClasses = [] {
    std::array<unsigned char, 256> classes{};
    const auto add = [&](std::string_view chars, unsigned bits) {
        for (const char c : chars) classes[static_cast<unsigned char>(c)] |= static_cast<unsigned char>(bits);
    };
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        if (IsAsciiLetterOrDigit(c)) classes[c] = kAddressChar | kLocalPartChar | kNameChar;
        // Bytes from 0x80 are letters of some script: cutting there split UTF-8 characters
        // and lost Windows-1252 letters such as the S with caron.
        if (c >= 0x80) classes[c] = kNameChar;
    }
    add(".-_", kAddressChar | kLocalPartChar | kNameChar);
    // RFC 5322's atext beyond the address characters: a cut at '+' or '=' wrote another
    // real mailbox ("john+lists@x" became "lists@x").
    add("+=!#$%&*/?^`{|}~", kLocalPartChar);
    add("|", kNameChar);
    add("&<([@\"", kMarkChar);
    return classes;
}();

}  // namespace

bool IsAddressChar(unsigned char c) { return kCharClasses[c] & kAddressChar; }
bool IsLocalPartChar(unsigned char c) { return kCharClasses[c] & kLocalPartChar; }
bool IsNameChar(unsigned char c) { return kCharClasses[c] & kNameChar; }

namespace {

#if defined(__SSE2__)
// Each byte of v from low to high. Signed compares: the bytes from 0x80 are below every bound.
__m128i BytesWithin(__m128i v, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(high + 1)), v));
}
#else
// Bit i set where bytes[i] is not of the class, by the byte table.
std::uint32_t BitsNotOfClass(const char* bytes, unsigned charClass) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kByteMaskBlock; ++i)
        bits |= std::uint32_t{(kCharClasses[static_cast<unsigned char>(bytes[i])] & charClass) == 0} << i;
    return bits;
}
#endif

// Bit i set where bytes[i] is no address character, for the kByteMaskBlock bytes from
// bytes: the letters, digits and ".-_" of kCharClasses, sixteen at once where the
// processor allows.
std::uint32_t NonAddressCharBits(const char* bytes) {
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    __m128i in =
        _mm_or_si128(BytesWithin(_mm_or_si128(block, _mm_set1_epi8(0x20)), 'a', 'z'), BytesWithin(block, '0', '9'));
    for (const char c : {'.', '-', '_'}) in = _mm_or_si128(in, _mm_cmpeq_epi8(block, _mm_set1_epi8(c)));
    return ~static_cast<std::uint32_t>(_mm_movemask_epi8(in)) & 0xFFFFu;
#else
    return BitsNotOfClass(bytes, kAddressChar);
#endif
}

// The same for the local-part characters: the printable ASCII but " ' ( ) , : ; < > @ [ \ ]
// (an apostrophe counts only between two of them, which LocalPartStart sees to).
std::uint32_t NonLocalPartCharBits(const char* bytes) {
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const auto within = [&block](char low, char high) { return BytesWithin(block, low, high); };
    const auto is = [&block](char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    const __m128i out = _mm_or_si128(_mm_or_si128(_mm_or_si128(is('"'), is(',')), _mm_or_si128(is('>'), is('@'))),
                                     _mm_or_si128(_mm_or_si128(within('\'', ')'), within(':', '<')), within('[', ']')));
    const __m128i in = _mm_andnot_si128(out, within('!', '~'));
    return ~static_cast<std::uint32_t>(_mm_movemask_epi8(in)) & 0xFFFFu;
#else
    return BitsNotOfClass(bytes, kLocalPartChar);
#endif
}

// Where the run of local-part characters that ends before end starts, a block at a time
// backwards; the line's first block overlaps the one after rather than reading before it.
std::size_t LocalPartRunStart(const std::string& line, std::size_t end) {
    std::size_t start = end;
    if (line.size() >= kByteMaskBlock) {
        for (; start >= kByteMaskBlock; start -= kByteMaskBlock)
            if (const std::uint32_t outside = NonLocalPartCharBits(line.data() + start - kByteMaskBlock))
                return start - kByteMaskBlock + static_cast<std::size_t>(std::bit_width(outside));
        const std::uint32_t outside = NonLocalPartCharBits(line.data()) & ((std::uint32_t{1} << start) - 1);
        return static_cast<std::size_t>(std::bit_width(outside));
    }
    while (start > 0 && IsLocalPartChar(static_cast<unsigned char>(line[start - 1]))) --start;
    return start;
}

// Where the run of address characters from from ends, a block at a time; the line's last
// block overlaps the one before rather than reading past its end.
std::size_t AddressEnd(const std::string& line, std::size_t from) {
    std::size_t end = from;
    if (line.size() >= kByteMaskBlock) {
        for (; end + kByteMaskBlock <= line.size(); end += kByteMaskBlock)
            if (const std::uint32_t outside = NonAddressCharBits(line.data() + end))
                return end + static_cast<std::size_t>(std::countr_zero(outside));
        if (end == line.size()) return end;
        const std::size_t last = line.size() - kByteMaskBlock;
        const std::uint32_t outside = NonAddressCharBits(line.data() + last) >> (end - last);
        return outside != 0 ? end + static_cast<std::size_t>(std::countr_zero(outside)) : line.size();
    }
    while (end < line.size() && IsAddressChar(static_cast<unsigned char>(line[end]))) ++end;
    return end;
}

// What one pass over a line finds: its first '@', whether an odd number of quotes comes
// before that, and whether there is a decoration to remove.
struct LineMarks {
    std::size_t firstAt = std::string::npos;
    bool quotedAt = false;
    bool decorated = false;
};

bool HasAt(const std::string& line, std::size_t at, std::string_view text) {
    return line.size() - at >= text.size() && SameBytes(line.data() + at, text.data(), text.size());
}

// Most lines hold no decoration: one pass over their bytes, sixteen at a time, replaces a
// search of the whole line for each thing looked for.
LineMarks MarkLine(const std::string& line) {
    LineMarks marks;
    const auto see = [&](std::size_t at) {
        switch (line[at]) {
            case '&': marks.decorated = true; break;
            case '<': marks.decorated = marks.decorated || HasAt(line, at, "<br>"); break;
            case '(': marks.decorated = marks.decorated || HasAt(line, at, kRelayMarker); break;
            case '[': marks.decorated = marks.decorated || HasAt(line, at, kMailtoMarker); break;
            case '@':
                if (marks.firstAt == std::string::npos) marks.firstAt = at;
                break;
            default:  // a quote
                if (marks.firstAt == std::string::npos) marks.quotedAt = !marks.quotedAt;
        }
    };
    const auto seeBlock = [&](std::size_t from, std::uint32_t found) {
        for (; found != 0; found &= found - 1) see(from + static_cast<std::size_t>(std::countr_zero(found)));
    };
    const auto marksIn = [&](std::size_t from) {
        return BytesAmong16<'&', '<', '(', '[', '@', '"'>(line.data() + from);
    };
    if (line.size() < kByteMaskBlock) {
        for (std::size_t at = 0; at < line.size(); ++at)
            if (kCharClasses[static_cast<unsigned char>(line[at])] & kMarkChar) see(at);
        return marks;
    }
    std::size_t at = 0;
    for (; at + kByteMaskBlock <= line.size(); at += kByteMaskBlock) seeBlock(at, marksIn(at));
    // The last sixteen bytes, less those the blocks before have seen.
    if (at < line.size()) {
        const std::size_t last = line.size() - kByteMaskBlock;
        seeBlock(last, marksIn(last) >> (at - last) << (at - last));
    }
    return marks;
}

// The '@' the address is built around: the line's first, unless that lies in a quoted
// display name followed by an angle address, whose '@' it then is ("a@b" <c@d> is c@d).
std::size_t AddressAt(const std::string& line, const LineMarks& marks) {
    const std::size_t first = marks.firstAt;
    if (first == std::string::npos || !marks.quotedAt) return first;
    const std::size_t closingQuote = line.find('"', first);
    if (closingQuote == std::string::npos) return first;
    const std::size_t open = line.find_first_not_of(" \t", closingQuote + 1);
    if (open == std::string::npos || line[open] != '<') return first;
    const std::size_t at = line.find('@', open);
    return at != std::string::npos && at < line.find('>', open) ? at : first;
}

// An apostrophe counts between two local-part characters (o'brien@x), not at an edge.
std::ptrdiff_t LocalPartStart(const std::string& line, std::size_t at) {
    std::size_t start = LocalPartRunStart(line, at);
    while (start > 1 && start < at && line[start - 1] == '\'' &&
           IsLocalPartChar(static_cast<unsigned char>(line[start - 2])))
        start = LocalPartRunStart(line, start - 1);
    return static_cast<std::ptrdiff_t>(start);
}

}  // namespace

void ParseHeaderLine(HeaderFields& fields, std::string& line) {
    LineMarks marks = MarkLine(line);
    if (marks.decorated) {
        RemoveDecorations(line);
        marks = MarkLine(line);
    }
    const auto length = static_cast<std::ptrdiff_t>(line.size());

    // Only a whole address counts, with text on both sides of its '@'; anything less
    // leaves no email rather than keeping another line's.
    fields.email.clear();
    std::ptrdiff_t p = length - 1;
    if (std::size_t at = AddressAt(line, marks); at != std::string::npos) {
        const std::ptrdiff_t start = LocalPartStart(line, at);
        const auto end = static_cast<std::ptrdiff_t>(AddressEnd(line, at + 1));
        if (start < static_cast<std::ptrdiff_t>(at) && end > static_cast<std::ptrdiff_t>(at) + 1)
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
