#pragma once

#include <functional>
#include <string_view>

namespace mirelo {

enum class MailboxLayout {
    Mbox,         // messages after "From " separator lines, body lines quoted as ">From "
    Eudora,       // messages after "From ???@???" separator lines, nothing quoted
    OutlookDump,  // messages after "___Message___ : N" CR LF marker lines
};

struct CutMessage {
    std::string_view bytes;      // the message without its separator; ">From " lines unquoted in an mbox
    std::string_view separator;  // the separator line without its line end; empty for the dump
};

using MessageVisitor = std::function<void(const CutMessage&)>;

// Cuts a whole mailbox into its messages, in order, and shows each to the visitor; the
// views last for the call. Bytes before the first separator of an mbox or a Eudora mailbox
// are a message without a separator, unless they are blank; in a dump they are none. A
// 0x1A byte is data like any other.
void CutMessages(std::string_view mailbox, MailboxLayout layout, const MessageVisitor& visit);

// The same for the first part of a mailbox that is read a block at a time: the last
// message, which may go on in the next block, is held back. Gives where it starts (at its
// separator line; 0 when no message ended yet), which the next call begins with.
std::size_t CutWholeMessages(std::string_view mailboxSoFar, MailboxLayout layout, const MessageVisitor& visit);

}  // namespace mirelo
