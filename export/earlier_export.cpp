#include "export/earlier_export.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"

namespace mirelo {

namespace {

// The fields of the CSV line at text[at]; at moves past its line end. Quoted fields may
// hold commas, doubled quotes and line ends.
std::vector<std::string> NextRow(std::string_view text, std::size_t& at) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (at + 1 < text.size() && text[at + 1] == '"') {
                fields.back() += '"';
                ++at;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            ++at;
            break;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

std::size_t EmailColumn(const std::vector<std::string>& header) {
    for (const std::string_view name : {"email", "e-mail address", "e-mail 1 - value"}) {
        const auto found = std::find_if(header.begin(), header.end(),
                                        [&](const std::string& field) { return EqualsNoCase(field, name); });
        if (found != header.end()) return static_cast<std::size_t>(found - header.begin());
    }
    return 0;
}

}  // namespace

std::unordered_set<std::string> AddressesOfEarlierExport(std::string_view csv) {
    if (csv.substr(0, 3) == "\xEF\xBB\xBF") csv.remove_prefix(3);
    std::size_t at = 0;
    const std::vector<std::string> header = NextRow(csv, at);
    const std::size_t column = EmailColumn(header);
    std::unordered_set<std::string> addresses;
    // A list without a header line still counts from its first line.
    if (header.size() <= column || header[column].find('@') != std::string::npos) at = 0;
    while (at < csv.size()) {
        const std::vector<std::string> row = NextRow(csv, at);
        if (column < row.size() && !row[column].empty()) addresses.insert(FoldedAscii(row[column]));
    }
    return addresses;
}

int DeleteSurvivors(AddressList& list, const std::function<bool(const AddressRecord&)>& unwanted) {
    int deleted = 0;
    for (int i = 0; i < list.Count(); ++i) {
        AddressRecord& record = *list.At(i);
        if (record.duplicate || record.deleted || !unwanted(record)) continue;
        record.deleted = 1;
        ++deleted;
    }
    return deleted;
}

}  // namespace mirelo
