#include "headers/mailbox_scanner.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "base/ascii.h"
#include "headers/encoded_words.h"
#include "headers/header_line_parser.h"
#include "headers/list_post.h"
#include "headers/mail_date.h"
#include "base/native_path.h"
#include "scan/address_appender.h"

namespace mirelo {

namespace {

// The piece's text ends at its first NUL; a trailing run of CRs and LFs is no part of it.
std::string_view LineText(std::string_view piece) {
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size()))
        piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n')) piece.remove_suffix(1);
    return piece;
}

constexpr std::string_view kDateName = "Date:";
constexpr std::string_view kListPostName = "List-Post:";

// Most lines start with three bytes that begin no header name; the reader passes over
// them without their being cut at a NUL or matched.
TextModeLineReader::PieceStarts HeaderStarts(HeaderKindSet kinds, bool withExtraLines) {
    TextModeLineReader::PieceStarts starts;
    const auto bothCases = [](char c) {
        const unsigned char small = FoldAscii(static_cast<unsigned char>(c));
        return std::array<unsigned char, 2>{small, small >= 'a' && small <= 'z' ? static_cast<unsigned char>(small - ('a' - 'A')) : small};
    };
    const auto allow = [&](std::string_view name) {
        for (const unsigned char first : bothCases(name[0]))
            for (const unsigned char second : bothCases(name[1]))
                for (const unsigned char third : bothCases(name[2])) starts.Allow(first, second, third);
    };
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind)
        if (kinds.Matched() >> kind & 1u) allow(HeaderKindName(kind));
    if (withExtraLines) {
        allow(kDateName);
        allow(kListPostName);  // the "From " separator starts as the From: name does
    }
    return starts;
}

bool AllSlotsEmpty(const HeaderSlots& slots) {
    return std::all_of(slots.begin(), slots.end(), [](const std::string& slot) { return slot.empty(); });
}

// Messages are told apart only when a kind repeats, so a message's Date: line may come
// while the previous message's lines still wait in the slots: a date is the current
// message's only while that has none and no separator line came after its lines. A
// separator's date stands in for a message without a Date: line; it is read only then.
class MessageDays {
public:
    void SeeDate(MailDay day) { (pastSeparator_ || current_ != kUnknownDay ? next_ : current_) = day; }
    void SeeSeparator(std::string_view line, bool messageStarted) {
        (messageStarted ? nextSeparator_ : currentSeparator_).assign(line);
        pastSeparator_ = pastSeparator_ || messageStarted;
    }
    // The day of the message whose records are made now; the next message's becomes current.
    MailDay Take() {
        const MailDay day = current_ != kUnknownDay ? current_ : DayOfSeparatorLine(currentSeparator_);
        current_ = std::exchange(next_, kUnknownDay);
        currentSeparator_.swap(nextSeparator_);
        nextSeparator_.clear();
        pastSeparator_ = false;
        return day;
    }

private:
    MailDay current_ = kUnknownDay;
    MailDay next_ = kUnknownDay;
    std::string currentSeparator_;
    std::string nextSeparator_;
    bool pastSeparator_ = false;
};

void KeepListAddress(std::string_view line, AddressList& list) {
    if (const std::string_view address = ListPostAddress(line); !address.empty()) list.NoteListAddress(address);
}

// Lines of no kind that the scan was asked to read.
void ReadExtraLine(std::string_view line, const HeaderSlots& slots, const ScanExtras& extras, AddressList& list,
                   MessageDays& days) {
    if (extras.captureDates && StartsWithNoCase(line, kDateName))
        days.SeeDate(DayOfDate(LineText(line.substr(kDateName.size()))));
    else if (extras.captureDates && line.substr(0, 5) == "From ")
        days.SeeSeparator(LineText(line), !AllSlotsEmpty(slots));
    else if (extras.captureListAddresses && StartsWithNoCase(line, kListPostName))
        KeepListAddress(LineText(line), list);
}

// The texts of a message's records, which start without a name; a scan passes
// the same ones for every message so that their strings keep their memory.
struct MessageFields {
    HeaderFields working;
    HeaderFields decoded;
    std::string decodedLine;
};

// The addresses come from the line as it stands, so that every form of the list holds
// the same ones; the name is read a second time from the decoded line, and kept beside
// the first when that reading finds the same address.
void AppendMessageRecords(HeaderSlots& slots, AddressAppender& records, HeaderKindSet kinds, bool decodeNames,
                          MessageFields& fields, TextId label, MailDay day) {
    fields.working.name.clear();  // each line's parse sets the email
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        std::string& slot = slots[static_cast<std::size_t>(kind)];
        if (!kinds.Has(kind) || slot.empty()) continue;
        const bool encoded = decodeNames && slot.find("=?") != std::string::npos;
        if (encoded) {
            fields.decodedLine = slot;
            DecodeEncodedWords(fields.decodedLine);
            ParseHeaderLine(fields.decoded, fields.decodedLine);
        }
        ParseHeaderLine(fields.working, slot);
        if (fields.working.email.empty()) continue;  // no record without an address of its own
        std::optional<std::string_view> decodedName;
        if (encoded && fields.decoded.email == fields.working.email) decodedName = fields.decoded.name;
        records.Append(fields.working.email, fields.working.name, label, kind, day, decodedName);
    }
}

}  // namespace

Result<> ScanMailboxSource(ByteSource& source, AddressList& list, std::string_view label, HeaderKindSet kinds) {
    const ScanExtras& extras = list.ScanExtrasAsked();
    const bool readsExtraLines = extras.captureDates || extras.captureListAddresses;
    const TextModeLineReader::PieceStarts mayStartHeader = HeaderStarts(kinds, readsExtraLines);
    HeaderSlots slots;
    MessageFields working;
    MessageDays days;
    const TextId labelId = list.Mailboxes().Intern(label);
    AddressAppender records(list);
    const auto appendMessage = [&] {
        AppendMessageRecords(slots, records, kinds, extras.decodeNames, working, labelId, days.Take());
    };
    TextModeLineReader reader(source);
    std::string_view piece;
    while (reader.NextStartingWith(mayStartHeader, piece)) {
        // A header name holds no NUL, CR or LF, so the piece matches as its text would;
        // only header lines need their text cut out.
        const HeaderMatch match = MatchHeaderKind(slots, piece, kinds);
        if (match.kind == kNoKind) {
            if (readsExtraLines) ReadExtraLine(piece, slots, extras, list, days);
            continue;
        }
        if (!match.slotEmpty) {
            appendMessage();
            ClearSlots(slots);
        }
        StoreSlot(slots, match.kind, LineText(piece));
    }
    appendMessage();
    records.Flush();
    if (const std::error_code error = source.Error()) return SystemFailure("read error", error);
    return {};
}

Result<> ScanMailbox(const std::string& path, AddressList& list, std::string_view label, HeaderKindSet kinds,
                     const ReadWatch& watch) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot open " + path, errno);
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // the reader's own block is the buffer
    const std::uint64_t size = FileSizeOrZero(path);
    MappedFile mapped(file.get());
    MappedByteSource lent(mapped);
    FileByteSource reads(file.get(), size);
    ByteSource& bytes = mapped.Bytes().empty() ? static_cast<ByteSource&>(reads) : lent;
    WatchedByteSource source(bytes, size, watch);
    return ScanMailboxSource(source, list, label, kinds);
}

}  // namespace mirelo
