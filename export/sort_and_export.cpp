#include "export/sort_and_export.h"

#include "export/csv_file.h"
#include "export/record_order.h"

namespace mirelo {

bool SortAndExport(AddressList& list, const std::string& rootText, bool sortFlag, bool askFlag,
                   ExportHost& host) {
    if (sortFlag) {
        host.ShowStatus("Sorting");
        host.KeepAlive();
        OrderExtractionResult(list, rootText);
        host.RefillRows(list);
    }

    std::string path = host.RememberedSavePath();
    if (askFlag || path.empty()) {
        std::optional<std::string> chosen = host.AskSavePath(path);
        if (!chosen) return false;
        path = *chosen;
        host.RememberSavePath(path);
    }

    const std::string target = CsvTargetFor(path);
    const CsvWriteResult result = WriteCsvFile(target, list);
    if (!result.written) {
        host.ShowWriteFailure(result.failure, result.reason);
        return false;
    }
    host.ShowStatus(CountsText(list.Count(), result.uniqueCount));
    host.KeepAlive();
    if (sortFlag) host.OpenForEditing(target);
    return true;
}

}  // namespace mirelo
