#include "export/formats/contact.h"

#include <array>

namespace mirelo {

namespace {

constexpr std::array<std::string_view, 9> kColumnNames = {"email",  "name",       "notes",     "count",   "kinds",
                                                          "stores", "first_seen", "last_seen", "category"};

}  // namespace

std::string_view ColumnName(Column column) { return kColumnNames[static_cast<std::size_t>(column)]; }

std::string ColumnValue(const Contact& contact, Column column) {
    const AddressFacts* facts = contact.facts;
    switch (column) {
        case Column::Email: return contact.email;
        case Column::Name: return contact.name;
        case Column::Notes: return contact.notes;
        default: break;
    }
    if (!facts) return {};
    switch (column) {
        case Column::Count: return std::to_string(facts->count);
        case Column::Kinds: return KindsText(facts->kinds);
        case Column::Stores: return std::to_string(facts->stores);
        case Column::FirstSeen: return IsoDate(facts->firstSeen);
        case Column::LastSeen: return IsoDate(facts->lastSeen);
        default: return std::string(CategoryName(facts->category));
    }
}

Result<std::vector<Column>> ParseColumns(std::string_view list) {
    std::vector<Column> columns;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        std::size_t index = 0;
        while (index < kColumnNames.size() && kColumnNames[index] != name) ++index;
        if (index == kColumnNames.size()) return Failure{"unknown column '" + std::string(name) + "'"};
        columns.push_back(static_cast<Column>(index));
        if (comma == std::string_view::npos) return columns;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace mirelo
