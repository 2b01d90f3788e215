#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirelo {

struct Mailbox {
    std::string address;  // the bytes the field holds, white space and comments left out
    std::string name;     // UTF-8; empty when the field gives none
};

// Every mailbox of an RFC 5322 address list (From:, To:, Cc: and the like), groups
// included, in field order. Obsolete forms (routes, spaces around dots) are read;
// garbage is passed over without inventing anything: an address always has text on both
// sides of its '@', its domain is an ASCII host name, and it never comes from a display
// name or a comment. They are appended to into, after what it holds, so that a reader of
// many fields keeps one vector for them all.
void ParseAddressList(std::string_view unfoldedFieldBody, std::vector<Mailbox>& into);

}  // namespace mirelo
