#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace mirelo {

// The rank of each of count texts in CompareNoCase order: texts that differ only in the
// case of ASCII letters share a rank, and ranks are dense from 0. Sorting a million
// records by small integer keys instead of by comparing their strings keeps the sort in
// the cache. With two threads or more, a large table's halves are sorted on two threads;
// textAt must then be safe to call from both.
std::vector<std::uint32_t> RanksNoCase(std::size_t count, const std::function<std::string_view(std::size_t)>& textAt,
                                       unsigned threads = 1);

}  // namespace mirelo
