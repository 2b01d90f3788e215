#include "scan/address_appender.h"

#include <new>

namespace mirelo {

// Scans flush before they return, so that a day or name that cannot be kept fails them
// as it always did; here only what a scan that failed otherwise left behind is appended.
AddressAppender::~AddressAppender() {
    try {
        Flush();
    } catch (const std::bad_alloc&) {
    }
}

void AddressAppender::Append(std::string_view email, std::string_view name, TextId mailbox, HeaderKind kind,
                             MailDay day, std::optional<std::string_view> decodedName) {
    if (count_ == 0 && list_.Emails().Count() < kQueueFrom) {
        Keep({email, TextTable::Hash(email)}, {name, TextTable::Hash(name)}, mailbox, kind, day, decodedName);
        return;
    }
    if (count_ == kDepth) AppendOldest();
    Pending& pending = At(count_);
    try {
        pending.email.assign(email);
        pending.name.assign(name);
        if (decodedName) pending.decodedName.assign(*decodedName);
    } catch (const std::bad_alloc&) {
        return;  // dropped, as the list drops a record whose texts it cannot keep
    }
    pending.emailHash = TextTable::Hash(email);
    pending.nameHash = TextTable::Hash(name);
    pending.mailbox = mailbox;
    pending.kind = kind;
    pending.day = day;
    pending.hasDecodedName = decodedName.has_value();
    list_.Emails().PrefetchSlot({pending.email, pending.emailHash});
    list_.Names().PrefetchSlot({pending.name, pending.nameHash});
    ++count_;
}

void AddressAppender::Flush() {
    for (std::size_t i = 0; i < count_; ++i) PrefetchFirstProbes(At(i));
    while (count_ > 0) AppendOldest();
}

void AddressAppender::PrefetchFirstProbes(const Pending& pending) const {
    list_.Emails().PrefetchFirstProbe({pending.email, pending.emailHash});
    list_.Names().PrefetchFirstProbe({pending.name, pending.nameHash});
}

void AddressAppender::AppendOldest() {
    if (count_ > kTextsAhead) PrefetchFirstProbes(At(kTextsAhead));
    Pending& pending = At(0);
    first_ = (first_ + 1) % kDepth;
    --count_;
    Keep({pending.email, pending.emailHash}, {pending.name, pending.nameHash}, pending.mailbox, pending.kind,
         pending.day, pending.hasDecodedName ? std::optional<std::string_view>(pending.decodedName) : std::nullopt);
    // Damaged mail can hold a text of megabytes; its copy is not kept for later records.
    for (std::string* text : {&pending.email, &pending.name, &pending.decodedName})
        if (text->capacity() > kLongestKeptText) std::string().swap(*text);
}

void AddressAppender::Keep(const HashedText& email, const HashedText& name, TextId mailbox, HeaderKind kind,
                           MailDay day, std::optional<std::string_view> decodedName) {
    if (!list_.Append(email, name, mailbox, kind)) return;
    const AddressRecord& record = *list_.At(list_.Count() - 1);
    if (day != kUnknownDay) list_.NoteDay(record.email, day);
    if (decodedName) list_.NoteDecodedName(record.name, *decodedName);
}

}  // namespace mirelo
