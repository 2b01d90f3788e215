#include "export/earlier_table.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/ascii.h"

namespace mirelo {

namespace {

using Row = std::vector<std::string>;

// The cells of the row at text[at]; at moves past its line end.
Row NextRow(std::string_view text, std::size_t& at, char delimiter) {
    Row cells(1);
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c != '"') {
                cells.back() += c;
            } else if (at + 1 < text.size() && text[at + 1] == '"') {
                cells.back() += '"';
                ++at;
            } else {
                quoted = false;
            }
        } else if (c == '"' && cells.back().find_first_not_of(" \t") == std::string::npos) {
            quoted = true;  // only at a cell's start: the plain csv writes a name's quotes as they are
        } else if (c == delimiter) {
            cells.emplace_back();
        } else if (c == '\n' || c == '\r') {
            at += (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ? 2 : 1;
            break;
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::vector<Row> Rows(std::string_view text, char delimiter) {
    std::vector<Row> rows;
    for (std::size_t at = 0; at < text.size();) {
        Row row = NextRow(text, at, delimiter);
        if (row.size() > 1 || !CleanedAddress(row.front()).empty()) rows.push_back(std::move(row));
    }
    return rows;
}

char DelimiterOf(std::string_view text) {
    const std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
    std::array<std::size_t, 3> counts{};
    constexpr std::array<char, 3> kDelimiters = {',', ';', '\t'};
    bool quoted = false;
    for (const char c : firstLine) {
        if (c == '"') quoted = !quoted;
        for (std::size_t i = 0; i < kDelimiters.size() && !quoted; ++i) counts[i] += c == kDelimiters[i];
    }
    return kDelimiters[static_cast<std::size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin())];
}

std::optional<std::size_t> NamedAddressColumn(const Row& header) {
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string_view name = CleanedAddress(header[column]);
        for (const std::string_view known : {"email", "e-mail", "email address", "e-mail address", "e-mail 1 - value"})
            if (EqualsNoCase(name, known)) return column;
    }
    return std::nullopt;
}

std::size_t AddressesIn(const std::vector<Row>& rows, std::size_t column) {
    return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [&](const Row& row) {
        return column < row.size() && LooksLikeAddress(CleanedAddress(row[column]));
    }));
}

std::size_t FullestColumn(const std::vector<Row>& rows) {
    std::size_t widest = 0;
    for (const Row& row : rows) widest = std::max(widest, row.size());
    std::size_t fullest = 0;
    for (std::size_t column = 1; column < widest; ++column)
        if (AddressesIn(rows, column) > AddressesIn(rows, fullest)) fullest = column;
    return fullest;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

bool LooksLikeAddress(std::string_view cell) {
    const std::size_t at = cell.rfind('@');
    return at != std::string_view::npos && at > 0 && at + 1 < cell.size() &&
           std::none_of(cell.begin(), cell.end(), IsBlank);
}

std::string_view CleanedAddress(std::string_view cell) {
    cell = Trimmed(cell);
    const std::size_t open = cell.rfind('<');
    if (open != std::string_view::npos && cell.back() == '>') cell = Trimmed(cell.substr(open + 1, cell.size() - open - 2));
    return cell;
}

Table ReadTable(std::string_view text) {
    Table table{Rows(text, DelimiterOf(text))};
    if (table.rows.empty()) return table;
    const std::optional<std::size_t> named = NamedAddressColumn(table.rows.front());
    table.addressColumn = named ? *named : FullestColumn(table.rows);
    return table;
}

std::vector<std::string> AddressCellsOfTable(std::string_view text) {
    const Table table = ReadTable(text);
    // A header line gives no address, so it need not be told from a first line of data.
    std::vector<std::string> cells;
    for (const Row& row : table.rows)
        if (table.addressColumn < row.size()) cells.push_back(row[table.addressColumn]);
    return cells;
}

}  // namespace mirelo
