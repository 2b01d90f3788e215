#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirelo {

// The cells of the address column of a delimited table, as a spreadsheet or an address
// book saves it: the delimiter (comma, semicolon or tab) is the one the first line uses
// most; the column is the one whose header names an e-mail address, else the one that
// holds the most addresses.
// Lines end in LF, CR LF or CR alone; quoted cells may hold any of them.
std::vector<std::string> AddressCellsOfTable(std::string_view text);

// The same table whole: its rows, the header first, rows without content left out, and
// the index of its address column.
struct Table {
    std::vector<std::vector<std::string>> rows;
    std::size_t addressColumn = 0;
};
Table ReadTable(std::string_view text);

// Whether a cell, once cleaned, could be an address: text on both sides of an '@', no blank.
bool LooksLikeAddress(std::string_view cell);

// The address in a cell: blanks around it dropped, and of "Name <address>" the part
// in angle brackets.
std::string_view CleanedAddress(std::string_view cell);

}  // namespace mirelo
