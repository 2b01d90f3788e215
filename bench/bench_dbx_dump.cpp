// Cost of reading an Outlook Express store through the text dump: DumpDbxToText and then
// ScanMailbox on the dump, against ScanMailbox alone on a plain mailbox holding the same
// messages.
//
//   bench_dbx_dump [--size-mb N]     (default 512)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "scan/address_list.h"
#include "headers/mailbox_scanner.h"
#include "sources/dbx/dbx_dump.h"
#include "store_writer/dbx_writer.h"

namespace {

constexpr mirelo::HeaderKindSet kEveryKind = mirelo::HeaderKindSet::Original();

std::string ProblemOf(const mirelo::Result<mirelo::DumpDamage>& dump) {
    return dump.Ok() ? dump.Value().value_or("") : dump.Error().Text();
}

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

// Mail as an Outlook Express inbox holds it: 10 to 25 header lines, a body of plain and
// quoted paragraphs, now and then a base64 attachment; CR LF throughout.
class MessageMaker {
public:
    std::string Make() {
        std::string text;
        const int headerLines = Between(10, 25);
        Header(text, "Return-Path: <" + Address() + ">");
        Header(text, "From: \"" + Person() + "\" <" + Address() + ">");
        Header(text, "To: " + Person() + " <" + Address() + ">");
        Header(text, "Subject: " + Sentence(3, 9));
        for (int i = 4; i < headerLines; ++i) Header(text, OtherHeader());
        text += "\r\n";
        for (int paragraph = Between(1, 5); paragraph > 0; --paragraph) {
            const std::string_view prefix = Between(0, 2) == 0 ? "> " : "";
            for (int line = Between(2, 10); line > 0; --line)
                text.append(prefix).append(Sentence(5, 14)).append("\r\n");
            text += "\r\n";
        }
        if (Between(0, 3) == 0) Attachment(text);
        return text;
    }

private:
    static void Header(std::string& text, const std::string& line) { text.append(line).append("\r\n"); }

    std::string OtherHeader() {
        switch (Between(0, 7)) {
            case 0: return "Sender: " + Address();
            case 1: return "Reply-To: " + Address();
            case 2: return "Cc: " + Person() + " <" + Address() + ">";
            case 3: return "Received: from " + Pick(kDomains) + " by mx.example.com; Tue, 4 Mar 2003 10:12:44 +0100";
            case 4: return "Message-ID: <" + std::to_string(random_()) + "@" + Pick(kDomains) + ">";
            case 5: return "X-Mailer: Microsoft Outlook Express 6.00.2800.1106";
            case 6: return "Content-Type: text/plain; charset=\"iso-8859-1\"";
            default: return "Date: Tue, 4 Mar 2003 10:" + std::to_string(Between(10, 59)) + ":00 +0100";
        }
    }

    void Attachment(std::string& text) {
        static constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        text += "Content-Type: application/pdf; name=\"minutes.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        for (int line = Between(30, 500); line > 0; --line) {
            for (int i = 0; i < 76; ++i) text += kBase64[static_cast<std::size_t>(Between(0, 63))];
            text += "\r\n";
        }
    }

    std::string Sentence(int low, int high) {
        std::string words = Pick(kWords);
        for (int n = Between(low, high); n > 1; --n) words.append(" ").append(Pick(kWords));
        return words;
    }
    std::string Person() { return Pick(kGivenNames) + " " + Pick(kFamilyNames); }
    std::string Address() { return Pick(kMailboxes) + std::to_string(Between(1, 400)) + "@" + Pick(kDomains); }

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    template <std::size_t N>
    std::string Pick(const std::string_view (&choices)[N]) {
        return std::string(choices[static_cast<std::size_t>(Between(0, static_cast<int>(N) - 1))]);
    }

    static constexpr std::string_view kGivenNames[] = {"Olga",  "Pieter", "Ruth", "Sven",
                                                       "Tomas", "Ursula", "Vera", "Wim"};
    static constexpr std::string_view kFamilyNames[] = {"Amsel", "Brink", "Claes", "Dorn", "Eklund", "Fabre", "Gruber"};
    static constexpr std::string_view kMailboxes[] = {"garden", "olga.b", "p.brink", "ruth", "orders", "club-news"};
    static constexpr std::string_view kDomains[] = {"example.com", "example.org", "example.net", "mail.example.de"};
    static constexpr std::string_view kWords[] = {"roses", "need",   "pruning", "before", "the",     "frost", "and",
                                                  "seeds", "arrive", "on",      "Monday", "meeting", "moved", "to",
                                                  "hall",  "please", "bring",   "your",   "own",     "tools", "thanks"};

    std::mt19937 random_{20030304};
};

template <typename Action>
double Seconds(const Action& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void ReadThrough(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    }
}

std::uint64_t SizeMegabytes(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--size-mb")
        return std::max(1ull, std::strtoull(argv[2], nullptr, 10));
    if (argc != 1) {
        std::cerr << "usage: " << argv[0] << " [--size-mb N]\n";
        std::exit(2);
    }
    return 512;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t sizeBytes = SizeMegabytes(argc, argv) << 20;
    const fs::path folder = fs::temp_directory_path() / ("mirelo-bench-dbx-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path store = folder / "Inbox.dbx";
    const fs::path mailbox = folder / "Inbox.mbx";
    const fs::path dump = folder / "outlook_temp.mbx";

    std::cout << "bench_dbx_dump: writing a store of " << (sizeBytes >> 20) << " MB of messages..." << std::flush;
    std::size_t messages = 0;
    {
        MessageMaker maker;
        mirelo::testing::DbxStoreBuilder builder;
        std::ofstream plain(mailbox, std::ios::binary);
        for (std::uint64_t written = 0; written < sizeBytes; ++messages) {
            std::string text = maker.Make();
            plain << text;
            written += text.size();
            builder.AddMessage(std::move(text), mirelo::testing::TextPositionStorage::DataField);
        }
        const std::string bytes = builder.Build().bytes;
        std::ofstream(store, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const double storeMb = static_cast<double>(fs::file_size(store)) / (1 << 20);
    std::cout << " " << storeMb << " MB, " << messages << " messages\n";
    ReadThrough(store);
    ReadThrough(mailbox);

    // The two are timed in turns, so that a change in the machine's load falls on both.
    // The dump file stays from run to run, as it does from store to store in an extraction.
    mirelo::AddressList viaDump;
    mirelo::AddressList direct;
    mirelo::Result<mirelo::DumpDamage> outcome = mirelo::DumpDamage();
    double dumpSeconds = 1e300;
    double scanSeconds = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        viaDump.Reset();
        dumpSeconds = std::min(dumpSeconds, Seconds([&] {
                                   outcome = mirelo::DumpDbxToText(store.string(), dump.string(), dump.string());
                                   mirelo::ScanMailbox(dump.string(), viaDump, store.string(), kEveryKind);
                               }));
        direct.Reset();
        scanSeconds =
            std::min(scanSeconds, Seconds([&] { mirelo::ScanMailbox(mailbox.string(), direct, mailbox.string(), kEveryKind); }));
    }

    fs::remove_all(folder);

    const double ratio = dumpSeconds / scanSeconds;
    std::printf("  dump + scan: %8.3f s  %8.1f MB/s  (%d records%s%s)\n", dumpSeconds, storeMb / dumpSeconds,
                viaDump.Count(), ProblemOf(outcome).empty() ? "" : ", problem: ", ProblemOf(outcome).c_str());
    std::printf("  scan alone:  %8.3f s  %8.1f MB/s  (%d records)\n", scanSeconds, storeMb / scanSeconds,
                direct.Count());
    std::printf("  dump + scan / scan time: %.2f (target at most 1.50: %s)\n", ratio, ratio <= 1.5 ? "met" : "MISSED");
    return viaDump.Count() == direct.Count() && outcome.Ok() && !outcome.Value() ? 0 : 1;
}
