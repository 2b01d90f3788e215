#include "export/list_output.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/ascii.h"
#include "base/native_path.h"
#include "base/path_parts.h"
#include "export/csv_file.h"
#include "export/earlier_export.h"
#include "export/record_order.h"

namespace mirelo {

int OrderAndFilter(AddressList& list, const std::string& labelPrefix, const FactsTable* facts,
                   const ListFilter& filter, unsigned threads) {
    OrderExtractionResult(list, labelPrefix, threads);
    if (filter.drop.empty() && !filter.earlier) return 0;
    int earlier = 0;
    DeleteSurvivors(list, [&](const AddressRecord& record) {
        if (filter.earlier && filter.earlier->count(FoldedAscii(list.Email(record)))) {
            ++earlier;
            return true;
        }
        return facts && std::find(filter.drop.begin(), filter.drop.end(), facts->Of(record.email).category) !=
                            filter.drop.end();
    });
    return earlier;
}

std::string OutputFileFor(const std::string& path, FormatKind format) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(NativePath(path), error);
    const bool special = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
                         !std::filesystem::is_directory(status);
    return special ? path : WithExtensionIfNone(path, FormatExtension(format));
}

Result<int> WriteListFile(const std::string& path, const AddressList& list, const FactsTable* facts,
                          const ExportFormat& format, unsigned threads) {
    return WriteOutputFile(OutputFileFor(path, format.kind),
                           [&](std::FILE* out) { return WriteContacts(out, list, facts, format, threads); });
}

}  // namespace mirelo
