#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class RowAccess;

// Position of the first occurrence of pattern in text, comparing bytes with ASCII
// letters folded; an empty pattern is found at 0.
std::optional<std::size_t> ContainsNoCase(std::string_view text, std::string_view pattern);

// Selects exactly the rows whose email, name or mailbox contains pattern, ignoring case,
// and scrolls the first of them fully into view. Without a pattern (a text that no record
// can hold) every row is deselected.
void SelectMatchingRows(RowAccess& rows, const std::optional<std::string>& pattern);
