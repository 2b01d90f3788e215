#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/formats/contact.h"
#include "facts/address_facts.h"
#include "scan/address_list.h"

namespace mirelo {

enum class FormatKind { Csv, Rfc4180, Vcard, GoogleCsv, OutlookCsv, Json };

struct ExportFormat {
    FormatKind kind = FormatKind::Csv;
    bool bom = false;
    std::vector<Column> columns;  // csv and rfc4180; none means email, name and notes
};

// What a save dialog with a type list gives.
struct SaveChoice {
    std::string path;
    FormatKind format = FormatKind::Csv;
};

// "csv", "rfc4180", "vcard", "google-csv", "outlook-csv", "json".
std::optional<FormatKind> FormatNamed(std::string_view name);
// What a file name without extension gets: ".CSV", ".vcf" or ".json".
std::string_view FormatExtension(FormatKind kind);

// The list as it has always been written: the record's bytes, no other column.
bool IsOriginalCsv(const ExportFormat& format);
bool NeedsDates(const ExportFormat& format);
bool NeedsFacts(const ExportFormat& format);

// Writes the records that are neither duplicates nor deleted, in list order, with their
// facts where facts is given. Gives how many. The original CSV of a long list takes two
// threads when given two.
Result<int> WriteContacts(std::FILE* out, const AddressList& list, const FactsTable* facts, const ExportFormat& format,
                          unsigned threads = 1);

}  // namespace mirelo
