#include "cli/run_extract.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "export/csv_file.h"
#include "export/record_order.h"
#include "export/sort_and_export.h"
#include "scan/native_path.h"
#include "sources/extraction.h"
#include "sources/folder_walk.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

// The command line's side of an extraction: the status lines go to standard error, the
// output path is the one given, and nothing is asked or opened.
class CommandLineHost : public ExportHost {
public:
    CommandLineHost(const ExtractOptions& options, std::FILE* err) : options_(options), err_(err) {}

    void EchoStatus(bool echo) { echoStatus_ = echo; }
    bool NothingRead() const { return nothingRead_; }
    const std::string& LastStatus() const { return lastStatus_; }

    void ShowStatus(const std::string& text) override {
        lastStatus_ = text;
        if (echoStatus_) Say(text);
    }
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string& reason) override {
        std::fprintf(err_, "%s: skipped: %s\n", path.c_str(), reason.c_str());
    }
    void ReportNotice(const std::string& path, const std::string& note) override {
        std::fprintf(err_, "%s: %s\n", path.c_str(), note.c_str());
    }
    void ReportNothingRead(const std::string& message) override {
        std::fprintf(err_, "mirelo-extract: %s\n", message.c_str());
        nothingRead_ = true;
    }
    std::string RememberedSavePath() override { return options_.output.value_or(""); }
    void RememberSavePath(const std::string&) override {}
    std::optional<std::string> AskSavePath(const std::string&) override { return std::nullopt; }
    void ShowWriteFailure(const std::string& failure, const std::string& reason) override {
        std::fprintf(err_, "%s: %s\n", failure.c_str(), reason.c_str());
    }
    void RefillRows(AddressList&) override {}
    void OpenForEditing(const std::string&) override {}

    void Say(const std::string& line) {
        if (!options_.quiet) std::fprintf(err_, "%s\n", line.c_str());
    }

private:
    const ExtractOptions& options_;
    std::FILE* err_;
    bool echoStatus_ = true;
    bool nothingRead_ = false;
    std::string lastStatus_;
};

// The folder as a folder browser returns it: no trailing separator but for a root.
std::string ChosenFolder(std::string folder) {
    folder = AbsoluteIfDriveRelative(folder);
    const auto isDriveRoot = [&] { return folder.size() == 3 && folder[1] == ':'; };
    while (folder.size() > 1 && IsPathSeparator(folder.back()) && !isDriveRoot()) folder.pop_back();
    return folder;
}

bool WriteToStream(AddressList& list, const std::string& rootText, std::FILE* out, CommandLineHost& host,
                   std::FILE* err) {
    OrderExtractionResult(list, rootText);
    const int unique = WriteCsvLines(out, list);
    if (unique < 0 || std::fflush(out) != 0) {
        std::fprintf(err, "Unable to write the CSV to standard output: %s\n", std::strerror(errno));
        return false;
    }
    host.ShowStatus(CountsText(list.Count(), unique));
    return true;
}

// Keeps a walk quiet, and ends it once a store is found.
class QuietWalkObserver : public ExtractionObserver {
public:
    bool found = false;
    void ShowStatus(const std::string&) override {}
    void KeepAlive() override {}
    void ReportProblem(const std::string&, const std::string&) override {}
    void ReportNothingRead(const std::string&) override {}
    bool StopRequested() override { return found; }
};

bool HoldsStores(const std::string& folder, std::string_view extension) {
    QuietWalkObserver finder;
    WalkFolderForStores(folder, extension, finder, [&](const std::string&) { finder.found = true; });
    return finder.found;
}

// An empty result from a folder without a single store most likely means the wrong
// folder or the wrong command.
void ExplainEmptyResult(MailSource source, const std::string& folder, const std::string& rootText,
                        std::FILE* err) {
    const bool eudora = source == MailSource::Eudora;
    if (HoldsStores(rootText, eudora ? ".mbx" : ".dbx")) return;
    const std::string walkedFolder = eudora ? folder : FolderOf(rootText);
    std::fprintf(err, "mirelo-extract: no mailboxes found under %s", walkedFolder.c_str());
    if (eudora && HoldsStores(rootText, ".dbx")) std::fputs("; it holds Outlook Express stores: try --outlook", err);
    std::fputc('\n', err);
}

void ExplainEmptyResult(const StoreSelection& selection, const std::string& folder, const std::string& rootText,
                        std::FILE* err) {
    QuietWalkObserver quiet;
    if (ListMailStores(rootText, selection, quiet).empty())
        std::fprintf(err, "mirelo-extract: no mail stores found under %s\n", folder.c_str());
}

// The exit status when the folder cannot be read: a name that leads to no folder is a
// usage error.
int ReportUnreadableFolder(const UnreadableFolder& unreadable, std::FILE* err) {
    std::fprintf(err, "mirelo-extract: cannot read the folder %s: %s\n", unreadable.path.c_str(),
                 unreadable.error.message().c_str());
    const bool noFolder = unreadable.error == std::errc::no_such_file_or_directory ||
                          unreadable.error == std::errc::not_a_directory;
    if (!noFolder) return 1;
    std::fputs(kHelpHint, err);
    return 2;
}

}  // namespace

int RunExtract(const ExtractOptions& options, std::FILE* out, std::FILE* err) {
    const std::string folder = ChosenFolder(options.folder);
    const MailSource source =
        options.stores ? MailSource::AllMail : (options.outlook ? MailSource::Outlook : MailSource::Eudora);
    if (const auto unreadable = FindUnreadableFolder(source, folder)) return ReportUnreadableFolder(*unreadable, err);
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        SetKindEnabled(kind, options.kinds[static_cast<std::size_t>(kind)]);

    const std::string rootText = RootTextFor(source, folder);
    CommandLineHost host(options, err);
    AddressList list;
    ExtractionSettings settings;
    if (options.workers) settings.workers = *options.workers;
    if (options.stores) {
        ExtractAllMail(rootText, *options.stores, list, host, settings);
    } else {
        ExtractAddresses(source, rootText, list, host, settings);
    }
    if (host.NothingRead()) return 1;  // an empty list written out would pass for a result
    if (list.Count() == 0) {
        if (options.stores) {
            ExplainEmptyResult(*options.stores, folder, rootText, err);
        } else {
            ExplainEmptyResult(source, folder, rootText, err);
        }
    }

    host.EchoStatus(false);
    const bool written = options.output ? SortAndExport(list, rootText, true, false, host)
                                        : WriteToStream(list, rootText, out, host, err);
    if (!written) return 1;
    host.Say(host.LastStatus());
    return 0;
}

}  // namespace mirelo
