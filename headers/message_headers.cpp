#include "headers/message_headers.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/ascii.h"
#include "base/line_end.h"

namespace mirelo {

namespace {

// Attached messages and multiparts nest at most this deep.
constexpr int kMaxNesting = 16;

struct Line {
    std::string_view text;  // without its line end
    std::size_t next = 0;   // where the following line begins
};

Line LineAt(std::string_view bytes, std::size_t at) {
    const std::size_t end = FindLineEnd(bytes, at);
    return {bytes.substr(at, end - at), NextLineStart(bytes, end)};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A field's value stays where it stands unless it runs over several lines: most do not,
// and copying each would cost more than reading it.
struct Field {
    std::string_view name;
    std::string_view firstLine;  // the value as it stands on the field's own line
    std::string unfolded;        // the whole value, once a continuation line joins it
    int tag = kFieldNotWanted;   // the caller's
    bool contentType = false;    // the block's first Content-Type, which the walk reads

    bool Kept() const { return tag != kFieldNotWanted || contentType; }
    std::string_view Value() const { return unfolded.empty() ? firstLine : std::string_view(unfolded); }
};

bool IsNameByte(char c) { return c > ' ' && c <= '~' && c != ':'; }

// Bit i set where bytes[i] is no name byte, for the kByteMaskBlock bytes from bytes:
// sixteen at once where the processor allows.
std::uint32_t NonNameByteBits(const char* bytes) {
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    // Signed compares: the bytes from 0x80 are below ' '.
    const __m128i printable =
        _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8(' ')), _mm_cmplt_epi8(block, _mm_set1_epi8(0x7F)));
    const __m128i name = _mm_andnot_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(':')), printable);
    return ~static_cast<std::uint32_t>(_mm_movemask_epi8(name)) & 0xFFFFu;
#else
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < kByteMaskBlock; ++i) bits |= std::uint32_t{!IsNameByte(bytes[i])} << i;
    return bits;
#endif
}

// Where the run of name bytes that starts the line ends.
std::size_t NameRunEnd(std::string_view line) {
    std::size_t end = 0;
    for (; end + kByteMaskBlock <= line.size(); end += kByteMaskBlock)
        if (const std::uint32_t stops = NonNameByteBits(line.data() + end))
            return end + static_cast<std::size_t>(std::countr_zero(stops));
    while (end < line.size() && IsNameByte(line[end])) ++end;
    return end;
}

struct FieldName {
    std::size_t end = 0;
    std::size_t colon = 0;
};

// A name is printable ASCII without a colon; obsolete syntax lets white space precede the
// colon. Found in one pass over the name, not a search for the colon and another pass.
std::optional<FieldName> FieldNameOf(std::string_view line) {
    const std::size_t end = NameRunEnd(line);
    std::size_t colon = end;
    while (colon < line.size() && IsBlank(line[colon])) ++colon;
    if (end == 0 || colon == line.size() || line[colon] != ':') return std::nullopt;
    return FieldName{end, colon};
}

struct HeaderBlock {
    std::string_view contentType;     // the first Content-Type's value as its line holds it
    std::string contentTypeUnfolded;  // the whole of it, once a continuation line joins it
    std::size_t bodyStart = 0;

    std::string_view ContentType() const {
        return contentTypeUnfolded.empty() ? contentType : std::string_view(contentTypeUnfolded);
    }
};

// Who is shown a block's fields: a part's own fields are shown to nobody.
struct FieldShow {
    const HeaderVisitor& visit;
    const FieldFilter& wanted;
    int block = 0;
    int depth = 0;
};

// The fields up to the first empty line. A line that is neither a field nor its
// continuation begins the body, as a missing empty line would have it; an mbox-style
// "From " line at the very start is passed over. Each field the filter wants is shown as
// soon as its last line is read, and only those and Content-Type are unfolded.
HeaderBlock ReadHeaderBlock(std::string_view bytes, const FieldShow* show) {
    HeaderBlock block;
    bool contentTypeSeen = false;
    Field field;
    const auto finish = [&] {
        if (field.tag != kFieldNotWanted) show->visit({show->block, show->depth, field.name, field.Value(), field.tag});
        if (field.contentType) {
            block.contentType = field.firstLine;
            block.contentTypeUnfolded = std::move(field.unfolded);
        }
        field.unfolded.clear();  // each new field sets the rest
    };
    std::size_t at = 0;
    if (bytes.substr(0, 5) == "From ") at = LineAt(bytes, 0).next;
    while (at < bytes.size()) {
        const Line line = LineAt(bytes, at);
        if (line.text.empty()) {
            at = line.next;
            break;
        }
        if (IsBlank(line.text[0])) {
            if (field.Kept()) {
                if (field.unfolded.empty()) field.unfolded = field.firstLine;
                field.unfolded += line.text;
            }
        } else if (const std::optional<FieldName> fieldName = FieldNameOf(line.text)) {
            finish();
            field.name = line.text.substr(0, fieldName->end);
            field.tag = !show ? kFieldNotWanted : show->wanted ? show->wanted(field.name) : 0;
            field.contentType = !contentTypeSeen && EqualsNoCase(field.name, "Content-Type");
            contentTypeSeen = contentTypeSeen || field.contentType;
            if (field.Kept()) {
                std::string_view value = line.text.substr(fieldName->colon + 1);
                while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
                field.firstLine = value;
            }
        } else {
            break;
        }
        at = line.next;
    }
    finish();
    block.bodyStart = std::min(at, bytes.size());
    return block;
}

struct MediaType {
    std::string_view type;      // "multipart/mixed" as written, to compare without case; empty when not given
    std::string_view boundary;  // in the value, or in a spare string when quoted with escapes
};

// Where the first byte that stop holds for is, from from on; find_first_of would make a
// call for every byte it passes.
template <typename Stop>
std::size_t FindFirst(std::string_view text, std::size_t from, Stop stop) {
    while (from < text.size() && !stop(text[from])) ++from;
    return from < text.size() ? from : std::string_view::npos;
}

// A quoted value without its quotes and escapes: where it stands unless it holds an escape.
std::string_view QuotedText(std::string_view value, std::size_t openQuote, std::string& spare) {
    const std::size_t from = openQuote + 1;
    const std::size_t special = FindFirst(value, from, [](char c) { return c == '"' || c == '\\'; });
    if (special == std::string_view::npos || value[special] == '"')
        return value.substr(from, special == std::string_view::npos ? special : special - from);
    spare.assign(value.substr(from, special - from));
    for (std::size_t i = special; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        spare += value[i];
    }
    return spare;
}

MediaType ReadMediaType(std::string_view value, std::string& spare) {
    MediaType media;
    std::size_t end = FindFirst(value, 0, [](char c) { return c == ';' || c == '(' || IsBlank(c); });
    media.type = value.substr(0, end);
    // The boundary parameter, its value quoted or not.
    for (std::size_t at = value.find(';'); at != std::string_view::npos; at = value.find(';', at + 1)) {
        std::size_t nameStart = FindFirst(value, at + 1, [](char c) { return !IsBlank(c); });
        if (nameStart == std::string_view::npos) break;
        const std::size_t equals = value.find('=', nameStart);
        if (equals == std::string_view::npos) break;
        std::string_view name = value.substr(nameStart, equals - nameStart);
        while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
        if (!EqualsNoCase(name, "boundary")) continue;
        std::size_t valueStart = FindFirst(value, equals + 1, [](char c) { return !IsBlank(c); });
        if (valueStart == std::string_view::npos) break;
        if (value[valueStart] == '"') {
            media.boundary = QuotedText(value, valueStart, spare);
        } else {
            end = FindFirst(value, valueStart, [](char c) { return c == ';' || IsBlank(c); });
            media.boundary = value.substr(valueStart, end == std::string_view::npos ? end : end - valueStart);
        }
        break;
    }
    return media;
}

// Whether what follows "--boundary" at the start of a line makes it a delimiter line: "--"
// on the closing one, then only white space.
bool EndsDelimiterLine(std::string_view rest) {
    if (rest.starts_with("--")) rest.remove_prefix(2);
    return rest.find_first_not_of(" \t") == std::string_view::npos;
}

// Shows each part of a multipart body to visit. The line end before a delimiter belongs to
// the delimiter; of a CR LF pair, the CR stays with the part, whose last line it ends all
// the same. Bodies are long and delimiters few, so the boundary is searched for, not each
// line read.
template <typename Visit>
void VisitParts(std::string_view body, std::string_view boundary, Visit visit) {
    std::optional<std::size_t> partStart;
    for (std::size_t at = 0; at < body.size();) {
        const std::size_t found = body.find(boundary, at + 2);
        if (found == std::string_view::npos) break;
        const std::size_t start = found - 2;  // where "--" and the boundary would start
        at = start + 1;
        if (body.compare(start, 2, "--") != 0) continue;
        if (start > 0 && body[start - 1] != '\n' && body[start - 1] != '\r') continue;  // not at a line's start
        // A boundary holds no line end, so the line holds it whole.
        const Line line = LineAt(body, start);
        const std::string_view rest = line.text.substr(2 + boundary.size());
        if (!EndsDelimiterLine(rest)) continue;
        if (partStart) visit(body.substr(*partStart, std::max(start - 1, *partStart) - *partStart));
        if (rest.starts_with("--")) return;
        partStart = line.next;
        at = line.next;
    }
    if (partStart && *partStart < body.size()) visit(body.substr(*partStart));  // no closing delimiter
}

class HeaderWalk {
public:
    HeaderWalk(const HeaderVisitor& visit, const FieldFilter& wanted) : visit_(visit), wanted_(wanted) {}

    void Message(std::string_view bytes, int depth, int nesting) {
        const FieldShow show{visit_, wanted_, blocks_++, depth};
        const HeaderBlock block = ReadHeaderBlock(bytes, &show);
        Content(block, bytes.substr(block.bodyStart), depth, nesting, "");
    }

private:
    void Content(const HeaderBlock& block, std::string_view body, int depth, int nesting, std::string_view fallbackType) {
        if (nesting >= kMaxNesting) return;
        std::string spare;
        MediaType media = ReadMediaType(block.ContentType(), spare);
        if (media.type.empty()) media.type = fallbackType;
        if (EqualsNoCase(media.type, "message/rfc822")) {
            Message(body, depth + 1, nesting + 1);
        } else if (StartsWithNoCase(media.type, "multipart/") && !media.boundary.empty()) {
            // A digest's parts are messages unless they say otherwise.
            const std::string_view partDefault = EqualsNoCase(media.type, "multipart/digest") ? "message/rfc822" : "";
            VisitParts(body, media.boundary, [&](std::string_view part) {
                const HeaderBlock partHeaders = ReadHeaderBlock(part, nullptr);
                Content(partHeaders, part.substr(partHeaders.bodyStart), depth, nesting + 1, partDefault);
            });
        }
    }

    const HeaderVisitor& visit_;
    const FieldFilter& wanted_;
    int blocks_ = 0;
};

}  // namespace

void VisitMessageHeaders(std::string_view message, const HeaderVisitor& visit, const FieldFilter& wanted) {
    HeaderWalk(visit, wanted).Message(message, 0, 0);
}

}  // namespace mirelo
