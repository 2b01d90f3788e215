#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/address_list.h"
#include "scan/header_kinds.h"
#include "scan/mail_day.h"

namespace mirelo {

// Appends a scan's records to a list a few records behind the scan, so that looking their
// texts up in the list's tables does not wait on memory for each: a record's texts are
// copied and hashed as it comes and the table slots they start at fetched, the texts
// those slots point to are fetched half way along, and the record is appended last. The
// list ends exactly as Append one record at a time would leave it (the same records,
// ids, days and decoded names, in the same order), but only once Flush has run: a scan
// flushes before it returns or reads the list, and the destructor flushes what is left.
class AddressAppender {
public:
    explicit AddressAppender(AddressList& list) : list_(list) {}
    ~AddressAppender();
    AddressAppender(const AddressAppender&) = delete;
    AddressAppender& operator=(const AddressAppender&) = delete;

    // A record from a message of the day given, with its name's decoded form when given.
    void Append(std::string_view email, std::string_view name, TextId mailbox, HeaderKind kind, MailDay day,
                std::optional<std::string_view> decodedName = std::nullopt);
    void Flush();

private:
    // A record's slots are fetched kDepth records before it is appended, the texts they
    // point to kTextsAhead records before.
    static constexpr std::size_t kDepth = 16;
    static constexpr std::size_t kTextsAhead = 8;
    // Records are appended straight away while the address table is smaller than this:
    // its lookups find what they read in the cache, and queueing would only cost.
    static constexpr std::size_t kQueueFrom = 16384;
    static constexpr std::size_t kLongestKeptText = 4096;

    // The strings keep their memory from one record to the next.
    struct Pending {
        std::string email;
        std::string name;
        std::uint32_t emailHash = 0;
        std::uint32_t nameHash = 0;
        TextId mailbox = TextTable::kEmpty;
        HeaderKind kind = 0;
        MailDay day = kUnknownDay;
        bool hasDecodedName = false;
        std::string decodedName;
    };

    Pending& At(std::size_t position) { return pending_[(first_ + position) % kDepth]; }
    void PrefetchFirstProbes(const Pending& pending) const;
    void AppendOldest();
    void Keep(const HashedText& email, const HashedText& name, TextId mailbox, HeaderKind kind, MailDay day,
              std::optional<std::string_view> decodedName);

    AddressList& list_;
    std::array<Pending, kDepth> pending_;
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

}  // namespace mirelo
