#include "cli/extract_options.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "base/ascii.h"

namespace mirelo {

const char* const kHelpHint = "Try 'mirelo-extract --help' for more information.\n";

namespace {

// "to", "TO:" and "To:" all name kind 1.
std::optional<HeaderKind> KindNamed(std::string name) {
    if (!name.empty() && name.back() != ':') name += ':';
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        if (EqualsNoCase(name, HeaderKindName(kind))) return kind;
    return std::nullopt;
}

std::vector<std::string> CommaSeparated(const std::string& list) {
    std::vector<std::string> names;
    std::size_t from = 0;
    for (std::size_t comma = list.find(','); comma != std::string::npos; comma = list.find(',', from)) {
        names.push_back(list.substr(from, comma - from));
        from = comma + 1;
    }
    names.push_back(list.substr(from));
    return names;
}

Result<HeaderKindSet> ParseKinds(const std::string& list) {
    HeaderKindSet kinds = HeaderKindSet::None();
    for (const std::string& name : CommaSeparated(list)) {
        const std::optional<HeaderKind> kind = KindNamed(name);
        if (!kind) return Failure{"unknown header kind '" + name + "'"};
        kinds.Set(*kind, true);
    }
    return kinds;
}

Result<std::vector<AddressCategory>> ParseCategories(const std::string& list) {
    constexpr AddressCategory kAll[] = {AddressCategory::Own, AddressCategory::Automated, AddressCategory::List,
                                        AddressCategory::Person};
    std::vector<AddressCategory> categories;
    for (const std::string& name : CommaSeparated(list)) {
        const auto* found = std::find_if(std::begin(kAll), std::end(kAll),
                                         [&](AddressCategory c) { return CategoryName(c) == name; });
        if (found == std::end(kAll)) return Failure{"unknown category '" + name + "'"};
        categories.push_back(*found);
    }
    return categories;
}

std::optional<unsigned> WorkerCount(const std::string& text) {
    unsigned count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count < 1 || count > 64) return std::nullopt;
    return count;
}

std::optional<StoreKind> NewStoreKindOption(const std::string& argument) {
    for (StoreKind kind : {StoreKind::Mbox, StoreKind::Maildir, StoreKind::Eml, StoreKind::Emlx, StoreKind::Pst})
        if (argument.substr(0, 2) == "--" && argument.substr(2) == StoreKindName(kind)) return kind;
    return std::nullopt;
}

// Kind options restrict --all; alone they select their kinds.
Result<> ChooseStores(bool all, StoreSelection selection, bool includeTrash, ExtractOptions& options) {
    const bool anyKind = std::find(selection.kinds.begin(), selection.kinds.end(), true) != selection.kinds.end();
    if (!all && !anyKind) {
        if (includeTrash) return Failure{"--include-trash goes with --all or a store kind option"};
        return {};
    }
    if (options.outlook) return Failure{"--outlook cannot be combined with --all or a store kind option"};
    if (!anyKind) selection = StoreSelection::Every();
    selection.includeTrash = includeTrash;
    options.stores = selection;
    return {};
}

// A value option, or the usage error it makes.
Result<> TakeValue(const std::string& option, const std::string& value, ExtractOptions& options) {
    if (option == "--output") {
        if (value.empty()) return Failure{"--output needs a file name"};
        if (value != "-") options.output = value;
    } else if (option == "--kinds") {
        const Result<HeaderKindSet> kinds = ParseKinds(value);
        if (!kinds.Ok()) return kinds.Error();
        options.kinds = kinds.Value();
    } else if (option == "--rules") {
        if (value != "original" && value != "rfc5322") return Failure{"unknown rules '" + value + "'"};
        options.rules = value == "original" ? ReadingRules::Original : ReadingRules::Rfc5322;
    } else if (option == "--workers") {
        options.workers = WorkerCount(value);
        if (!options.workers) return Failure{"--workers needs a number from 1 to 64"};
    } else if (option == "--format") {
        const std::optional<FormatKind> kind = FormatNamed(value);
        if (!kind) return Failure{"unknown format '" + value + "'"};
        options.format.kind = *kind;
    } else if (option == "--columns") {
        Result<std::vector<Column>> columns = ParseColumns(value);
        if (!columns.Ok()) return columns.Error();
        options.format.columns = std::move(columns.Value());
    } else if (option == "--me") {
        if (value.empty()) return Failure{"--me needs an address"};
        options.me.push_back(value);
    } else if (option == "--me-file") {
        options.meFiles.push_back(value);
    } else if (option == "--drop") {
        const Result<std::vector<AddressCategory>> categories = ParseCategories(value);
        if (!categories.Ok()) return categories.Error();
        options.drop.insert(options.drop.end(), categories.Value().begin(), categories.Value().end());
    } else {
        options.sinceList = value;
    }
    return {};
}

bool TakesValue(const std::string& option) {
    for (const char* name : {"--kinds", "--rules", "--output", "--workers", "--format", "--columns", "--me", "--me-file", "--drop", "--since-list"})
        if (option == name) return true;
    return false;
}

Result<> TakeOnce(const std::string& option, std::vector<std::string>& given) {
    if (option != "--output" && option != "--since-list") return {};
    if (std::find(given.begin(), given.end(), option) != given.end()) return Failure{option + " can be given only once"};
    given.push_back(option);
    return {};
}

// Options that only some formats can honour.
Result<> FormatConflict(const ExportFormat& format) {
    const bool csvForm = format.kind != FormatKind::Vcard && format.kind != FormatKind::Json;
    if (format.bom && !csvForm) return Failure{"--bom needs a csv form"};
    if (!format.columns.empty() && format.kind != FormatKind::Csv && format.kind != FormatKind::Rfc4180)
        return Failure{"--columns needs --format csv or rfc4180"};
    return {};
}

}  // namespace

bool NeedsCategories(const ExtractOptions& options) {
    return NeedsFacts(options.format) || !options.drop.empty();
}

Result<ExtractOptions> ParseExtractOptions(const std::vector<std::string>& arguments) {
    ExtractOptions options;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    bool all = false;
    bool includeTrash = false;
    StoreSelection onlyKinds;
    std::vector<std::string> onceOnlyGiven;
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
        } else if (argument == "--bom") {
            options.format.bom = true;
        } else if (argument == "--help" || argument == "--version") {
            (argument == "--help" ? options.help : options.version) = true;
            return options;
        } else if (TakesValue(argument)) {
            if (i + 1 == arguments.size()) return Failure{argument + " needs a value"};
            // A second one would silently win over the first.
            if (Result<> once = TakeOnce(argument, onceOnlyGiven); !once.Ok()) return once.Error();
            if (Result<> taken = TakeValue(argument, arguments[++i], options); !taken.Ok()) return taken.Error();
        } else {
            return Failure{"unknown option " + argument};
        }
    }
    if (Result<> chosen = ChooseStores(all, onlyKinds, includeTrash, options); !chosen.Ok()) return chosen.Error();
    if (Result<> fits = FormatConflict(options.format); !fits.Ok()) return fits.Error();
    if (folders.size() != 1) return Failure{folders.empty() ? "no FOLDER given" : "only one FOLDER can be given"};
    options.folder = folders.front();
    return options;
}

}  // namespace mirelo
