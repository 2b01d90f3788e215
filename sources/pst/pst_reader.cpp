#include "sources/pst/pst_reader.h"

#include "base/two_stages.h"
#include "headers/rfc5322_reading.h"
#include "sources/pst/pst_messaging.h"

namespace mirelo {

namespace {

constexpr std::size_t kDamageShown = 3;
constexpr std::size_t kRunsAhead = 4;

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

// Messages read from the file before their records are made, each with its folder; one
// that could not be read keeps its place, for the progress, without its content.
struct MessageRun {
    struct Read {
        std::size_t folder = 0;
        bool lost = false;
        PstMessageEntry message;
    };
    std::vector<Read> reads = std::vector<Read>(128);  // their room kept from run to run
    std::size_t count = 0;
};

// One store's messages, read a run at a time, and made into records run by run. The two
// stages share nothing but the runs: the file is the reading's, the list the recording's.
class StoreReading {
public:
    StoreReading(PstStore& pst, const FoundStore& store, StoreBatch& batch, HeaderKindSet kinds, bool includeTrash)
        : pst_(pst),
          store_(store),
          batch_(batch),
          kinds_(kinds),
          includeTrash_(includeTrash),
          folders_(pst.Folders()),
          headerReader_(batch.records, kinds) {
        for (const PstFolderEntry& folder : folders_)
            if (Wanted(folder)) total_ += folder.messages.size();
    }

    // Fills the run with the next messages; false when none is left after them.
    bool ReadRun(MessageRun& run) {
        run.count = 0;
        for (; folderAt_ < folders_.size(); ++folderAt_, messageAt_ = 0) {
            if (!Wanted(folders_[folderAt_])) continue;
            for (; messageAt_ < folders_[folderAt_].messages.size(); ++messageAt_) {
                if (run.count == run.reads.size()) return true;
                MessageRun::Read& read = run.reads[run.count++];
                read.folder = folderAt_;
                const Result<> message = pst_.ReadMessage(folders_[folderAt_].messages[messageAt_], read.message);
                read.lost = !message.Ok();
                if (read.lost) {
                    ++lost_;
                    pst_.Damage().push_back(message.Error().Text());
                }
            }
        }
        return false;
    }

    // Appends the run's records; false when the reading is to stop.
    bool RecordRun(const MessageRun& run) {
        for (std::size_t i = 0; i < run.count; ++i) {
            const MessageRun::Read& read = run.reads[i];
            LabelUpTo(read.folder + 1);
            if (!GoOn(batch_.watch, done_++, total_)) {
                stopped_ = true;
                return false;
            }
            if (read.lost) continue;
            AppendMessage(read.message, kinds_, label_, batch_.records, headerReader_);
            unresolved_ += UnresolvedAddresses(read.message);
        }
        return true;
    }

    // What the reading met, once both stages are done.
    void Report() {
        if (stopped_) return;
        LabelUpTo(folders_.size());
        if (!pst_.Damage().empty()) batch_.problems.push_back({store_.path, DamageLine(pst_.Damage(), lost_)});
        if (unresolved_ > 0)
            batch_.notices.push_back({store_.path, std::to_string(unresolved_) +
                                                       " Exchange addresses have no SMTP form in the file and give no record"});
    }

private:
    bool Wanted(const PstFolderEntry& folder) const { return includeTrash_ || !folder.trash; }

    // Labels are interned folder by folder, the empty ones' too, as if read one by one.
    void LabelUpTo(std::size_t end) {
        for (; labelled_ < end; ++labelled_) {
            const PstFolderEntry& folder = folders_[labelled_];
            if (Wanted(folder))
                label_ = batch_.records.Mailboxes().Intern(folder.path.empty() ? store_.label
                                                                                : store_.label + "/" + folder.path);
        }
    }

    PstStore& pst_;
    const FoundStore& store_;
    StoreBatch& batch_;
    const HeaderKindSet kinds_;
    const bool includeTrash_;
    const std::vector<PstFolderEntry> folders_;
    Rfc5322MessageReader headerReader_;
    std::size_t total_ = 0;
    // The reading's own.
    std::size_t folderAt_ = 0;
    std::size_t messageAt_ = 0;  // in that folder's messages
    std::size_t lost_ = 0;
    // The recording's own.
    std::size_t labelled_ = 0;
    TextId label_ = TextTable::kEmpty;
    std::size_t done_ = 0;
    std::size_t unresolved_ = 0;
    bool stopped_ = false;
};

}  // namespace

void PstReader::Read(const FoundStore& store, StoreBatch& batch) {
    Result<std::unique_ptr<PstStore>> opened = PstStore::Open(store.path);
    if (!opened.Ok()) {
        batch.problems.push_back({store.path, opened.Error().Text()});
        return;
    }
    StoreReading reading(*opened.Value(), store, batch, reading_.kinds, includeTrash_);
    // With a second thread free, the file is read a few runs ahead of the records: the
    // blocks' decoding and the headers' parsing take about as long each.
    const bool beside = batch.threads > 1;
    std::vector<MessageRun> ring(beside ? kRunsAhead : 1);
    RunTwoStages(
        ring, beside, [&](MessageRun& run) { return reading.ReadRun(run); },
        [&](const MessageRun& run) { return reading.RecordRun(run); });
    reading.Report();
}

}  // namespace mirelo
