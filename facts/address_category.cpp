#include "facts/address_category.h"

#include "base/ascii.h"

namespace mirelo {

namespace {

enum class Where { Whole, Word, Prefix, Suffix };

struct AutomatedPattern {
    std::string_view text;  // small letters
    Where where;
};

// Matched against the local part folded to small letters. A Word stands between
// characters that are not letters or digits, so "noreply" finds "github-noreply" and
// "bounces" finds "python-list-bounces+me=example.org" but "bounce" not "bouncer".
constexpr AutomatedPattern kAutomatedPatterns[] = {
    {"noreply", Where::Word},         {"no-reply", Where::Word},       {"no_reply", Where::Word},
    {"donotreply", Where::Word},      {"do-not-reply", Where::Word},   {"do_not_reply", Where::Word},
    {"bounce", Where::Word},          {"bounces", Where::Word},        {"mailer-daemon", Where::Word},
    {"mailerdaemon", Where::Word},    {"delivery-status", Where::Word}, {"postmaster", Where::Whole},
    {"listserv", Where::Whole},       {"majordomo", Where::Whole},     {"owner-", Where::Prefix},
    {"-owner", Where::Suffix},        {"-request", Where::Suffix},
};

bool IsLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

bool HoldsWord(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at == 0 || !IsLetterOrDigit(text[at - 1])) && (end == text.size() || !IsLetterOrDigit(text[end])))
            return true;
    }
    return false;
}

bool Matches(std::string_view local, const AutomatedPattern& pattern) {
    switch (pattern.where) {
        case Where::Whole: return local == pattern.text;
        case Where::Word: return HoldsWord(local, pattern.text);
        case Where::Prefix: return local.substr(0, pattern.text.size()) == pattern.text;
        case Where::Suffix:
            return local.size() >= pattern.text.size() && local.substr(local.size() - pattern.text.size()) == pattern.text;
    }
    return false;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A '#' starts a comment where it starts a word; inside an address ("a#b@x") it is the
// address's own.
std::string_view WithoutComment(std::string_view line) {
    for (std::size_t at = line.find('#'); at != std::string_view::npos; at = line.find('#', at + 1))
        if (at == 0 || std::string_view(" \t,;").find(line[at - 1]) != std::string_view::npos) return line.substr(0, at);
    return line;
}

std::unordered_set<std::string> FoldedSet(const std::vector<std::string>& addresses) {
    std::unordered_set<std::string> set;
    for (const std::string& address : addresses) set.insert(FoldedAscii(address));
    return set;
}

}  // namespace

std::string_view CategoryName(AddressCategory category) {
    switch (category) {
        case AddressCategory::Own: return "own";
        case AddressCategory::Automated: return "automated";
        case AddressCategory::List: return "list";
        case AddressCategory::Person: break;
    }
    return "person";
}

bool IsAutomatedAddress(std::string_view email) {
    const std::string local = FoldedAscii(email.substr(0, email.rfind('@')));
    for (const AutomatedPattern& pattern : kAutomatedPatterns)
        if (Matches(local, pattern)) return true;
    return false;
}

AddressClassifier::AddressClassifier(const std::vector<std::string>& ownAddresses,
                                     const std::vector<std::string>& listAddresses)
    : own_(FoldedSet(ownAddresses)), lists_(FoldedSet(listAddresses)) {}

AddressCategory AddressClassifier::Classify(std::string_view email) const {
    const std::string folded = FoldedAscii(email);
    if (own_.count(folded)) return AddressCategory::Own;
    if (lists_.count(folded)) return AddressCategory::List;
    return IsAutomatedAddress(email) ? AddressCategory::Automated : AddressCategory::Person;
}

std::vector<std::string> AddressesOfLines(std::string_view text) {
    std::vector<std::string> addresses;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = WithoutComment(text.substr(0, end));
        while (!line.empty()) {
            const std::size_t separator = std::min(line.find_first_of(",;"), line.size());
            if (const std::string_view address = Trimmed(line.substr(0, separator)); !address.empty())
                addresses.emplace_back(address);
            line.remove_prefix(std::min(separator + 1, line.size()));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return addresses;
}

}  // namespace mirelo
