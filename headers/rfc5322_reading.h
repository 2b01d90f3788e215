#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "headers/message_cutter.h"
#include "scan/address_list.h"
#include "scan/text_mode_reader.h"

namespace mirelo {

// Reads one message as RFC 5322 and MIME have it: every address of every field of the
// chosen kinds, in its header block and in those of the messages attached to it whole,
// with the names as UTF-8. What the list's ScanExtras ask for is gathered too: the day of
// each block's records is its own Date:, else (for the message itself) its separator
// line's; List-Post: addresses are kept.
void ReadRfc5322Message(std::string_view message, std::string_view separator, AddressList& list, TextId label,
                        HeaderKindSet kinds);

class Rfc5322BlockRecords;

// Reads message after message as ReadRfc5322Message does, keeping its buffers from one to
// the next: for stores that hand their header blocks over one at a time. The list holds
// a message's records when Read returns.
class Rfc5322MessageReader {
public:
    Rfc5322MessageReader(AddressList& list, HeaderKindSet kinds);
    ~Rfc5322MessageReader();
    Rfc5322MessageReader(const Rfc5322MessageReader&) = delete;
    Rfc5322MessageReader& operator=(const Rfc5322MessageReader&) = delete;

    void Read(std::string_view message, std::string_view separator, TextId label);

private:
    std::unique_ptr<Rfc5322BlockRecords> records_;
};

// Every message of a mailbox file, cut where its layout says. A watch, when given, sees
// the bytes gone through of the file's size and may end the reading early.
Result<> ReadRfc5322Mailbox(const std::string& path, MailboxLayout layout, AddressList& list, std::string_view label,
                            HeaderKindSet kinds, const ReadWatch& watch = {});

// The one message a source holds, to its end.
Result<> ReadRfc5322MessageSource(ByteSource& source, AddressList& list, std::string_view label, HeaderKindSet kinds);

}  // namespace mirelo
