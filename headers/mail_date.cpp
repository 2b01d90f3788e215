#include "headers/mail_date.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/ascii.h"

namespace mirelo {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

struct NamedZone {
    std::string_view name;
    int minutes;
};

// RFC 5322's obsolete zones, the other North American ones and the European ones that
// mail clients wrote anyway.
constexpr NamedZone kNamedZones[] = {
    {"ut", 0},       {"utc", 0},      {"gmt", 0},      {"z", 0},        {"est", -300},
    {"edt", -240},   {"cst", -360},   {"cdt", -300},   {"mst", -420},   {"mdt", -360},
    {"pst", -480},   {"pdt", -420},   {"ast", -240},   {"adt", -180},   {"nst", -210},
    {"ndt", -150},   {"akst", -540},  {"akdt", -480},  {"hst", -600},   {"hdt", -540},
    {"cet", 60},     {"cest", 120},   {"met", 60},     {"mest", 120},   {"bst", 60},
    {"eet", 120},    {"eest", 180},
};

struct Parts {
    int year = -1;
    int month = -1;  // 1 to 12
    int day = -1;
    int minutesOfDay = 0;
    int zoneMinutes = 0;
    bool zoneMalformed = false;  // such as +9999: the date would be wrong rather than unknown
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

int Number(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// Comments in parentheses go; commas and dashes between the date's parts split like spaces
// (a leading sign stays: it is a zone).
// At most this many parts are read; a date has seven at most, comments aside.
constexpr std::size_t kMaxTokens = 16;
using TokenList = std::pair<std::array<std::string_view, kMaxTokens>, std::size_t>;

TokenList Tokens(std::string_view value, std::string& buffer) {
    buffer.clear();
    int depth = 0;
    for (const char c : value) {
        if (c == '(') ++depth;
        const bool separator = depth > 0 || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (c == ')' && depth > 0) --depth;
        const bool dash = c == '-' && !buffer.empty() && buffer.back() != ' ';
        buffer += (separator || dash) ? ' ' : c;
    }
    TokenList tokens{};
    std::string_view rest = buffer;
    while (!rest.empty() && tokens.second < kMaxTokens) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        tokens.first[tokens.second++] = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    return tokens;
}

std::optional<int> MonthNamed(std::string_view token) {
    if (token.size() < 3) return std::nullopt;
    const std::string prefix = FoldedAscii(token.substr(0, 3));
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (prefix == kMonths[i]) return static_cast<int>(i) + 1;
    return std::nullopt;
}

// "12:34" or "12:34:56", split at its first colon; seconds do not move the day.
std::optional<int> MinutesOfDay(std::string_view hours, std::string_view afterColon) {
    const std::string_view minutes = afterColon.substr(0, afterColon.find(':'));
    if (!AllDigits(hours) || !AllDigits(minutes) || hours.size() > 2 || minutes.size() != 2) return std::nullopt;
    const int h = Number(hours);
    const int m = Number(minutes);
    if (h > 23 || m > 59) return std::nullopt;
    return h * 60 + m;
}

// "+0530" or "+05:30"; a malformed one reads as nothing but is noted.
bool IsNumericZone(std::string_view token) {
    if (token[0] != '+' && token[0] != '-') return false;
    const std::string_view digits = token.substr(1);
    return (digits.size() == 4 && AllDigits(digits)) ||
           (digits.size() == 5 && digits[2] == ':' && AllDigits(digits.substr(0, 2)) && AllDigits(digits.substr(3)));
}

std::optional<int> NumericZoneMinutes(std::string_view token) {
    const int hours = Number(token.substr(1, 2));
    const int minutes = Number(token.substr(token.size() - 2));
    if (hours > 23 || minutes > 59) return std::nullopt;
    return token[0] == '-' ? -(hours * 60 + minutes) : hours * 60 + minutes;
}

std::optional<int> ZoneMinutes(std::string_view token) {
    const std::string folded = FoldedAscii(token);
    for (const NamedZone& zone : kNamedZones)
        if (folded == zone.name) return zone.minutes;
    return std::nullopt;
}

// Two-digit years as RFC 5322 reads them; three digits count from 1900.
int FullYear(std::string_view digits) {
    const int year = Number(digits);
    if (digits.size() == 2) return year < 50 ? 2000 + year : 1900 + year;
    if (digits.size() == 3) return 1900 + year;
    return year;
}

void TakeNumber(std::string_view token, Parts& parts) {
    if (token.size() > 2 || parts.day >= 0) {
        if (parts.year < 0 && token.size() <= 4) parts.year = FullYear(token);
    } else {
        parts.day = Number(token);
    }
}

// "2001-01-31" comes apart at its dashes; its order is fixed.
bool IsIsoOrder(const TokenList& tokens) {
    const auto& [token, count] = tokens;
    return count >= 3 && token[0].size() == 4 && AllDigits(token[0]) && AllDigits(token[1]) && AllDigits(token[2]);
}

Parts ReadParts(std::string_view value) {
    thread_local std::string buffer;  // kept, so that a date costs no allocation
    const TokenList tokens = Tokens(value, buffer);
    const auto& [list, count] = tokens;
    Parts parts;
    std::size_t next = 0;
    if (IsIsoOrder(tokens)) {
        parts.year = Number(list[0]);
        parts.month = Number(list[1]);
        parts.day = Number(list[2]);
        next = 3;
    }
    for (; next < count; ++next) {
        const std::string_view token = list[next];
        if (AllDigits(token)) {
            TakeNumber(token, parts);
        } else if (IsNumericZone(token)) {
            const std::optional<int> zone = NumericZoneMinutes(token);
            parts.zoneMinutes = zone.value_or(0);
            parts.zoneMalformed = parts.zoneMalformed || !zone;
        } else if (const std::size_t colon = token.find(':'); colon != std::string_view::npos) {
            parts.minutesOfDay = MinutesOfDay(token.substr(0, colon), token.substr(colon + 1)).value_or(0);
        } else if (const std::optional<int> zone = ZoneMinutes(token)) {
            parts.zoneMinutes = *zone;
        } else if (const std::optional<int> month = MonthNamed(token); month && parts.month < 0) {
            parts.month = *month;
        }
    }
    return parts;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

constexpr int kFirstYear = 1000;
constexpr int kLastYear = 9999;
constexpr std::int64_t kMinutesPerDay = 1440;  // minutes reach past 32 bits by year 6000

MailDay DayOfParts(const Parts& parts) {
    if (parts.zoneMalformed || parts.year < kFirstYear || parts.year > kLastYear || parts.month < 1 ||
        parts.month > 12 || parts.day < 1 || parts.day > DaysInMonth(parts.year, parts.month))
        return kUnknownDay;
    const std::int64_t minutes = DaysFromCivil(parts.year, parts.month, parts.day) * kMinutesPerDay + parts.minutesOfDay -
                         parts.zoneMinutes;
    // A clock that was never set shows the epoch in its own zone.
    if (minutes > -kMinutesPerDay && minutes < kMinutesPerDay) return kUnknownDay;
    const std::int64_t day = minutes >= 0 ? minutes / kMinutesPerDay : -((-minutes + kMinutesPerDay - 1) / kMinutesPerDay);
    return static_cast<MailDay>(day);
}

}  // namespace

MailDay DayOfDate(std::string_view value) { return DayOfParts(ReadParts(value)); }

MailDay DayOfSeparatorLine(std::string_view line) {
    constexpr std::string_view kSeparatorStart = "From ";
    if (line.substr(0, kSeparatorStart.size()) != kSeparatorStart) return kUnknownDay;
    line.remove_prefix(kSeparatorStart.size());
    const std::size_t afterSender = line.find(' ');
    return afterSender == std::string_view::npos ? kUnknownDay : DayOfDate(line.substr(afterSender));
}

std::string IsoDate(MailDay day) {
    if (day == kUnknownDay) return {};
    // Civil from days (Howard Hinnant's algorithm).
    const long z = long{day} + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long dayOfEra = z - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    const long dayOfMonth = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", year, month, dayOfMonth);
    return text;
}

}  // namespace mirelo
