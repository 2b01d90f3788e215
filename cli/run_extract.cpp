#include "cli/run_extract.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "base/whole_file.h"
#include "base/native_path.h"
#include "base/one_line.h"
#include "base/path_parts.h"
#include "base/text_file_encoding.h"
#include "export/csv_file.h"
#include "export/earlier_export.h"
#include "export/list_output.h"
#include "extraction/extraction_service.h"

namespace mirelo {

namespace {

// The command line's side of an extraction: the status lines and problems go to standard
// error as they come.
class CommandLineObserver : public ExtractionObserver {
public:
    CommandLineObserver(bool quiet, std::FILE* err) : quiet_(quiet), err_(err) {}

    // Each report is one line, whatever the names in it hold.
    void ShowStatus(const std::string& text) override { Say(OneLine(text)); }
    void ReportProblem(const std::string& path, const std::string& reason) override {
        std::fprintf(err_, "%s: skipped: %s\n", OneLine(path).c_str(), OneLine(reason).c_str());
    }
    void ReportNotice(const std::string& path, const std::string& note) override {
        std::fprintf(err_, "%s: %s\n", OneLine(path).c_str(), OneLine(note).c_str());
    }
    void ReportNothingRead(const std::string& message) override {
        std::fprintf(err_, "mirelo-extract: %s\n", OneLine(message).c_str());
    }
    void Say(const std::string& line) {
        if (!quiet_) std::fprintf(err_, "%s\n", line.c_str());
    }

private:
    bool quiet_;
    std::FILE* err_;
};

// The folder as a folder browser returns it: no trailing separator but for a root.
std::string ChosenFolder(std::string folder) {
    folder = AbsoluteIfDriveRelative(folder);
    const auto isDriveRoot = [&] { return folder.size() == 3 && folder[1] == ':'; };
    while (folder.size() > 1 && IsPathSeparator(folder.back()) && !isDriveRoot()) folder.pop_back();
    return folder;
}

struct ExtraInputs {
    std::vector<std::string> own;
    ListFilter filter;
};

// A text file written by hand or by another program, in UTF-8 or UTF-16 with a byte-order mark.
Result<std::string> ReadTextFile(const std::string& path) {
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes.Ok()) return bytes;
    return TextAsUtf8(bytes.Value());
}

// What the options add to a plain extraction, read from the files they name; a file that
// cannot be read fails the run, since a list written without it would pass for a right one.
Result<ExtraInputs> ReadExtraInputs(const ExtractOptions& options) {
    ExtraInputs inputs{options.me, {options.drop, std::nullopt}};
    for (const std::string& path : options.meFiles) {
        const Result<std::string> text = ReadTextFile(path);
        if (!text.Ok()) return text.Error();
        for (std::string& address : AddressesOfLines(text.Value())) inputs.own.push_back(std::move(address));
    }
    if (options.sinceList) {
        const Result<std::string> text = ReadWholeFile(*options.sinceList);
        if (!text.Ok()) return text.Error();
        inputs.filter.earlier = AddressesOfEarlierExport(text.Value());
        // Filtering by a list that was misread would pass every address as new.
        if (inputs.filter.earlier->empty()) return Failure{"no address could be read from " + *options.sinceList};
    }
    return inputs;
}

ExtractionRequest RequestFor(const ExtractOptions& options, const ExtraInputs& inputs) {
    ExtractionRequest request;
    request.source = options.stores ? MailSource::AllMail : (options.outlook ? MailSource::Outlook : MailSource::Eudora);
    if (options.stores) request.selection = *options.stores;
    request.folder = ChosenFolder(options.folder);
    request.reading.rules = options.rules.value_or(DefaultRules(request.source));
    request.reading.kinds = options.kinds.value_or(DefaultKinds(request.reading.rules));
    request.extras = {NeedsDates(options.format), !IsOriginalCsv(options.format), NeedsCategories(options)};
    request.gatherFacts = NeedsCategories(options);
    request.ownAddresses = inputs.own;
    if (options.workers) request.workers = *options.workers;
    return request;
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(NativePath(path), error);
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

// An empty result from a folder without a single store most likely means the wrong
// folder or the wrong command.
void ExplainEmptyResult(const ExtractionRequest& request, std::FILE* err) {
    if (request.source == MailSource::AllMail) {
        std::fprintf(err, "mirelo-extract: no mail stores found under %s\n", request.folder.c_str());
        return;
    }
    const bool eudora = request.source == MailSource::Eudora;
    const std::string walked = eudora ? request.folder : FolderOf(request.folder);
    std::fprintf(err, "mirelo-extract: no mailboxes found under %s", walked.c_str());
    if (eudora && HoldsStores(request.folder, StoreKind::Outlook))
        std::fputs("; it holds Outlook Express stores: try --outlook", err);
    std::fputc('\n', err);
}

// Whether the file is one of the mailbox files read: the list written there would replace
// the mail it came from. Only file stores compare; a folder store's path ends in a separator.
bool IsStoreFileRead(const std::string& file, const std::vector<std::string>& storePaths) {
    std::error_code error;
    if (!std::filesystem::exists(NativePath(file), error)) return false;  // a new file: no store to stat
    return std::any_of(storePaths.begin(), storePaths.end(), [&](const std::string& store) {
        return !IsPathSeparator(store.back()) && std::filesystem::equivalent(NativePath(file), NativePath(store), error);
    });
}

// The number of rows written, or the failure, to the output file or to out.
Result<int> WriteOutput(const ExtractOptions& options, const AddressList& list, const FactsTable* facts,
                        std::FILE* out, unsigned threads) {
    if (options.output) return WriteListFile(*options.output, list, facts, options.format, threads);
    const Result<int> written = WriteContacts(out, list, facts, options.format, threads);
    if (!written.Ok()) return SystemFailure("Unable to write the CSV to standard output", written.Error().code);
    if (std::fflush(out) != 0) return SystemFailure("Unable to write the CSV to standard output", errno);
    return written;
}

}  // namespace

int RunExtract(const ExtractOptions& options, std::FILE* out, std::FILE* err) {
    if (options.output && IsFolder(*options.output)) {
        // Else the list would go, unasked, to a file named after the folder beside it.
        std::fprintf(err, "mirelo-extract: --output names a folder: %s\n%s", options.output->c_str(), kHelpHint);
        return 2;
    }
    const Result<ExtraInputs> inputs = ReadExtraInputs(options);
    const ExtractionRequest request = RequestFor(options, inputs.Ok() ? inputs.Value() : ExtraInputs{});
    if (const auto unreadable = FindUnreadableFolder(request)) return ReportUnreadableFolder(*unreadable, err);
    if (!inputs.Ok()) {
        std::fprintf(err, "mirelo-extract: %s\n", inputs.Error().Text().c_str());
        return 1;
    }

    CommandLineObserver observer(options.quiet, err);
    ExtractionResult result = Extract(request, observer);
    if (result.unreadableFolder) return ReportUnreadableFolder(*result.unreadableFolder, err);
    if (result.nothingRead) return 1;  // an empty list written out would pass for a result
    if (result.list->Count() == 0 && result.storePaths.empty()) ExplainEmptyResult(request, err);

    if (options.output && IsStoreFileRead(OutputFileFor(*options.output, options.format.kind), result.storePaths)) {
        std::fprintf(err, "mirelo-extract: --output names a mail store that was read, which the list would replace: %s\n",
                     options.output->c_str());
        return 1;
    }
    const FactsTable* facts = result.facts ? &*result.facts : nullptr;
    const ListFilter& filter = inputs.Value().filter;
    const int removed = OrderAndFilter(*result.list, result.labelPrefix, facts, filter, request.workers);
    if (filter.earlier)
        observer.Say(OneLine(*options.sinceList) + ": " + std::to_string(filter.earlier->size()) +
                     " addresses in the earlier list, " + std::to_string(removed) + " of them left out");
    const Result<int> written = WriteOutput(options, *result.list, facts, out, request.workers);
    if (!written.Ok()) {
        std::fprintf(err, "%s\n", written.Error().Text().c_str());
        return 1;
    }
    observer.Say(CountsText(result.list->Count(), written.Value()) + ReadingNote(request));
    return 0;
}

}  // namespace mirelo
