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
    ExportFormat format;
    if (askFlag || path.empty()) {
        std::optional<SaveChoice> chosen;
        if (askFlag && !sortFlag)
            chosen = host.AskSaveAsPath(path);
        else if (std::optional<std::string> plain = host.AskSavePath(path))
            chosen = SaveChoice{*plain};
        if (!chosen) return false;
        path = chosen->path;
        format.kind = chosen->format;
        // Save goes on writing the plain list, so a file of another format is no place for it.
        if (IsOriginalCsv(format)) host.RememberSavePath(path);
    }

    const std::string target = CsvTargetFor(path, FormatExtension(format.kind));
    const Result<int> uniqueCount =
        WriteOutputFile(target, [&](std::FILE* out) { return WriteContacts(out, list, nullptr, format); });
    if (!uniqueCount.Ok()) {
        host.ShowWriteFailure(uniqueCount.Error().message, uniqueCount.Error().reason);
        return false;
    }
    host.ShowStatus(CountsText(list.Count(), uniqueCount.Value()));
    host.KeepAlive();
    if (sortFlag) host.OpenForEditing(target);
    return true;
}

}  // namespace mirelo
