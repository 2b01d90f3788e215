#include "facts/address_category.h"

#include <algorithm>

#include "base/ascii.h"

namespace mirelo {

namespace {

enum class Where { Whole, Word, Tag, Prefix, Suffix };

struct AutomatedPattern {
    std::string_view text;  // small letters
    Where where;
};

// Matched against the local part folded to small letters. A Word stands between
// characters that are not letters or digits, so "noreply" finds "github-noreply". A Tag
// stands between the ends and the separators of generated addresses ('-', '_', '+', '='),
// so "bounces" finds "python-list-bounces+me=example.org" but "bounce" neither "bouncer"
// nor "bounce.house", a full stop being what joins the words of a person's name.
constexpr AutomatedPattern kAutomatedPatterns[] = {
    {"noreply", Where::Word},         {"no-reply", Where::Word},        {"no_reply", Where::Word},
    {"no.reply", Where::Word},        {"donotreply", Where::Word},      {"do-not-reply", Where::Word},
    {"do_not_reply", Where::Word},    {"do.not.reply", Where::Word},    {"mailer-daemon", Where::Word},
    {"mailer_daemon", Where::Word},   {"mailerdaemon", Where::Word},    {"delivery-status", Where::Word},
    {"bounce", Where::Tag},           {"bounces", Where::Tag},          {"notification", Where::Tag},
    {"notifications", Where::Tag},    {"postmaster", Where::Whole},     {"listserv", Where::Whole},
    {"majordomo", Where::Whole},      {"nobody", Where::Whole},         {"daemon", Where::Whole},
    {"owner-", Where::Prefix},        {"-owner", Where::Suffix},        {"-request", Where::Suffix},
    // Return paths that carry the recipient or a signature: SRS forwarders, BATV.
    {"srs0=", Where::Prefix},         {"srs1=", Where::Prefix},         {"prvs=", Where::Prefix},
};

bool IsLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
bool IsTagSeparator(char c) { return c == '-' || c == '_' || c == '+' || c == '='; }

bool HoldsBounded(std::string_view text, std::string_view word, bool (*isBoundary)(char)) {
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at == 0 || isBoundary(text[at - 1])) && (end == text.size() || isBoundary(text[end]))) return true;
    }
    return false;
}

bool Matches(std::string_view local, const AutomatedPattern& pattern) {
    switch (pattern.where) {
        case Where::Whole: return local == pattern.text;
        case Where::Word: return HoldsBounded(local, pattern.text, [](char c) { return !IsLetterOrDigit(c); });
        case Where::Tag: return HoldsBounded(local, pattern.text, IsTagSeparator);
        case Where::Prefix: return local.substr(0, pattern.text.size()) == pattern.text;
        case Where::Suffix:
            return local.size() >= pattern.text.size() && local.substr(local.size() - pattern.text.size()) == pattern.text;
    }
    return false;
}

// VERP: a return path that ends in the recipient, "list-bounces+ann=example.org".
bool IsVerpReturnPath(std::string_view local) {
    const std::size_t equals = local.rfind('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view recipientDomain = local.substr(equals + 1);
    const std::size_t dot = recipientDomain.find('.');
    return dot != std::string_view::npos && dot > 0 && dot + 1 < recipientDomain.size() &&
           local.substr(0, equals).find_first_of("+-") != std::string_view::npos;
}

// Bounce handling hosts ("bounces.example.com", not the firm "bounce.example") and
// Amazon SES, whose return paths are numbers at amazonses.com.
bool IsBounceDomain(std::string_view domain) {
    if (domain == "amazonses.com" || (domain.size() > 14 && domain.substr(domain.size() - 14) == ".amazonses.com"))
        return true;
    std::size_t labelsAfter = static_cast<std::size_t>(std::count(domain.begin(), domain.end(), '.'));
    for (std::size_t start = 0; labelsAfter >= 2; --labelsAfter) {
        const std::size_t end = domain.find('.', start);
        const std::string_view label = domain.substr(start, end - start);
        if (label == "bounce" || label == "bounces") return true;
        start = end + 1;
    }
    return false;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A '#' starts a comment ("#old@x" too), but for one inside the local part of an
// address ("a#b@x"), which an '@' follows within the same word.
std::string_view WithoutComment(std::string_view line) {
    constexpr std::string_view kWordEnds = " \t,;";
    for (std::size_t at = line.find('#'); at != std::string_view::npos; at = line.find('#', at + 1)) {
        const bool startsWord = at == 0 || kWordEnds.find(line[at - 1]) != std::string_view::npos;
        const std::string_view rest = line.substr(at, line.find_first_of(kWordEnds, at) - at);
        if (startsWord || rest.find('@') == std::string_view::npos) return line.substr(0, at);
    }
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
    const std::size_t at = email.rfind('@');
    const std::string local = FoldedAscii(email.substr(0, at));
    for (const AutomatedPattern& pattern : kAutomatedPatterns)
        if (Matches(local, pattern)) return true;
    return IsVerpReturnPath(local) || (at != std::string_view::npos && IsBounceDomain(FoldedAscii(email.substr(at + 1))));
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
