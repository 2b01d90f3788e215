#include "headers/message_cutter.h"

#include <optional>
#include <string>

#include "base/line_end.h"
#include "headers/mail_date.h"

namespace mirelo {

namespace {

constexpr std::string_view kMarker = "___Message___ : ";

std::string_view LineFrom(std::string_view bytes, std::size_t at) {
    return bytes.substr(at, FindLineEnd(bytes, at) - at);
}

std::size_t NextLineAfter(std::string_view bytes, std::size_t at) { return NextLineStart(bytes, FindLineEnd(bytes, at)); }

// What every separator of the layout starts with, and where in that a search for it
// begins. A search stops at every byte like the one it begins with, and every body holds
// many 'F's: Eudora's separators are found by their "???@???", whose '?' mail text holds
// far less often.
struct SeparatorStart {
    std::string_view text;
    std::size_t searchedFrom = 0;
};

SeparatorStart SeparatorStartOf(MailboxLayout layout) {
    switch (layout) {
        case MailboxLayout::Mbox: return {"From "};
        case MailboxLayout::Eudora: return {"From ???@???", 5};
        case MailboxLayout::OutlookDump: return {kMarker};
    }
    return {};
}

// The next line start at or after from that begins as a separator does: found by searching
// for the text, which is far quicker than looking at every line of every body.
std::size_t NextCandidate(std::string_view mailbox, std::size_t from, const SeparatorStart& start) {
    const std::string_view searched = start.text.substr(start.searchedFrom);
    const std::string_view before = start.text.substr(0, start.searchedFrom);
    for (std::size_t at = from + before.size(); (at = mailbox.find(searched, at)) != std::string_view::npos; ++at) {
        const std::size_t lineStart = at - before.size();
        if (mailbox.substr(lineStart, before.size()) != before) continue;
        if (lineStart == 0 || mailbox[lineStart - 1] == '\n' || mailbox[lineStart - 1] == '\r') return lineStart;
    }
    return std::string_view::npos;
}

// Whether the line before the one at at is empty, or there is none.
bool AfterEmptyLine(std::string_view mailbox, std::size_t at) {
    if (at == 0) return true;
    std::size_t end = at - 1;  // the previous line's line end
    if (mailbox[end] == '\n' && end > 0 && mailbox[end - 1] == '\r') --end;
    return end == 0 || mailbox[end - 1] == '\n' || mailbox[end - 1] == '\r';
}

bool IsMarker(std::string_view line) {
    if (line.substr(0, kMarker.size()) != kMarker || line.size() == kMarker.size()) return false;
    return line.find_first_not_of("0123456789", kMarker.size()) == std::string_view::npos;
}

// An mbox body may hold an unquoted "From " line; one counts as a separator after an
// empty line or when it carries a date, as every separator does.
bool IsMboxSeparator(std::string_view line, bool afterEmptyLine) {
    return line.substr(0, 5) == "From " && (afterEmptyLine || DayOfSeparatorLine(line) != kUnknownDay);
}

bool IsSeparator(std::string_view line, MailboxLayout layout, bool afterEmptyLine, bool markerEndsInCrLf) {
    switch (layout) {
        case MailboxLayout::Mbox: return IsMboxSeparator(line, afterEmptyLine);
        case MailboxLayout::Eudora: return line.substr(0, 12) == "From ???@???";
        case MailboxLayout::OutlookDump: return markerEndsInCrLf && IsMarker(line);
    }
    return false;
}

// mboxrd's rule, which reads mboxo's quoting the same: one '>' goes from a line of '>'s then "From ".
bool IsQuotedFromLine(std::string_view line) {
    const std::size_t quotes = line.find_first_not_of('>');
    return quotes != 0 && quotes != std::string_view::npos && line.substr(quotes, 5) == "From ";
}

// Whether a line of the message is a quoted "From " line, found by searching for the text.
bool HoldsQuotedFromLine(std::string_view message) {
    for (std::size_t at = 0; (at = message.find(">From ", at)) != std::string_view::npos; ++at) {
        std::size_t start = at;
        while (start > 0 && message[start - 1] == '>') --start;
        if (start == 0 || message[start - 1] == '\n' || message[start - 1] == '\r') return true;
    }
    return false;
}

// The message with its quoted "From " lines restored; copies only when there is one.
std::string_view Unquoted(std::string_view message, std::string& buffer) {
    if (!HoldsQuotedFromLine(message)) return message;
    buffer.clear();
    for (std::size_t at = 0; at < message.size();) {
        const std::size_t next = NextLineAfter(message, at);
        const std::string_view line = message.substr(at, next - at);
        buffer += IsQuotedFromLine(LineFrom(message, at)) ? line.substr(1) : line;
        at = next;
    }
    return buffer;
}

// Shows the messages to the visitor; when the mailbox may go on past these bytes, the last
// message is held back. Gives where what was not shown starts: the last message's
// separator line, or the end.
std::size_t Cut(std::string_view mailbox, MailboxLayout layout, const MessageVisitor& visit, bool holdLast) {
    std::string buffer;
    std::string_view separator;
    // A mailbox that does not start with a separator starts with a message all the same,
    // as the line rule reads it; what the dump holds before its first marker is none.
    std::optional<std::size_t> messageStart;
    if (layout != MailboxLayout::OutlookDump) messageStart = 0;
    const auto emit = [&](std::size_t end) {
        if (!messageStart) return;
        const std::string_view bytes = mailbox.substr(*messageStart, end - *messageStart);
        if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
        visit({layout == MailboxLayout::Mbox ? Unquoted(bytes, buffer) : bytes, separator});
    };
    const SeparatorStart start = SeparatorStartOf(layout);
    std::size_t lastSeparatorAt = 0;
    for (std::size_t at = NextCandidate(mailbox, 0, start); at != std::string_view::npos;) {
        const std::size_t end = FindLineEnd(mailbox, at);
        // A line that the bytes so far do not end is judged once it is whole: cut short, it
        // may look dated where the whole line is not.
        if (holdLast && end == mailbox.size()) break;
        const std::string_view line = mailbox.substr(at, end - at);
        const std::size_t next = NextLineStart(mailbox, end);
        const bool crLf = mailbox.compare(end, 2, "\r\n") == 0;
        if (IsSeparator(line, layout, AfterEmptyLine(mailbox, at), crLf)) {
            emit(at);
            separator = layout == MailboxLayout::OutlookDump ? std::string_view() : line;
            messageStart = next;
            lastSeparatorAt = at;
        }
        at = NextCandidate(mailbox, next, start);
    }
    if (holdLast) return lastSeparatorAt;
    emit(mailbox.size());
    return mailbox.size();
}

}  // namespace

void CutMessages(std::string_view mailbox, MailboxLayout layout, const MessageVisitor& visit) {
    Cut(mailbox, layout, visit, false);
}

std::size_t CutWholeMessages(std::string_view mailboxSoFar, MailboxLayout layout, const MessageVisitor& visit) {
    return Cut(mailboxSoFar, layout, visit, true);
}

}  // namespace mirelo
