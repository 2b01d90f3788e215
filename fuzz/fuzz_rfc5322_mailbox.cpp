// Reads arbitrary bytes as a mailbox by RFC 5322 and MIME: nested and multipart messages,
// folded fields, encoded words, dates and List-Post: lines. Every address must have text on
// both sides of an '@' and be made only of bytes the input holds, every name must be valid
// UTF-8, and the mailbox cut a block at a time must give the records of the whole.
//
// The first input byte is not mailbox text: it picks the layout and what is gathered.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/windows1252.h"
#include "fuzz/record_invariants.h"
#include "headers/message_cutter.h"
#include "headers/rfc5322_reading.h"

namespace {

using mirelo::AddressList;
using mirelo::CutMessage;
using mirelo::MailboxLayout;

std::vector<std::string> Records(const AddressList& list) {
    std::vector<std::string> records;
    for (int i = 0; i < list.Count(); ++i) {
        const mirelo::AddressRecord& record = *list.At(i);
        records.push_back(std::string(list.Email(record)) + '|' + std::string(list.Name(record)) + '|' +
                          std::to_string(record.headerKind));
    }
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using mirelo::fuzz::Require;
    if (size == 0) return 0;
    const MailboxLayout layouts[] = {MailboxLayout::Mbox, MailboxLayout::Eudora, MailboxLayout::OutlookDump};
    const MailboxLayout layout = layouts[data[0] % 3];
    const mirelo::ScanExtras extras{.captureDates = (data[0] & 4) != 0,
                                    .decodeNames = (data[0] & 8) != 0,
                                    .captureListAddresses = (data[0] & 16) != 0,
                                    .namesInUtf8 = true};
    const std::string_view mailbox(reinterpret_cast<const char*>(data) + 1, size - 1);

    AddressList whole, inBlocks;
    for (AddressList* list : {&whole, &inBlocks}) list->AskScanExtras(extras);
    mirelo::Rfc5322MessageReader readWhole(whole, mirelo::HeaderKindSet::Every());
    mirelo::Rfc5322MessageReader readInBlocks(inBlocks, mirelo::HeaderKindSet::Every());
    const mirelo::TextId label = whole.Mailboxes().Intern("Fuzz.mbx");
    const mirelo::TextId blocksLabel = inBlocks.Mailboxes().Intern("Fuzz.mbx");
    mirelo::CutMessages(mailbox, layout,
                        [&](const CutMessage& message) { readWhole.Read(message.bytes, message.separator, label); });

    // As a file is read: what is not cut yet goes before the next block.
    const auto readBlock = [&](const CutMessage& message) {
        readInBlocks.Read(message.bytes, message.separator, blocksLabel);
    };
    std::string pending;
    for (std::size_t at = 0, step = 1; at < mailbox.size(); at += step, step = step * 3 % 61 + 1) {
        pending.append(mailbox.substr(at, step));
        pending.erase(0, mirelo::CutWholeMessages(pending, layout, readBlock));
    }
    mirelo::CutMessages(pending, layout, readBlock);

    const std::vector<std::string> records = Records(whole);
    Require(records == Records(inBlocks));
    bool held[256] = {};
    for (const unsigned char c : mailbox) held[c] = true;
    for (int i = 0; i < whole.Count(); ++i) {
        const std::string_view email = whole.Email(*whole.At(i));
        const std::size_t at = email.find('@');
        Require(at != std::string_view::npos && at > 0 && at + 1 < email.size());
        for (const unsigned char c : email) Require(held[c]);
        Require(mirelo::IsValidUtf8(std::string(whole.Name(*whole.At(i)))));
    }
    return 0;
}
