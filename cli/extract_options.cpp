#include "cli/extract_options.h"

#include <charconv>
#include <algorithm>

#include "scan/ascii.h"

namespace mirelo {

const char* const kHelpHint = "Try 'mirelo-extract --help' for more information.\n";

const char* const kExtractUsage =
    "Usage: mirelo-extract [--outlook | --all | --mbox --maildir --eml --emlx [--include-trash]]\n"
    "                      [--kinds LIST] [--output FILE] [--quiet] FOLDER\n"
    "Gathers the e-mail correspondents of the mail stores under FOLDER into a CSV list.\n"
    "\n"
    "  --outlook      read Outlook Express stores (.dbx), starting in FOLDER's parent\n"
    "                 folder; without it, Eudora mailboxes (.mbx) below FOLDER\n"
    "  --all          read every kind of mail store below FOLDER: Eudora, Outlook\n"
    "                 Express, mbox (Thunderbird too), Maildir, .eml and .emlx files\n"
    "  --mbox, --maildir, --eml, --emlx\n"
    "                 read only the stores of these kinds below FOLDER\n"
    "  --include-trash  with the kinds above: read Trash, Junk and Deleted folders too\n"
    "  --kinds LIST   header kinds to use, comma-separated, of From:, To:, Return-Path:,\n"
    "                 Sender:, X-Sender:, Reply-To: (any case, colon optional); default all\n"
    "  --output FILE  write the CSV there (.CSV is added when FILE has no extension);\n"
    "                 default, or FILE -: standard output\n"
    "  --quiet        report errors only\n"
    "  --workers N    read the stores on N threads (1 to 64); default one per core\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

namespace {

// "to", "TO:" and "To:" all name kind 1.
std::optional<HeaderKind> KindNamed(std::string name) {
    if (!name.empty() && name.back() != ':') name += ':';
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        if (EqualsNoCase(name, HeaderKindName(kind))) return kind;
    return std::nullopt;
}

std::string ParseKinds(const std::string& list, std::array<bool, kHeaderKindCount>& kinds) {
    kinds.fill(false);
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = list.find(',', from);
        const std::string name = list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const std::optional<HeaderKind> kind = KindNamed(name);
        if (!kind) return "unknown header kind '" + name + "'";
        kinds[static_cast<std::size_t>(*kind)] = true;
        if (comma == std::string::npos) return {};
        from = comma + 1;
    }
}

std::optional<unsigned> WorkerCount(const std::string& text) {
    unsigned count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count < 1 || count > 64) return std::nullopt;
    return count;
}

std::optional<StoreKind> NewStoreKindOption(const std::string& argument) {
    for (StoreKind kind : {StoreKind::Mbox, StoreKind::Maildir, StoreKind::Eml, StoreKind::Emlx})
        if (argument.substr(0, 2) == "--" && argument.substr(2) == StoreKindName(kind)) return kind;
    return std::nullopt;
}

// Kind options restrict --all; alone they select their kinds.
std::string ChooseStores(bool all, StoreSelection selection, bool includeTrash, ExtractOptions& options) {
    const bool anyKind = std::find(selection.kinds.begin(), selection.kinds.end(), true) != selection.kinds.end();
    if (!all && !anyKind) return includeTrash ? "--include-trash goes with --all or a store kind option" : "";
    if (options.outlook) return "--outlook cannot be combined with --all or a store kind option";
    if (!anyKind) selection = StoreSelection::Every();
    selection.includeTrash = includeTrash;
    options.stores = selection;
    return {};
}

}  // namespace

ParsedOptions ParseExtractOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    ExtractOptions& options = parsed.options;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    bool all = false;
    bool includeTrash = false;
    StoreSelection onlyKinds;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            folders.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--outlook") {
            options.outlook = true;
        } else if (argument == "--all") {
            all = true;
        } else if (const std::optional<StoreKind> kind = NewStoreKindOption(argument)) {
            onlyKinds.kinds[static_cast<std::size_t>(*kind)] = true;
        } else if (argument == "--include-trash") {
            includeTrash = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--help" || argument == "--version") {
            (argument == "--help" ? options.help : options.version) = true;
            return parsed;
        } else if (argument == "--kinds" || argument == "--output" || argument == "--workers") {
            if (i + 1 == arguments.size()) return {options, argument + " needs a value"};
            const std::string& value = arguments[++i];
            if (argument == "--output") {
                if (value.empty()) return {options, "--output needs a file name"};
                if (value != "-") options.output = value;
            } else if (argument == "--workers") {
                options.workers = WorkerCount(value);
                if (!options.workers) return {options, "--workers needs a number from 1 to 64"};
            } else if (std::string error = ParseKinds(value, options.kinds); !error.empty()) {
                return {options, error};
            }
        } else {
            return {options, "unknown option " + argument};
        }
    }
    if (std::string error = ChooseStores(all, onlyKinds, includeTrash, options); !error.empty()) return {options, error};
    if (folders.size() != 1) return {options, folders.empty() ? "no FOLDER given" : "only one FOLDER can be given"};
    options.folder = folders.front();
    return parsed;
}

}  // namespace mirelo
