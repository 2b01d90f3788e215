#include "sources/pst/pst_reader.h"

#include "headers/rfc5322_reading.h"
#include "sources/pst/pst_messaging.h"

namespace mirelo {

namespace {

constexpr std::size_t kDamageShown = 3;

// Days from 1601-01-01 to 1970-01-01, and FILETIME ticks in a day.
constexpr std::int64_t kDaysBefore1970 = 134774;
constexpr std::uint64_t kTicksPerDay = 864000000000;
constexpr MailDay kLastDay = 2932896;  // 9999-12-31

MailDay DayOfFileTime(std::uint64_t time) {
    const std::int64_t day = static_cast<std::int64_t>(time / kTicksPerDay) - kDaysBefore1970;
    return day > kLastDay ? kUnknownDay : static_cast<MailDay>(day);
}

HeaderKind RecipientKind(int type) {
    switch (type) {
        case 1: return kToKind;
        case 2: return kCcKind;
        case 3: return kBccKind;
        default: return kNoKind;
    }
}

// The addresses a message without a header block holds. The sender it was sent for is
// its From; the one who sent it, when another, its Sender.
void AppendStoredAddresses(const PstMessageEntry& message, HeaderKindSet kinds, TextId label, AddressList& list) {
    const auto add = [&](const PstAddress& address, HeaderKind kind) {
        if (!address.email.empty() && kinds.Has(kind)) list.Append(address.email, address.name, label, kind);
    };
    const bool sentForAnother = !message.representing.email.empty() && message.representing.email != message.sender.email;
    add(message.representing.email.empty() ? message.sender : message.representing, kFromKind);
    if (sentForAnother) add(message.sender, kSenderKind);
    for (const PstRecipientEntry& recipient : message.recipients) add(recipient.address, RecipientKind(recipient.type));
}

// Exchange addresses of a message read without a header block that give no record.
std::size_t UnresolvedAddresses(const PstMessageEntry& message) {
    if (message.transportHeaders) return 0;
    std::size_t count = message.sender.exchangeOnly + message.representing.exchangeOnly;
    for (const PstRecipientEntry& recipient : message.recipients) count += recipient.address.exchangeOnly;
    return count;
}

void AppendMessage(const PstMessageEntry& message, HeaderKindSet kinds, TextId label, AddressList& list,
                   Rfc5322MessageReader& headerReader) {
    const int before = list.Count();
    if (message.transportHeaders)
        headerReader.Read(*message.transportHeaders, "", label);
    else
        AppendStoredAddresses(message, kinds, label, list);
    if (!message.time || !list.ScanExtrasAsked().captureDates) return;
    const MailDay day = DayOfFileTime(*message.time);
    for (int i = before; i < list.Count(); ++i) list.NoteDay(list.At(i)->email, day);
}

std::string DamageLine(const std::vector<std::string>& damage, std::size_t lostMessages) {
    std::string line = "damaged";
    if (lostMessages > 0) line += ", " + std::to_string(lostMessages) + (lostMessages == 1 ? " message" : " messages") + " lost";
    line += ": ";
    for (std::size_t i = 0; i < damage.size() && i < kDamageShown; ++i) line += (i ? "; " : "") + damage[i];
    if (damage.size() > kDamageShown) line += "; and " + std::to_string(damage.size() - kDamageShown) + " more";
    return line;
}

}  // namespace

void PstReader::Read(const FoundStore& store, StoreBatch& batch) {
    Result<std::unique_ptr<PstStore>> opened = PstStore::Open(store.path);
    if (!opened.Ok()) {
        batch.problems.push_back({store.path, opened.Error().Text()});
        return;
    }
    PstStore& pst = *opened.Value();
    const std::vector<PstFolderEntry> folders = pst.Folders();
    std::size_t total = 0;
    for (const PstFolderEntry& folder : folders)
        if (includeTrash_ || !folder.trash) total += folder.messages.size();
    std::size_t done = 0;
    std::size_t lost = 0;
    std::size_t unresolved = 0;
    PstMessageEntry message;
    Rfc5322MessageReader headerReader(batch.records, reading_.kinds);
    for (const PstFolderEntry& folder : folders) {
        if (folder.trash && !includeTrash_) continue;
        const TextId label =
            batch.records.Mailboxes().Intern(folder.path.empty() ? store.label : store.label + "/" + folder.path);
        for (const std::uint32_t nid : folder.messages) {
            if (!GoOn(batch.watch, done++, total)) return;
            if (const Result<> read = pst.ReadMessage(nid, message); !read.Ok()) {
                ++lost;
                pst.Damage().push_back(read.Error().Text());
                continue;
            }
            AppendMessage(message, reading_.kinds, label, batch.records, headerReader);
            unresolved += UnresolvedAddresses(message);
        }
    }
    if (!pst.Damage().empty()) batch.problems.push_back({store.path, DamageLine(pst.Damage(), lost)});
    if (unresolved > 0)
        batch.notices.push_back({store.path, std::to_string(unresolved) +
                                                 " Exchange addresses have no SMTP form in the file and give no record"});
}

}  // namespace mirelo
