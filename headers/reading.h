#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "headers/message_cutter.h"
#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "scan/text_mode_reader.h"

namespace mirelo {

// How a message's header lines become records: the original line rule (one address per
// line, around its first '@'), or RFC 5322's reading of every address of every field.
enum class ReadingRules { Original, Rfc5322 };

// What an extraction reads of each message.
struct Reading {
    HeaderKindSet kinds = HeaderKindSet::Original();
    ReadingRules rules = ReadingRules::Original;
};

// A file of many messages, read by the reading's rules; the layout tells the RFC 5322
// reading where each message starts. A watch, when given, sees how far the reading has
// come and may end it early. Fails when the file cannot be opened or read to its end.
Result<> ReadMailbox(const std::string& path, MailboxLayout layout, const Reading& reading, AddressList& list,
                     std::string_view label, const ReadWatch& watch = {});

// The one message a source holds.
Result<> ReadMessageFrom(ByteSource& source, const Reading& reading, AddressList& list, std::string_view label);

}  // namespace mirelo
