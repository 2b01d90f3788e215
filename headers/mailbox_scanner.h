#pragma once

#include <string>
#include <string_view>

#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "base/result.h"
#include "scan/text_mode_reader.h"

namespace mirelo {

// Appends one record per kept header line of the chosen kinds in every message of the
// file, labelled with label, and gathers what the list's ScanExtras ask for. A file that
// cannot be opened appends nothing, and one that cannot be read to its end keeps what was
// read before; both fail with the system's reason. A watch, when given, sees the bytes read
// of the file's size after each block and may end the reading early.
Result<> ScanMailbox(const std::string& path, AddressList& list, std::string_view label, HeaderKindSet kinds,
                     const ReadWatch& watch = {});

// The same on any byte source (an in-memory mailbox, for instance).
Result<> ScanMailboxSource(ByteSource& source, AddressList& list, std::string_view label, HeaderKindSet kinds);

}  // namespace mirelo
