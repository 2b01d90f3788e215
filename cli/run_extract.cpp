#include "cli/run_extract.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_set>

#include "export/csv_file.h"
#include "export/earlier_export.h"
#include "export/formats/export_format.h"
#include "export/record_order.h"
#include "facts/address_facts.h"
#include "scan/ascii.h"
#include "scan/native_path.h"
#include "sources/extraction.h"
#include "sources/folder_walk.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

// The command line's side of an extraction: the status lines go to standard error, the
// output path is the one given, and nothing is asked or opened.
class CommandLineHost : public ExtractionObserver {
public:
    CommandLineHost(const ExtractOptions& options, std::FILE* err) : options_(options), err_(err) {}

    void EchoStatus(bool echo) { echoStatus_ = echo; }
    bool NothingRead() const { return nothingRead_; }
    const std::string& LastStatus() const { return lastStatus_; }

    void ShowStatus(const std::string& text) override {
        lastStatus_ = text;
        if (echoStatus_) Say(text);
    }
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

// What the options add to a plain extraction, read from the files they name.
struct ExtraInputs {
    std::vector<std::string> own;
    std::optional<std::unordered_set<std::string>> earlier;
};

std::optional<std::string> ReadWholeFile(const std::string& path, std::FILE* err) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path, "rb"), std::fclose);
    std::string text;
    char block[1 << 14];
    for (std::size_t got; file && (got = std::fread(block, 1, sizeof block, file.get())) > 0;) text.append(block, got);
    if (file && !std::ferror(file.get())) return text;
    std::fprintf(err, "mirelo-extract: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return std::nullopt;
}

// None when a file cannot be read: a list written without it would pass for a right one.
std::optional<ExtraInputs> ReadExtraInputs(const ExtractOptions& options, std::FILE* err) {
    ExtraInputs inputs{options.me, std::nullopt};
    for (const std::string& path : options.meFiles) {
        const std::optional<std::string> text = ReadWholeFile(path, err);
        if (!text) return std::nullopt;
        for (std::string& address : AddressesOfLines(*text)) inputs.own.push_back(std::move(address));
    }
    if (options.sinceList) {
        const std::optional<std::string> text = ReadWholeFile(*options.sinceList, err);
        if (!text) return std::nullopt;
        inputs.earlier = AddressesOfEarlierExport(*text);
    }
    return inputs;
}

ScanExtras ScanExtrasFor(const ExtractOptions& options) {
    return {NeedsDates(options.format), !IsOriginalCsv(options.format), NeedsCategories(options)};
}

// Drops the survivors of the categories asked for and those of the earlier list.
void DeleteUnwanted(AddressList& list, const ExtractOptions& options, const FactsTable* facts,
                    const ExtraInputs& inputs) {
    DeleteSurvivors(list, [&](const AddressRecord& record) {
        if (inputs.earlier && inputs.earlier->count(FoldedAscii(list.Email(record)))) return true;
        return facts && std::find(options.drop.begin(), options.drop.end(), facts->Of(record.email).category) !=
                            options.drop.end();
    });
}

// Orders the result, leaves out what the options drop and writes it to the output file
// or to out.
bool WriteList(AddressList& list, const std::string& rootText, const ExtractOptions& options, const FactsTable* facts,
               const ExtraInputs& inputs, std::FILE* out, CommandLineHost& host, std::FILE* err) {
    OrderExtractionResult(list, rootText);
    DeleteUnwanted(list, options, facts, inputs);
    const LinesWriter writeLines = [&](std::FILE* file) { return WriteContacts(file, list, facts, options.format); };
    int written = 0;
    if (options.output) {
        const Result<int> lines =
            WriteOutputFile(CsvTargetFor(*options.output, FormatExtension(options.format.kind)), writeLines);
        if (!lines.Ok()) {
            std::fprintf(err, "%s\n", lines.Error().Text().c_str());
            return false;
        }
        written = lines.Value();
    } else {
        written = writeLines(out);
        if (written < 0 || std::fflush(out) != 0) {
            std::fprintf(err, "Unable to write the CSV to standard output: %s\n", std::strerror(errno));
            return false;
        }
    }
    host.ShowStatus(CountsText(list.Count(), written));
    return true;
}

// Keeps a walk quiet, and ends it once a store is found.
class QuietWalkObserver : public ExtractionObserver {
public:
    bool found = false;
    void ShowStatus(const std::string&) override {}
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

    const std::optional<ExtraInputs> inputs = ReadExtraInputs(options, err);
    if (!inputs) return 1;

    const std::string rootText = RootTextFor(source, folder);
    CommandLineHost host(options, err);
    AddressList list;
    list.AskScanExtras(ScanExtrasFor(options));
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
    std::optional<FactsTable> facts;
    if (NeedsCategories(options))
        facts = FactsTable::Gather(list, AddressClassifier(inputs->own, list.ListAddresses()));

    host.EchoStatus(false);
    if (!WriteList(list, rootText, options, facts ? &*facts : nullptr, *inputs, out, host, err)) return 1;
    host.Say(host.LastStatus());
    return 0;
}

}  // namespace mirelo
