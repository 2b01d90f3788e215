#include "dialogs/row_search.h"

#include <algorithm>

#include "row_access.h"
#include "scan/ascii.h"

namespace {

bool EqualNoCase(char a, char b) {
    return mirelo::FoldAscii(static_cast<unsigned char>(a)) ==
           mirelo::FoldAscii(static_cast<unsigned char>(b));
}

bool RecordContains(const mirelo::AddressRecord& record, const std::optional<std::string>& pattern) {
    return pattern && (ContainsNoCase(record.email, *pattern) || ContainsNoCase(record.name, *pattern) ||
                       ContainsNoCase(record.mailbox, *pattern));
}

}  // namespace

std::optional<std::size_t> ContainsNoCase(std::string_view text, std::string_view pattern) {
    const auto found = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                                   EqualNoCase);
    if (found == text.end() && !pattern.empty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - text.begin());
}

void SelectMatchingRows(RowAccess& rows, const std::optional<std::string>& pattern) {
    std::optional<int> firstMatch;
    const int rowCount = rows.RowCount();
    for (int row = 0; row < rowCount; ++row) {
        const bool matches = RecordContains(*rows.RowRecord(row), pattern);
        rows.SetRowSelected(row, matches);
        if (matches && !firstMatch) {
            firstMatch = row;
        }
    }
    if (firstMatch) {
        rows.EnsureRowFullyVisible(*firstMatch);
    }
}
