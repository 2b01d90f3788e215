// Parses arbitrary bytes as an address-list field body: every name must be valid UTF-8,
// and every address must have text on both sides of an '@' and be made only of bytes the
// input holds, so that nothing is invented.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "headers/address_parser.h"
#include "base/windows1252.h"
#include "fuzz/record_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using mirelo::fuzz::Require;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::array<bool, 256> held{};
    for (const unsigned char c : body) held[c] = true;
    mirelo::MailboxList mailboxes;
    mirelo::ParseAddressList(body, mailboxes);
    for (const mirelo::Mailbox& mailbox : mailboxes) {
        Require(mirelo::IsValidUtf8(mailbox.name));
        const std::size_t at = mailbox.address.find('@');
        Require(at != std::string::npos && at > 0 && at + 1 < mailbox.address.size());
        for (const unsigned char c : mailbox.address) Require(held[c]);
    }
    return 0;
}
