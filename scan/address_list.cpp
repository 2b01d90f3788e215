#include "scan/address_list.h"

#include <algorithm>
#include <new>

namespace mirelo {

AddressList::AddressList() { Grow(); }

bool AddressList::Grow() {
    const auto capacity = static_cast<std::size_t>(Capacity());
    try {
        if ((capacity + kGrowStep - 1) >> kPageBits >= pages_.size())
            pages_.push_back(std::make_unique_for_overwrite<AddressRecord*[]>(kPageSize));
        auto block = std::make_unique<AddressRecord[]>(kGrowStep);
        for (std::size_t i = 0; i < kGrowStep; ++i) Item(capacity + i) = &block[i];
        blocks_.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void AddressList::Append(const AddressRecord& record) {
    if (count_ == Capacity() && !Grow()) return;
    *Item(static_cast<std::size_t>(count_)) = record;
    ++count_;
}

bool AddressList::Append(std::string_view email, std::string_view name, TextId mailbox, HeaderKind kind) {
    return Append(HashedText{email, TextTable::Hash(email)}, HashedText{name, TextTable::Hash(name)}, mailbox, kind);
}

bool AddressList::Append(const HashedText& email, const HashedText& name, TextId mailbox, HeaderKind kind) {
    AddressRecord record;
    try {
        record.email = emails_.Intern(email.text, email.hash);
        record.name = names_.Intern(name.text, name.hash);
    } catch (const std::bad_alloc&) {
        return false;  // a record whose texts cannot be kept is dropped, as one that finds no room
    }
    record.mailbox = mailbox;
    record.headerKind = static_cast<std::uint8_t>(kind);
    const int before = count_;
    Append(record);
    return count_ > before;
}

void AddressList::Append(std::string_view email, std::string_view name, std::string_view mailbox,
                         HeaderKind kind) {
    try {
        Append(email, name, mailboxes_.Intern(mailbox), kind);
    } catch (const std::bad_alloc&) {
    }
}

void AddressList::ArrangeShownFirst(const std::vector<AddressRecord*>& shown) {
    // From the back, so that each duplicate moves to a place already read: no copy of
    // the list is needed.
    auto place = static_cast<std::size_t>(count_);
    for (std::size_t i = place; i-- > 0;)
        if (Item(i)->duplicate) Item(--place) = Item(i);
    for (std::size_t i = 0; i < shown.size(); ++i) Item(i) = shown[i];
}

void AddressList::NoteDay(TextId email, MailDay day) {
    if (day == kUnknownDay) return;
    if (email >= days_.size()) days_.resize(email + std::size_t{1});
    DaySpan& span = days_[email];
    if (span.first == kUnknownDay || day < span.first) span.first = day;
    span.last = std::max(span.last, day);
}

void AddressList::NoteDecodedName(TextId name, std::string_view decoded) {
    if (name >= decodedNames_.size()) decodedNames_.resize(name + std::size_t{1}, kNoDecodedName);
    if (decodedNames_[name] == kNoDecodedName) decodedNames_[name] = names_.Intern(decoded);
}

std::string_view AddressList::DecodedName(const AddressRecord& record) const {
    if (record.name < decodedNames_.size() && decodedNames_[record.name] != kNoDecodedName)
        return names_.Text(decodedNames_[record.name]);
    return Name(record);
}

void AddressList::AppendAll(const AddressList& other) {
    std::vector<TextId> email, name, mailbox;
    try {
        email = emails_.InternAll(other.emails_);
        name = names_.InternAll(other.names_);
        mailbox = mailboxes_.InternAll(other.mailboxes_);
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int i = 0; i < other.Count(); ++i) {
        AddressRecord record = *other.At(i);
        record.email = email[record.email];
        record.name = name[record.name];
        record.mailbox = mailbox[record.mailbox];
        Append(record);
    }
    for (TextId id = 0; id < other.days_.size(); ++id) {
        NoteDay(email[id], other.days_[id].first);
        NoteDay(email[id], other.days_[id].last);
    }
    for (TextId id = 0; id < other.decodedNames_.size(); ++id)
        if (other.decodedNames_[id] != kNoDecodedName) NoteDecodedName(name[id], other.names_.Text(other.decodedNames_[id]));
    listAddresses_.insert(listAddresses_.end(), other.listAddresses_.begin(), other.listAddresses_.end());
}

void AddressList::Reset() {
    count_ = 0;
    emails_.Clear();
    names_.Clear();
    mailboxes_.Clear();
    days_.clear();
    decodedNames_.clear();
    listAddresses_.clear();
}

}  // namespace mirelo
