#include "saved_list_reader.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/text_file_encoding.h"
#include "export/earlier_table.h"
#include "scan/header_kinds.h"

namespace mirelo {

namespace {

using Row = std::vector<std::string>;

std::optional<std::size_t> ColumnNamed(const Row& header, std::initializer_list<std::string_view> names) {
    for (std::size_t column = 0; column < header.size(); ++column) {
        for (const std::string_view name : names)
            if (EqualsNoCase(CleanedAddress(header[column]), name)) return column;
    }
    return std::nullopt;
}

std::string_view CellOf(const Row& row, std::optional<std::size_t> column) {
    return column && *column < row.size() ? std::string_view(row[*column]) : std::string_view();
}

}  // namespace

std::optional<SavedList> ReadSavedList(std::string_view bytes) {
    const Table table = ReadTable(TextAsUtf8(bytes));
    if (table.rows.empty()) return std::nullopt;
    const Row& first = table.rows.front();
    const bool headed = !LooksLikeAddress(CleanedAddress(CellOf(first, table.addressColumn)));
    const Row header = headed ? first : Row();
    const std::optional<std::size_t> nameColumn = ColumnNamed(header, {"name", "display name", "full name"});
    const std::optional<std::size_t> notesColumn = ColumnNamed(header, {"notes", "note"});

    SavedList saved{std::make_unique<AddressList>()};
    saved.plainList = header == Row{"email", "name", "notes"};
    for (std::size_t i = headed ? 1 : 0; i < table.rows.size(); ++i) {
        const Row& row = table.rows[i];
        const std::string_view address = CleanedAddress(CellOf(row, table.addressColumn));
        if (!LooksLikeAddress(address)) continue;
        saved.list->Append(address, CellOf(row, nameColumn), CellOf(row, notesColumn), kFromKind);
    }
    if (saved.list->Count() == 0) return std::nullopt;
    return saved;
}

}  // namespace mirelo
