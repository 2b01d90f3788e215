#include "headers/reading.h"

#include "headers/mailbox_scanner.h"
#include "headers/rfc5322_reading.h"

namespace mirelo {

Result<> ReadMailbox(const std::string& path, MailboxLayout layout, const Reading& reading, AddressList& list,
                     std::string_view label, const ReadWatch& watch) {
    if (reading.rules == ReadingRules::Original) return ScanMailbox(path, list, label, reading.kinds, watch);
    return ReadRfc5322Mailbox(path, layout, list, label, reading.kinds, watch);
}

Result<> ReadMessageFrom(ByteSource& source, const Reading& reading, AddressList& list, std::string_view label) {
    if (reading.rules == ReadingRules::Original) return ScanMailboxSource(source, list, label, reading.kinds);
    return ReadRfc5322MessageSource(source, list, label, reading.kinds);
}

}  // namespace mirelo
