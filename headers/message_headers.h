#pragma once

#include <functional>
#include <string_view>

namespace mirelo {

// One unfolded header field of a message or of a message attached to it whole.
struct HeaderField {
    int block = 0;  // the header block it is in: 0 is the message's own, then each attached message in turn
    int depth = 0;  // how deep that message is attached: 0 for the message itself
    std::string_view name;   // as written; compare it without case
    std::string_view value;  // unfolded, without the white space after the colon
    int tag = 0;             // what the filter gave it
};

using HeaderVisitor = std::function<void(const HeaderField&)>;
// Which fields, by name, the visitor is shown: the filter gives each a tag of its choosing,
// which the visitor is shown with the field so that it need not tell the name again, or
// kFieldNotWanted to pass the field over unread.
inline constexpr int kFieldNotWanted = -1;
using FieldFilter = std::function<int(std::string_view name)>;

// Shows the visitor every field of the message's header block (it ends at the first empty
// line; CR LF, LF and a lone CR each end a line), then those of every message attached
// whole (message/rfc822, as a part of a multipart at any depth or as the body), down to a
// bound that keeps crafted mail from exhausting the stack. Body text is never read as
// headers.
void VisitMessageHeaders(std::string_view message, const HeaderVisitor& visit, const FieldFilter& wanted = {});

}  // namespace mirelo
