#include "headers/header_text.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "headers/charset.h"
#include "base/ascii.h"
#include "base/windows1252.h"
#include "headers/transfer_decoding.h"

namespace mirelo {

namespace {

struct EncodedWord {
    std::size_t end = 0;  // past the closing "?="
    std::string_view charset;
    std::optional<std::string> bytes;  // none when the encoding is broken
};

// Padding may be missing; anything but padding after the data, or a lone last
// character, is broken.
std::optional<std::string> DecodeB(std::string_view text) {
    const std::size_t padding = text.find('=');
    if (padding != std::string_view::npos) {
        if (text.find_first_not_of('=', padding) != std::string_view::npos) return std::nullopt;
        text = text.substr(0, padding);
    }
    if (text.size() % 4 == 1) return std::nullopt;
    return DecodeBase64(text);
}

// The word "=?charset?B?text?=" (or Q) that starts at raw[at], if one does.
std::optional<EncodedWord> WordAt(std::string_view raw, std::size_t at) {
    if (raw.compare(at, 2, "=?") != 0) return std::nullopt;
    const std::size_t charsetEnd = raw.find('?', at + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= raw.size() || raw[charsetEnd + 2] != '?')
        return std::nullopt;
    const std::size_t textBegin = charsetEnd + 3;
    const std::size_t textEnd = raw.find("?=", textBegin);
    if (textEnd == std::string_view::npos) return std::nullopt;
    const std::string_view text = raw.substr(textBegin, textEnd - textBegin);
    if (text.find_first_of(" \t\r\n") != std::string_view::npos) return std::nullopt;
    std::string_view charset = raw.substr(at + 2, charsetEnd - at - 2);
    charset = charset.substr(0, charset.find('*'));  // RFC 2231's language
    const unsigned char encoding = FoldAscii(static_cast<unsigned char>(raw[charsetEnd + 1]));
    if (encoding != 'q' && encoding != 'b') return std::nullopt;
    return EncodedWord{textEnd + 2, charset, encoding == 'q' ? DecodeQ(text) : DecodeB(text)};
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void AppendCharacter(std::string& out, char32_t c) { AppendUtf8(out, IsControl(c) ? U' ' : c); }

// Text outside encoded words: each valid UTF-8 sequence as it is, any other byte as its
// Windows-1252 character.
void AppendRawText(std::string& out, std::string_view raw) {
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t length = Utf8SequenceLength(raw, i);
        if (length <= 1) {
            AppendCharacter(out, Windows1252Character(static_cast<unsigned char>(raw[i])));
            ++i;
        } else if (length == 2 && static_cast<unsigned char>(raw[i]) == 0xC2 &&
                   IsControl(static_cast<unsigned char>(raw[i + 1]))) {
            out += ' ';  // a C1 control in UTF-8
            i += 2;
        } else {
            out.append(raw, i, length);
            i += length;
        }
    }
}

// A run of adjacent words: bytes of one charset convert together; if that fails, each
// word converts on its own and those that fail drop out.
void AppendWordRun(std::string& out, const std::vector<EncodedWord>& run) {
    for (std::size_t first = 0; first < run.size();) {
        std::size_t last = first;
        std::string joined = run[first].bytes.value_or("");
        while (last + 1 < run.size() && EqualsNoCase(run[last + 1].charset, run[first].charset)) {
            ++last;
            joined += run[last].bytes.value_or("");
        }
        const bool allDecoded = std::all_of(run.begin() + static_cast<std::ptrdiff_t>(first),
                                            run.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                                            [](const EncodedWord& word) { return word.bytes.has_value(); });
        if (const std::optional<std::string> text = allDecoded ? ConvertToUtf8(run[first].charset, joined) : std::nullopt) {
            AppendRawText(out, *text);
        } else {
            for (std::size_t k = first; k <= last; ++k)
                if (run[k].bytes)
                    if (const std::optional<std::string> one = ConvertToUtf8(run[k].charset, *run[k].bytes))
                        AppendRawText(out, *one);
        }
        first = last + 1;
    }
}

}  // namespace

std::string DecodeHeaderText(std::string_view raw) {
    std::string out;
    std::vector<EncodedWord> run;
    std::size_t plainStart = 0;
    for (std::size_t at = raw.find("=?"); at != std::string_view::npos; at = raw.find("=?", at)) {
        std::optional<EncodedWord> word = WordAt(raw, at);
        if (!word) {
            at += 2;
            continue;
        }
        // White space between two encoded words belongs to neither.
        const std::string_view between = raw.substr(plainStart, at - plainStart);
        const bool adjacent = !run.empty() && between.find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (!adjacent) {
            AppendWordRun(out, run);
            run.clear();
            AppendRawText(out, between);
        }
        run.push_back(*word);
        plainStart = at = word->end;
    }
    AppendWordRun(out, run);
    AppendRawText(out, raw.substr(plainStart));
    return out;
}

}  // namespace mirelo
