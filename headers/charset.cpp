#include "headers/charset.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/windows1252.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace mirelo {

namespace {

// A name from a mail header reaches the converter only when it is a plain charset name:
// suffixes such as "//IGNORE" would change how the converter treats bad bytes.
bool IsPlainCharsetName(std::string_view name) {
    return !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
}

#ifdef _WIN32

struct CodePageName {
    std::string_view name;
    UINT codePage;
};

// Windows converts by code page; these are the MIME names mail uses for them. EUC-KR
// reads as its superset 949, which every Windows has.
constexpr CodePageName kCodePages[] = {
    {"utf-8", 65001},        {"utf8", 65001},         {"us-ascii", 20127},     {"ascii", 20127},
    {"iso-8859-1", 28591},   {"latin1", 28591},       {"iso-8859-2", 28592},   {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},   {"iso-8859-5", 28595},   {"iso-8859-6", 28596},   {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},   {"iso-8859-8-i", 38598}, {"iso-8859-9", 28599},   {"iso-8859-11", 874},
    {"iso-8859-13", 28603},  {"iso-8859-15", 28605},  {"windows-1250", 1250},  {"windows-1251", 1251},
    {"windows-1252", 1252},  {"windows-1253", 1253},  {"windows-1254", 1254},  {"windows-1255", 1255},
    {"windows-1256", 1256},  {"windows-1257", 1257},  {"windows-1258", 1258},  {"cp1250", 1250},
    {"cp1251", 1251},        {"cp1252", 1252},        {"koi8-r", 20866},       {"koi8-u", 21866},
    {"cp866", 866},          {"ibm866", 866},         {"tis-620", 874},        {"iso-2022-jp", 50220},
    {"shift_jis", 932},      {"shift-jis", 932},      {"sjis", 932},           {"x-sjis", 932},
    {"cp932", 932},          {"euc-jp", 20932},       {"euc-kr", 949},         {"ks_c_5601-1987", 949},
    {"cp949", 949},          {"iso-2022-kr", 50225},  {"gb2312", 936},         {"gbk", 936},
    {"cp936", 936},          {"euc-cn", 936},         {"gb18030", 54936},      {"big5", 950},
    {"cp950", 950},          {"hz-gb-2312", 52936},
};

// These code pages refuse MB_ERR_INVALID_CHARS.
bool TakesNoFlags(UINT codePage) {
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
           (codePage >= 57002 && codePage <= 57011) || codePage == 65000;
}

std::optional<std::string> Convert(std::string_view charset, std::string_view bytes) {
    const std::string folded = FoldedAscii(charset);
    const auto known = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                                    [&](const CodePageName& entry) { return entry.name == folded; });
    if (known == std::end(kCodePages)) return std::nullopt;
    if (bytes.empty()) return std::string();
    const DWORD flags = TakesNoFlags(known->codePage) ? 0 : MB_ERR_INVALID_CHARS;
    const int size = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(known->codePage, flags, bytes.data(), size, nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(known->codePage, flags, bytes.data(), size, wide.data(), wideLength);
    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), utf8Length, nullptr, nullptr);
    return text;
}

#else

class Converter {
public:
    explicit Converter(const std::string& charset) : handle_(iconv_open("UTF-8", charset.c_str())) {}
    ~Converter() {
        if (Ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Fails on a byte sequence that is invalid or cut off at the end.
    std::optional<std::string> Run(std::string_view bytes) {
        std::string text;
        char buffer[1024];
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        for (bool flushing = false;;) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = flushing ? iconv(handle_, nullptr, nullptr, &out, &outLeft)
                                              : iconv(handle_, &in, &inLeft, &out, &outLeft);
            text.append(buffer, static_cast<std::size_t>(out - buffer));
            if (done != static_cast<std::size_t>(-1)) {
                if (flushing) return text;
                flushing = true;  // stateful charsets such as ISO-2022-JP end with a shift back
            } else if (errno != E2BIG) {
                return std::nullopt;
            }
        }
    }

private:
    iconv_t handle_;
};

std::optional<std::string> Convert(std::string_view charset, std::string_view bytes) {
    Converter converter{std::string(charset)};
    if (!converter.Ok()) return std::nullopt;
    return converter.Run(bytes);
}

#endif

}  // namespace

std::optional<std::string> ConvertToUtf8(std::string_view charset, std::string_view bytes) {
    if (!IsPlainCharsetName(charset)) return std::nullopt;
    // Most encoded words are UTF-8 or ASCII: they need a check, not a converter.
    if (EqualsNoCase(charset, "utf-8") || EqualsNoCase(charset, "utf8") || EqualsNoCase(charset, "us-ascii")) {
        const bool valid = EqualsNoCase(charset, "us-ascii")
                               ? std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })
                               : IsValidUtf8(bytes);
        return valid ? std::optional<std::string>(bytes) : std::nullopt;
    }
    std::optional<std::string> text = Convert(charset, bytes);
    // The system's UTF-8 decoder may let surrogates or overlong forms through.
    if (text && !IsValidUtf8(*text)) return std::nullopt;
    return text;
}

}  // namespace mirelo
