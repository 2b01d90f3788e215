#pragma once

#include <string>
#include <string_view>

#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "scan/result.h"
#include "scan/text_mode_reader.h"

namespace mirelo {

// Appends one record per kept header line that holds an address, for every message in
// the file, labelled with mailboxLabel, and gathers what the list's ScanExtras ask for.
// A file that cannot be opened appends nothing and fails with the system's reason. A
// watch, when given, sees the bytes read of the file's size after each block and may end
// the reading early.
Result<> ScanMailbox(const std::string& path, AddressList& list, std::string_view mailboxLabel,
                     const ReadWatch& watch = {});

// The same on any byte source (an in-memory mailbox, for instance).
void ScanMailboxSource(ByteSource& source, AddressList& list, std::string_view mailboxLabel);

// Parses the kept lines of one message in kind order and appends a record for each line
// that holds a whole address of its own. May rewrite the slots.
void EmitMessageRecords(HeaderSlots& slots, AddressList& list, std::string_view mailboxLabel);

}  // namespace mirelo
