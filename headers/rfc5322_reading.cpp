#include "headers/rfc5322_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/file_handle.h"
#include "base/native_path.h"
#include "headers/address_parser.h"
#include "headers/list_post.h"
#include "headers/mail_date.h"
#include "headers/message_headers.h"
#include "scan/address_appender.h"

namespace mirelo {

namespace {

// A mailbox is read in blocks of this size; the watch hears of each.
constexpr std::size_t kReadBlock = 4 << 20;

}  // namespace

// The addresses of one header block, passed on once the block's date is known. One serves
// every message of a mailbox, so that its buffers are made once; the list holds the
// records read once Finish has run.
class Rfc5322BlockRecords {
    // The tags of the fields that are no header kind; a kind's field is tagged with its kind.
    static constexpr int kDateTag = kHeaderKindCount;
    static constexpr int kListPostTag = kHeaderKindCount + 1;

public:
    Rfc5322BlockRecords(AddressList& list, HeaderKindSet kinds)
        : list_(list), records_(list), kinds_(kinds), extras_(list.ScanExtrasAsked()) {
        foundKinds_.reserve(16);
    }

    void Read(std::string_view message, std::string_view separator, TextId label) {
        separator_ = separator;
        label_ = label;
        VisitMessageHeaders(
            message, [&](const HeaderField& field) { See(field); }, [&](std::string_view name) { return Wanted(name); });
        Flush(0);
    }

    void Finish() { records_.Flush(); }

    // The fields of the chosen kinds, tagged with their kind, and those the extras ask for.
    int Wanted(std::string_view name) const {
        if (const HeaderKind kind = KindOfFieldName(name); kind != kNoKind)
            return kinds_.Has(kind) ? kind : kFieldNotWanted;
        if (extras_.captureDates && EqualsNoCase(name, "Date")) return kDateTag;
        if (extras_.captureListAddresses && EqualsNoCase(name, "List-Post")) return kListPostTag;
        return kFieldNotWanted;
    }

    void See(const HeaderField& field) {
        if (field.block != block_) Flush(field.block);
        if (field.tag == kDateTag) {
            if (day_ == kUnknownDay) day_ = DayOfDate(field.value);
        } else if (field.tag == kListPostTag) {
            if (const std::string_view address = ListPostAddress(field.value); !address.empty())
                list_.NoteListAddress(address);
        } else {
            ParseAddressList(field.value, found_);
            // One at a time: a resize to add one costs several times more.
            while (foundKinds_.size() < found_.Size()) foundKinds_.push_back(field.tag);
        }
    }

    void Flush(int nextBlock) {
        if (extras_.captureDates && day_ == kUnknownDay && block_ == 0) day_ = DayOfSeparatorLine(separator_);
        for (std::size_t i = 0; i < found_.Size(); ++i)
            records_.Append(found_[i].address, found_[i].name, label_, foundKinds_[i], day_);
        found_.Clear();
        foundKinds_.clear();
        day_ = kUnknownDay;
        block_ = nextBlock;
    }

private:
    AddressList& list_;
    AddressAppender records_;
    HeaderKindSet kinds_;
    TextId label_ = TextTable::kEmpty;
    std::string_view separator_;
    const ScanExtras& extras_;
    int block_ = 0;
    MailDay day_ = kUnknownDay;
    MailboxList found_;
    std::vector<HeaderKind> foundKinds_;  // by found_'s index
};

Rfc5322MessageReader::Rfc5322MessageReader(AddressList& list, HeaderKindSet kinds)
    : records_(std::make_unique<Rfc5322BlockRecords>(list, kinds)) {}

Rfc5322MessageReader::~Rfc5322MessageReader() = default;

void Rfc5322MessageReader::Read(std::string_view message, std::string_view separator, TextId label) {
    records_->Read(message, separator, label);
    records_->Finish();
}

void ReadRfc5322Message(std::string_view message, std::string_view separator, AddressList& list, TextId label,
                        HeaderKindSet kinds) {
    Rfc5322MessageReader(list, kinds).Read(message, separator, label);
}

Result<> ReadRfc5322Mailbox(const std::string& path, MailboxLayout layout, AddressList& list, std::string_view label,
                            HeaderKindSet kinds, const ReadWatch& watch) {
    // Read a block at a time rather than mapped: each block is gone over twice (cut into
    // messages, then their headers read), and the copy leaves it in the cache for both.
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot open " + path, errno);
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    // A mail client may shorten the mailbox while it is read: the source tells.
    const std::uint64_t size = FileSizeOrZero(path);
    FileByteSource source(file.get(), size);
    // The records of one message go on queued behind those of the next.
    Rfc5322BlockRecords records(list, kinds);
    const TextId labelId = list.Mailboxes().Intern(label);
    const MessageVisitor read = [&](const CutMessage& message) {
        records.Read(message.bytes, message.separator, labelId);
    };
    // Each block is read straight after the bytes not yet cut (the last message read so
    // far, perhaps whole), in a buffer that grows to hold both and is never filled in vain.
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t pending = 0;
    std::uint64_t done = 0;
    for (;;) {
        if (capacity < pending + kReadBlock) {
            capacity = std::max(2 * capacity, pending + kReadBlock);
            auto larger = std::make_unique_for_overwrite<char[]>(capacity);
            if (pending > 0) std::memcpy(larger.get(), buffer.get(), pending);
            buffer = std::move(larger);
        }
        const std::size_t got = source.Read(buffer.get() + pending, kReadBlock);
        if (got == 0) break;
        pending += got;
        done += got;
        const std::size_t cut = CutWholeMessages(std::string_view(buffer.get(), pending), layout, read);
        std::memmove(buffer.get(), buffer.get() + cut, pending - cut);
        pending -= cut;
        if (!GoOn(watch, done, size)) {
            records.Finish();
            return {};
        }
    }
    if (const std::error_code error = source.Error()) return SystemFailure("cannot read " + path, error);
    CutMessages(std::string_view(buffer.get(), pending), layout, read);
    records.Finish();
    return {};
}

Result<> ReadRfc5322MessageSource(ByteSource& source, AddressList& list, std::string_view label, HeaderKindSet kinds) {
    std::string message;
    char block[1 << 16];
    for (std::size_t got; (got = source.Read(block, sizeof block)) > 0;) message.append(block, got);
    if (const std::error_code error = source.Error()) return SystemFailure("read error", error);
    ReadRfc5322Message(message, {}, list, list.Mailboxes().Intern(label), kinds);
    return {};
}

}  // namespace mirelo
