#include "headers/message_cutter.h"

#include <optional>
#include <string>

#include "headers/mail_date.h"

namespace mirelo {

namespace {

constexpr std::string_view kMarker = "___Message___ : ";

std::string_view LineFrom(std::string_view bytes, std::size_t at) {
    const std::size_t end = bytes.find_first_of("\r\n", at);
    return bytes.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

std::size_t NextLineStart(std::string_view bytes, std::size_t at) {
    const std::size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string_view::npos) return bytes.size();
    return end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
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

// The message with its quoted "From " lines restored; copies only when there is one.
std::string_view Unquoted(std::string_view message, std::string& buffer) {
    bool any = false;
    for (std::size_t at = 0; at < message.size() && !any; at = NextLineStart(message, at))
        any = IsQuotedFromLine(LineFrom(message, at));
    if (!any) return message;
    buffer.clear();
    for (std::size_t at = 0; at < message.size();) {
        const std::size_t next = NextLineStart(message, at);
        const std::string_view line = message.substr(at, next - at);
        buffer += IsQuotedFromLine(LineFrom(message, at)) ? line.substr(1) : line;
        at = next;
    }
    return buffer;
}

}  // namespace

void CutMessages(std::string_view mailbox, MailboxLayout layout, const MessageVisitor& visit) {
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
    bool afterEmptyLine = true;
    for (std::size_t at = 0; at < mailbox.size();) {
        const std::string_view line = LineFrom(mailbox, at);
        const std::size_t next = NextLineStart(mailbox, at);
        const bool crLf = mailbox.compare(at + line.size(), 2, "\r\n") == 0;
        if (IsSeparator(line, layout, afterEmptyLine, crLf)) {
            emit(at);
            separator = layout == MailboxLayout::OutlookDump ? std::string_view() : line;
            messageStart = next;
        }
        afterEmptyLine = line.empty();
        at = next;
    }
    emit(mailbox.size());
}

}  // namespace mirelo
