#pragma once

#include <optional>
#include <string>

#include "export/formats/export_format.h"
#include "scan/address_list.h"
#include "sources/extraction_observer.h"

namespace mirelo {

// What the export needs from the user interface: the remembered output path, the save
// dialog, the error message, the rows of the list and opening the written file.
class ExportHost : public ExtractionObserver {
public:
    // Called between export steps: let the window repaint and take input.
    virtual void KeepAlive() = 0;
    virtual std::string RememberedSavePath() = 0;
    virtual void RememberSavePath(const std::string& path) = 0;
    // The save dialog preloaded with path; nothing when the user cancels.
    virtual std::optional<std::string> AskSavePath(const std::string& preload) = 0;
    // Save As: the save dialog with a type list of every format, the plain CSV first.
    virtual std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) {
        std::optional<std::string> path = AskSavePath(preload);
        if (!path) return std::nullopt;
        return SaveChoice{*path};
    }
    // The output could not be written: "Unable to open output file PATH" (or "Unable to
    // write ...") and the system's reason.
    virtual void ShowWriteFailure(const std::string& failure, const std::string& reason) = 0;
    // Shows the records that are not duplicates, in list order.
    virtual void RefillRows(AddressList& list) = 0;
    // After an extraction's export: open the written file for review.
    virtual void OpenForEditing(const std::string& path) = 0;
};

// Ends an extraction (sortFlag set: sort, mark duplicates, shorten the shown mailbox
// texts by rootText, refill the rows, open the file) or carries out Save / Save As
// (sortFlag clear). askFlag shows the save dialog even when a path is remembered; only
// Save As offers the other formats.
// True when the CSV file was written; the caller then clears the modified flag.
bool SortAndExport(AddressList& list, const std::string& rootText, bool sortFlag, bool askFlag,
                   ExportHost& host);

}  // namespace mirelo
