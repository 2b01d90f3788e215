#include "headers/address_parser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "headers/header_text.h"

namespace mirelo {

namespace {

enum class TokenKind { Word, Quoted, Comment, DomainLiteral, Special };

struct Token {
    TokenKind kind;
    std::string_view raw;  // as the field holds it, quotes and brackets included
    std::string unquoted;  // quoted strings and comments without quotes, parentheses and backslashes
    bool spaceBefore = false;

    bool Is(char special) const { return kind == TokenKind::Special && raw[0] == special; }
    // A word is its own text; only the delimited tokens need theirs made.
    std::string_view Text() const { return kind == TokenKind::Word ? raw : std::string_view(unquoted); }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Every byte of every field is tested, so by a table rather than a search.
constexpr std::array<bool, 256> kSpecials = [] {
    std::array<bool, 256> specials{};
    for (const char c : std::string_view("()<>[]:;@\\,.\"")) specials[static_cast<unsigned char>(c)] = true;
    return specials;
}();

bool IsSpecial(char c) { return kSpecials[static_cast<unsigned char>(c)]; }

// Reads a quoted string, comment or domain literal that starts at body[at]; it ends at its
// closing character or, when that is missing, at the end of the body. Comments nest.
std::size_t ReadDelimited(std::string_view body, std::size_t at, char open, char close, std::string& text) {
    int depth = 0;
    std::size_t i = at;
    for (; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\\' && i + 1 < body.size() && open != '[') {
            text += body[++i];
            continue;
        }
        if (c == open && (open == '(' || i == at)) {
            if (depth++ > 0) text += c;
            continue;
        }
        if (c == close && --depth == 0) return i + 1;
        text += c;
    }
    return i;
}

std::vector<Token> Tokenize(std::string_view body) {
    std::vector<Token> tokens;
    tokens.reserve(16);  // a mailbox with a name takes about ten; growing one by one costs more
    bool space = false;
    for (std::size_t at = 0; at < body.size();) {
        const char c = body[at];
        if (IsSpace(c)) {
            space = true;
            ++at;
            continue;
        }
        Token token{TokenKind::Special, {}, {}, space};
        std::size_t end = at + 1;
        if (c == '"') {
            token.kind = TokenKind::Quoted;
            end = ReadDelimited(body, at, '"', '"', token.unquoted);
        } else if (c == '(') {
            token.kind = TokenKind::Comment;
            end = ReadDelimited(body, at, '(', ')', token.unquoted);
        } else if (c == '[') {
            token.kind = TokenKind::DomainLiteral;
            end = ReadDelimited(body, at, '[', ']', token.unquoted);
        } else if (!IsSpecial(c)) {
            token.kind = TokenKind::Word;
            while (end < body.size() && !IsSpace(body[end]) && !IsSpecial(body[end])) ++end;
        }
        token.raw = body.substr(at, end - at);
        tokens.push_back(std::move(token));
        space = false;
        at = end;
    }
    return tokens;
}

using TokenSpan = std::pair<std::size_t, std::size_t>;  // [first, last) of the token list

// The words, quoted strings and dots of a span as one text, spaced as in the field,
// encoded words decoded; comments are left out.
std::string PhraseText(const std::vector<Token>& tokens, TokenSpan span) {
    std::string text;
    for (std::size_t i = span.first; i < span.second; ++i) {
        const Token& token = tokens[i];
        // Brackets and colons are the list's syntax, not the name's.
        if (token.kind == TokenKind::Comment || token.Is('<') || token.Is('>') || token.Is(':') || token.Is(';'))
            continue;
        if (!text.empty() && token.spaceBefore) text += ' ';
        text += token.kind == TokenKind::Special ? token.raw : token.Text();
    }
    return DecodeHeaderText(text);
}

std::string Trimmed(std::string text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string FirstCommentText(const std::vector<Token>& tokens, TokenSpan span) {
    for (std::size_t i = span.first; i < span.second; ++i)
        if (tokens[i].kind == TokenKind::Comment) {
            std::string name = Trimmed(DecodeHeaderText(tokens[i].Text()));
            if (!name.empty()) return name;
        }
    return {};
}

bool IsLocalPartToken(const Token& token) { return token.kind == TokenKind::Word || token.kind == TokenKind::Quoted; }

// Index of the next token at or after i that is no comment.
std::size_t SkipComments(const std::vector<Token>& tokens, std::size_t i, std::size_t end) {
    while (i < end && tokens[i].kind == TokenKind::Comment) ++i;
    return i;
}

// The bytes of host names, looked up: every byte of a domain is tested, and the ranges cost more.
constexpr unsigned char kHostLetterOrDigit = 1;
constexpr unsigned char kHostByte = 2;
constexpr std::array<unsigned char, 256> kHostBytes = [] {
    std::array<unsigned char, 256> bytes{};
    for (int b = 0; b < 256; ++b)
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))
            bytes[static_cast<std::size_t>(b)] = kHostLetterOrDigit | kHostByte;
    bytes['.'] = bytes['-'] = kHostByte;
    return bytes;
}();

bool IsHostByte(char c, unsigned char what = kHostByte) {
    return (kHostBytes[static_cast<unsigned char>(c)] & what) != 0;
}

// Where the run of host-name bytes from from ends.
std::size_t HostRunEnd(std::string_view text, std::size_t from) {
    while (from < text.size() && IsHostByte(text[from])) ++from;
    return from;
}

// Mail is routed to host names: ASCII letters, digits, dots and hyphens, a letter or digit
// at each end. Domain literals and raw 8-bit domains reach no address book that filters mail.
// A run of host-name bytes is one when a letter or digit stands at each end.
bool IsHostNameRun(std::string_view run) {
    return !run.empty() && IsHostByte(run.front(), kHostLetterOrDigit) && IsHostByte(run.back(), kHostLetterOrDigit);
}

bool IsHostName(std::string_view domain) { return HostRunEnd(domain, 0) == domain.size() && IsHostNameRun(domain); }

struct BareAddress {
    std::string address;
    std::size_t localFirst = 0;  // where the local part begins
    std::size_t end = 0;         // past the domain
};

// The bare address around the '@' token at position at: words or quoted strings joined by
// dots before it (spaces and comments around the dots allowed, as the obsolete syntax
// does), a host name of words joined by dots after it.
std::optional<BareAddress> BareAddressAround(const std::vector<Token>& tokens, std::size_t at, TokenSpan span) {
    std::vector<std::size_t> local;
    std::size_t i = at;
    const auto previous = [&](std::size_t from) {
        while (from > span.first && tokens[from - 1].kind == TokenKind::Comment) --from;
        return from;
    };
    // Two words in a row without a dot end the local part: the first belongs to a phrase.
    for (bool wantWord = true;;) {
        const std::size_t before = previous(i);
        if (before == span.first) break;
        const Token& token = tokens[before - 1];
        if (wantWord ? !IsLocalPartToken(token) : !token.Is('.')) break;
        local.push_back(before - 1);
        i = before - 1;
        wantWord = !wantWord;
    }
    while (!local.empty() && tokens[local.back()].Is('.')) local.pop_back();  // a leading dot is no part of it
    if (local.empty()) return std::nullopt;

    BareAddress found;
    found.localFirst = local.back();
    for (auto k = local.rbegin(); k != local.rend(); ++k) found.address += tokens[*k].raw;
    found.address += '@';
    std::string domain;
    std::size_t j = SkipComments(tokens, at + 1, span.second);
    for (bool wantWord = true; j < span.second; j = SkipComments(tokens, j + 1, span.second)) {
        const Token& token = tokens[j];
        // An empty label ("b..c") is read on: cut there, the host would be one the mail never named.
        const bool emptyLabel = wantWord && token.Is('.') && !domain.empty();
        if (!emptyLabel && (wantWord ? token.kind != TokenKind::Word : !token.Is('.'))) break;
        domain += token.raw;
        found.end = j + 1;
        wantWord = token.Is('.');
    }
    if (!domain.empty() && domain.back() == '.') domain.pop_back();  // the root's dot: the same host
    // "a@b@c" is no address at all, neither a@b nor b@c.
    const bool chained = (found.end < span.second && tokens[found.end].Is('@')) ||
                         (found.localFirst > span.first && tokens[found.localFirst - 1].Is('@'));
    if (!IsHostName(domain) || chained) return std::nullopt;
    found.address += domain;
    return found;
}

std::optional<std::size_t> FindSpecial(const std::vector<Token>& tokens, TokenSpan span, char special) {
    for (std::size_t i = span.first; i < span.second; ++i)
        if (tokens[i].Is(special)) return i;
    return std::nullopt;
}

std::optional<std::size_t> LastSpecial(const std::vector<Token>& tokens, TokenSpan span, char special) {
    for (std::size_t i = span.second; i > span.first; --i)
        if (tokens[i - 1].Is(special)) return i - 1;
    return std::nullopt;
}

// "<addr>" or "<@route,@route:addr>"; a missing '>' closes at the span's end.
std::optional<Mailbox> AngleMailbox(const std::vector<Token>& tokens, TokenSpan span, std::size_t open) {
    std::size_t close = open + 1;
    while (close < span.second && !tokens[close].Is('>')) ++close;
    TokenSpan inside{open + 1, close};
    const std::size_t first = SkipComments(tokens, inside.first, inside.second);
    if (first < inside.second && tokens[first].Is('@'))
        if (const std::optional<std::size_t> colon = FindSpecial(tokens, inside, ':')) inside.first = *colon + 1;
    const std::optional<std::size_t> at = FindSpecial(tokens, inside, '@');
    if (!at) return std::nullopt;
    std::optional<BareAddress> found = BareAddressAround(tokens, *at, inside);
    if (!found) return std::nullopt;
    Mailbox mailbox{found->address, Trimmed(PhraseText(tokens, {span.first, open}))};
    if (mailbox.name.empty()) mailbox.name = FirstCommentText(tokens, span);
    return mailbox;
}

// One mailbox of a list, between two commas; none for garbage or an empty element.
std::optional<Mailbox> ElementMailbox(const std::vector<Token>& tokens, TokenSpan span) {
    if (const std::optional<std::size_t> open = FindSpecial(tokens, span, '<'))
        return AngleMailbox(tokens, span, *open);
    // The first '@' with a whole address around it: "@ john@x" is john@x.
    std::optional<BareAddress> found;
    for (std::size_t at = span.first; at < span.second && !found; ++at)
        if (tokens[at].Is('@')) found = BareAddressAround(tokens, at, span);
    if (!found) return std::nullopt;
    // "john@x (John Smith)": a comment names the mailbox; so do words before the address.
    Mailbox mailbox{found->address, FirstCommentText(tokens, span)};
    if (mailbox.name.empty()) mailbox.name = Trimmed(PhraseText(tokens, {span.first, found->localFirst}));
    return mailbox;
}

// Words only, as in the "Smith" of "Smith, John <j@x>".
bool IsBarePhrase(const std::vector<Token>& tokens, TokenSpan span) {
    bool any = false;
    for (std::size_t i = span.first; i < span.second; ++i) {
        const Token& token = tokens[i];
        if (token.kind == TokenKind::Special && !token.Is('.')) return false;
        if (token.kind == TokenKind::DomainLiteral) return false;
        any = any || IsLocalPartToken(token);
    }
    return any;
}

class ListReader {
public:
    ListReader(std::string_view body, MailboxList& into) : tokens_(Tokenize(body)), mailboxes_(into) {}

    void Read() {
        std::size_t i = 0;
        while (i < tokens_.size()) i = ReadElementOrGroup(i);
    }

private:
    // The end of the element that starts at i: the next ',' or ';' outside a route
    // ("<@a,@b:x@y>" holds commas; an angle address left open does not hide the next one).
    // Outside a group a ';' parts mailboxes as a comma does, as lists typed for Outlook do.
    std::size_t ElementEnd(std::size_t i) const {
        bool inRoute = false;
        for (; i < tokens_.size(); ++i) {
            const Token& token = tokens_[i];
            if (token.Is('<')) inRoute = i + 1 < tokens_.size() && tokens_[i + 1].Is('@');
            if (token.Is('>') || token.Is(':')) inRoute = false;
            if (!inRoute && (token.Is(',') || token.Is(';'))) return i;
        }
        return i;
    }

    // A group's display name ends at a ':' that comes before any '<' or '@'.
    std::optional<std::size_t> GroupColon(std::size_t i, std::size_t end) const {
        for (; i < end; ++i) {
            if (tokens_[i].Is('<') || tokens_[i].Is('@')) return std::nullopt;
            if (tokens_[i].Is(':')) return i;
        }
        return std::nullopt;
    }

    std::size_t ReadElementOrGroup(std::size_t i) {
        const std::size_t end = ElementEnd(i);
        if (const std::optional<std::size_t> colon = GroupColon(i, end)) return ReadGroup(*colon + 1);
        ReadElement({i, end});
        return end + 1;
    }

    // "Team: a@x, b@y;": the members up to the ';' (or the end of the field).
    std::size_t ReadGroup(std::size_t i) {
        pendingName_.clear();
        while (i < tokens_.size()) {
            const std::size_t end = ElementEnd(i);
            ReadElement({i, end});
            if (end < tokens_.size() && tokens_[end].Is(';')) {
                pendingName_.clear();
                return end + 1;  // a comma after the group may be missing
            }
            i = end + 1;
        }
        return i;
    }

    // A closed angle address that another address follows before the element's end ends
    // a mailbox of its own: "Ann <a@x> Bob <b@y>" lacks a comma.
    void ReadElement(TokenSpan span) {
        const std::optional<std::size_t> lastAt = LastSpecial(tokens_, span, '@');
        bool inAngle = false;
        for (std::size_t i = span.first; lastAt && i < *lastAt; ++i) {
            if (tokens_[i].Is('<')) inAngle = true;
            if (!inAngle || !tokens_[i].Is('>')) continue;
            inAngle = false;
            ReadMailbox({span.first, i + 1});
            span.first = i + 1;
        }
        ReadMailbox(span);
    }

    void ReadMailbox(TokenSpan span) {
        std::optional<Mailbox> mailbox = ElementMailbox(tokens_, span);
        if (!mailbox) {
            // "Smith, John <j@x>": a bare name before a comma is the first part of the next name.
            pendingName_ = IsBarePhrase(tokens_, span) ? Trimmed(PhraseText(tokens_, span)) : std::string();
            return;
        }
        const bool angle = FindSpecial(tokens_, span, '<').has_value();
        if (angle && !pendingName_.empty() && !mailbox->name.empty()) mailbox->name = pendingName_ + ", " + mailbox->name;
        pendingName_.clear();
        std::swap(mailboxes_.Add(), *mailbox);
    }

    std::vector<Token> tokens_;
    MailboxList& mailboxes_;
    std::string pendingName_;
};

// Most fields hold mailboxes in one of four plain forms: "a@b.c", "<a@b.c>",
// "Ann Lee <a@b.c>" and "\"Lee, Ann\" <a@b.c>", with no comment, encoded word, escape or
// 8-bit byte, one or several split by commas. These are read without tokens, giving what
// the grammar gives; anything else goes to the grammar.
class PlainMailboxes {
public:
    explicit PlainMailboxes(std::string_view body) : body_(body) {}

    // After what into holds; false when the field is of no plain form, with some added.
    bool Read(MailboxList& into) {
        for (;;) {
            if (!ReadOne(into.Add())) return false;
            SkipBlanks();
            if (at_ == body_.size()) return true;
            if (!Take(',')) return false;
        }
    }

private:
    // Into into, whose texts are empty.
    bool ReadOne(Mailbox& into) {
        SkipBlanks();
        const std::size_t start = at_;
        std::string& name = into.name;
        if (Peek('"')) {
            if (!ReadQuoted(name)) return false;
        } else {
            ReadWords(name);
            if (name.find("=?") != std::string::npos) return false;  // an encoded word
        }
        SkipBlanks();
        const bool angle = Peek('<');
        if (!angle && !name.empty()) {
            // "a@b.c" alone: the words read were the address.
            at_ = start;
            name.clear();
        }
        if (angle) ++at_;
        return ReadAddress(into.address) && (!angle || Take('>'));
    }

    static bool IsAtext(char c) {
        static constexpr std::array<bool, 256> kAtext = [] {
            std::array<bool, 256> atext{};
            for (int b = 0; b < 256; ++b)
                atext[static_cast<std::size_t>(b)] = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
            for (const char symbol : std::string_view("!#$%&'*+-/=?^_`{|}~")) atext[static_cast<unsigned char>(symbol)] = true;
            return atext;
        }();
        return kAtext[static_cast<unsigned char>(c)];
    }
    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

    bool Peek(char c) const { return at_ < body_.size() && body_[at_] == c; }
    bool Take(char c) {
        if (!Peek(c)) return false;
        ++at_;
        return true;
    }
    void SkipBlanks() {
        while (at_ < body_.size() && IsBlank(body_[at_])) ++at_;
    }
    std::string_view Atoms() {
        const std::size_t start = at_;
        while (at_ < body_.size() && IsAtext(body_[at_])) ++at_;
        return body_.substr(start, at_ - start);
    }

    // Words of atext, spaced by single blanks as the grammar spaces them.
    void ReadWords(std::string& name) {
        for (std::string_view word = Atoms(); !word.empty(); word = Atoms()) {
            if (!name.empty()) name += ' ';
            name += word;
            const std::size_t before = at_;
            SkipBlanks();
            if (!(at_ < body_.size() && IsAtext(body_[at_]))) {
                at_ = before;
                return;
            }
        }
    }

    bool ReadQuoted(std::string& name) {
        const std::size_t close = body_.find('"', at_ + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view text = body_.substr(at_ + 1, close - at_ - 1);
        for (const char c : text)
            if (c < ' ' || c > '~' || c == '\\') return false;
        if (text.find("=?") != std::string_view::npos) return false;
        const std::size_t first = text.find_first_not_of(' ');
        if (first != std::string_view::npos) name.assign(text.substr(first, text.find_last_not_of(' ') - first + 1));
        at_ = close + 1;
        return true;
    }

    // dot-atom "@" host name.
    bool ReadAddress(std::string& address) {
        const std::size_t start = at_;
        do {
            if (Atoms().empty()) return false;
        } while (Take('.'));
        if (!Take('@')) return false;
        // A byte that ends the run before the field's end or its '>' sends the field to the
        // grammar, as a domain that is no host name would.
        const std::size_t domainStart = at_;
        at_ = HostRunEnd(body_, at_);
        if (!IsHostNameRun(body_.substr(domainStart, at_ - domainStart))) return false;
        address.assign(body_.substr(start, at_ - start));
        return true;
    }

    std::string_view body_;
    std::size_t at_ = 0;
};

}  // namespace

Mailbox& MailboxList::Add() {
    if (size_ == mailboxes_.size()) mailboxes_.emplace_back();
    Mailbox& mailbox = mailboxes_[size_++];
    mailbox.address.clear();
    mailbox.name.clear();
    return mailbox;
}

void ParseAddressList(std::string_view unfoldedFieldBody, MailboxList& into) {
    const std::size_t before = into.Size();
    if (PlainMailboxes(unfoldedFieldBody).Read(into)) return;
    while (into.Size() > before) into.RemoveLast();
    ListReader(unfoldedFieldBody, into).Read();
}

}  // namespace mirelo
