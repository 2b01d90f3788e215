#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mirelo {

struct Mailbox {
    std::string address;  // the bytes the field holds, white space and comments left out
    std::string name;     // UTF-8; empty when the field gives none
};

// Mailboxes in the order found. Emptying the list keeps the strings of those it held for
// the next ones: a reader of many fields would otherwise allocate for most addresses.
class MailboxList {
public:
    // A mailbox with empty texts after the others.
    Mailbox& Add();
    void RemoveLast() { --size_; }
    void Clear() { size_ = 0; }
    std::size_t Size() const { return size_; }
    const Mailbox& operator[](std::size_t i) const { return mailboxes_[i]; }
    const Mailbox* begin() const { return mailboxes_.data(); }
    const Mailbox* end() const { return mailboxes_.data() + size_; }

private:
    std::vector<Mailbox> mailboxes_;
    std::size_t size_ = 0;
};

// Every mailbox of an RFC 5322 address list (From:, To:, Cc: and the like), groups
// included, in field order. Obsolete forms (routes, spaces around dots) are read;
// garbage is passed over without inventing anything: an address always has text on both
// sides of its '@', its domain is an ASCII host name, and it never comes from a display
// name or a comment. They are added to into, after what it holds, so that a reader of
// many fields keeps one list for them all.
void ParseAddressList(std::string_view unfoldedFieldBody, MailboxList& into);

}  // namespace mirelo
