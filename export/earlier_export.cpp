#include "export/earlier_export.h"

#include <vector>

#include "base/ascii.h"
#include "base/text_file_encoding.h"
#include "export/earlier_contact_files.h"
#include "export/earlier_table.h"

namespace mirelo {

namespace {

std::vector<std::string> AddressCells(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return {};
    if (text[start] == '[' || text[start] == '{') return EmailValuesOfJson(text);
    if (EqualsNoCase(text.substr(start, 11), "begin:vcard")) return EmailValuesOfVcards(text);
    return AddressCellsOfTable(text);
}

}  // namespace

std::unordered_set<std::string> AddressesOfEarlierExport(std::string_view bytes) {
    std::unordered_set<std::string> addresses;
    for (const std::string& cell : AddressCells(TextAsUtf8(bytes))) {
        const std::string_view address = CleanedAddress(cell);
        if (LooksLikeAddress(address)) addresses.insert(FoldedAscii(address));
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
