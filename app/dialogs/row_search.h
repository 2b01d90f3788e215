#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

namespace mirelo {

class RowAccess;

// Position of the first occurrence of pattern in text, comparing bytes with ASCII
// letters folded; an empty pattern is found at 0.
std::optional<std::size_t> ContainsNoCase(std::string_view text, std::string_view pattern);

// Selects exactly the rows whose email, name or mailbox, as the column shows it, contains
// text, ignoring the case of ASCII letters, and scrolls the first of them fully into view.
void SelectMatchingRows(RowAccess& rows, const QString& text);

}  // namespace mirelo
