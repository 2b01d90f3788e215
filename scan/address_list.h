#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/prefetch.h"
#include "scan/address_record.h"
#include "scan/header_kinds.h"
#include "scan/mail_day.h"
#include "scan/text_table.h"

namespace mirelo {

// The first and last day an address was seen on.
struct DaySpan {
    MailDay first = kUnknownDay;
    MailDay last = kUnknownDay;
};

// What the scans into a list gather beyond the records, each only when asked, since it
// costs time.
struct ScanExtras {
    bool captureDates = false;          // the list notes the days each address was seen on
    bool decodeNames = false;           // each name's decoded form is kept beside it
    bool captureListAddresses = false;  // the list keeps the addresses of List-Post: lines
    bool namesInUtf8 = false;           // the reading gives names as UTF-8, not as the mail's bytes
};

// Pooled record list with the tables of its texts. Records are made in blocks and never
// move or vanish before the list does, so views may keep plain pointers to them across
// extractions; emptying the list keeps every record as a spare for the next extraction.
class AddressList {
public:
    static constexpr int kGrowStep = 100;

    AddressList();
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;

    // Copies the record, whose ids belong to this list's tables, into the next spare
    // record; drops it when the list cannot grow.
    void Append(const AddressRecord& record);
    // The same for texts, which the tables take in when new; mailbox is an id already.
    // False when the record was dropped.
    bool Append(std::string_view email, std::string_view name, TextId mailbox, HeaderKind kind);
    bool Append(const HashedText& email, const HashedText& name, TextId mailbox, HeaderKind kind);
    void Append(std::string_view email, std::string_view name, std::string_view mailbox, HeaderKind kind);
    // Every record of other, in its order, after those of this list.
    void AppendAll(const AddressList& other);
    // Empties the list and its tables.
    void Reset();
    // Puts the records shown, those not marked duplicates, first in the order of shown,
    // which holds each of them once, and the duplicates after them in the order they had.
    void ArrangeShownFirst(const std::vector<AddressRecord*>& shown);

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(blocks_.size()) * kGrowStep; }
    AddressRecord* At(int position) const { return Item(static_cast<std::size_t>(position)); }
    // Brings in what At(position) reads, for a pass that visits positions out of order.
    void PrefetchAt(int position) const { Prefetch(&Item(static_cast<std::size_t>(position))); }

    std::string_view Email(const AddressRecord& record) const { return emails_.Text(record.email); }
    std::string_view Name(const AddressRecord& record) const { return names_.Text(record.name); }
    std::string_view Mailbox(const AddressRecord& record) const { return mailboxes_.Text(record.mailbox); }

    TextTable& Emails() { return emails_; }
    TextTable& Names() { return names_; }
    TextTable& Mailboxes() { return mailboxes_; }
    const TextTable& Emails() const { return emails_; }
    const TextTable& Names() const { return names_; }
    const TextTable& Mailboxes() const { return mailboxes_; }

    // Kept across Reset, for every extraction into the list.
    void AskScanExtras(const ScanExtras& extras) { extras_ = extras; }
    const ScanExtras& ScanExtrasAsked() const { return extras_; }
    // What a scan asked for it gathers beside the records: the days each address id was
    // seen on, and the addresses the mail's List-Post: lines name.
    void NoteDay(TextId email, MailDay day);
    DaySpan DaysOf(TextId email) const { return email < days_.size() ? days_[email] : DaySpan{}; }
    void NoteListAddress(std::string_view address) { listAddresses_.emplace_back(address); }
    // The name with its encoded words decoded, for the formats that write it so; the
    // name itself when it has none. The first noted for a name stays.
    void NoteDecodedName(TextId name, std::string_view decoded);
    std::string_view DecodedName(const AddressRecord& record) const;
    const std::vector<std::string>& ListAddresses() const { return listAddresses_; }

private:
    // The records' places in list order are kept in pages that never move, so that a list
    // of millions grows without copying them, and the memory of the copies is never
    // touched: a fresh page costs the system more than the copy itself.
    static constexpr std::size_t kPageBits = 16;
    static constexpr std::size_t kPageSize = std::size_t{1} << kPageBits;

    bool Grow();
    AddressRecord*& Item(std::size_t position) const { return pages_[position >> kPageBits][position & (kPageSize - 1)]; }

    std::vector<std::unique_ptr<AddressRecord[]>> blocks_;
    std::vector<std::unique_ptr<AddressRecord*[]>> pages_;
    int count_ = 0;
    TextTable emails_;
    TextTable names_;
    TextTable mailboxes_;
    std::vector<DaySpan> days_;  // by email id; empty unless dates were noted
    std::vector<TextId> decodedNames_;  // by name id: the decoded name's id, or kNoDecodedName
    static constexpr TextId kNoDecodedName = ~TextId{0};
    std::vector<std::string> listAddresses_;
    ScanExtras extras_;
};

}  // namespace mirelo
