#include "headers/encoded_words.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/windows1252.h"
#include "headers/transfer_decoding.h"

namespace mirelo {

namespace {

struct EncodedWord {
    std::size_t begin = 0;
    std::size_t end = 0;  // past the closing "?="
    std::string charset;  // small letters, without an RFC 2231 language
    std::string bytes;
};

// The word that starts at line[at] ("=?"), if one does.
std::optional<EncodedWord> WordAt(std::string_view line, std::size_t at) {
    const std::size_t charsetEnd = line.find('?', at + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= line.size() || line[charsetEnd + 2] != '?')
        return std::nullopt;
    const std::size_t textBegin = charsetEnd + 3;
    const std::size_t textEnd = line.find("?=", textBegin);
    if (textEnd == std::string_view::npos) return std::nullopt;
    const std::string_view text = line.substr(textBegin, textEnd - textBegin);
    if (text.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
    const unsigned char encoding = FoldAscii(static_cast<unsigned char>(line[charsetEnd + 1]));
    const std::optional<std::string> bytes = encoding == 'q' ? DecodeQ(text) : encoding == 'b' ? DecodeBase64(text) : std::nullopt;
    if (!bytes) return std::nullopt;
    std::string_view charset = line.substr(at + 2, charsetEnd - at - 2);
    charset = charset.substr(0, charset.find('*'));
    return EncodedWord{at, textEnd + 2, FoldedAscii(charset), *bytes};
}

// Characters from one charset's bytes; none for a charset not read here or bytes that
// are not valid in it.
std::optional<std::u32string> CharactersOf(const std::string& charset, std::string_view bytes) {
    std::u32string characters;
    if (charset == "utf-8" || charset == "utf8") {
        if (!IsValidUtf8(bytes)) return std::nullopt;
        for (std::size_t i = 0; i < bytes.size();) {
            const auto lead = static_cast<unsigned char>(bytes[i]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t character = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t k = 1; k < length; ++k)
                character = (character << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3Fu);
            characters += character;
            i += length;
        }
        return characters;
    }
    const bool latin1 = charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii";
    const bool cp1252 = charset == "windows-1252" || charset == "cp1252";
    const bool latin9 = charset == "iso-8859-15";
    if (!latin1 && !cp1252 && !latin9) return std::nullopt;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t character = cp1252 ? Windows1252Character(byte) : char32_t{byte};
        if (latin9) {
            // Latin-9 differs from Latin-1 in eight places.
            constexpr std::pair<unsigned char, char32_t> kLatin9[] = {{0xA4, 0x20AC}, {0xA6, 0x160}, {0xA8, 0x161},
                                                                      {0xB4, 0x17D},  {0xB8, 0x17E}, {0xBC, 0x152},
                                                                      {0xBD, 0x153},  {0xBE, 0x178}};
            for (const auto& [from, to] : kLatin9)
                if (byte == from) character = to;
        }
        characters += character;
    }
    return characters;
}

// The run's text as Windows-1252 bytes, or none when a part of it cannot be.
std::optional<std::string> RunText(const std::vector<EncodedWord>& run) {
    std::string text;
    for (std::size_t first = 0; first < run.size();) {
        std::size_t last = first;
        std::string bytes;
        while (last < run.size() && run[last].charset == run[first].charset) bytes += run[last++].bytes;
        const std::optional<std::u32string> characters = CharactersOf(run[first].charset, bytes);
        if (!characters) return std::nullopt;
        for (const char32_t character : *characters) {
            const std::optional<unsigned char> byte = Windows1252Byte(character);
            if (!byte) return std::nullopt;
            text += static_cast<char>(*byte);
        }
        first = last;
    }
    return text;
}

bool OnlyWhiteSpace(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

void DecodeEncodedWords(std::string& line) {
    std::string decoded;
    std::size_t copied = 0;
    std::size_t at = line.find("=?");
    while (at != std::string::npos) {
        std::vector<EncodedWord> run;
        for (std::optional<EncodedWord> word = WordAt(line, at); word; word = WordAt(line, at)) {
            if (!run.empty() && !OnlyWhiteSpace(std::string_view(line).substr(run.back().end, word->begin - run.back().end)))
                break;
            run.push_back(*word);
            at = line.find("=?", word->end);
            if (at == std::string::npos) break;
        }
        if (run.empty()) {
            at = line.find("=?", at + 2);
            continue;
        }
        if (const std::optional<std::string> text = RunText(run)) {
            decoded.append(line, copied, run.front().begin - copied).append(*text);
            copied = run.back().end;
        }
    }
    if (copied == 0) return;
    line = decoded.append(line, copied, std::string::npos);
}

}  // namespace mirelo
