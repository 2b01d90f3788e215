// Throughput of ScanMailbox on a large generated Eudora mailbox, against grep looking
// for the same six header names on the same file.
//
//   bench_scan_mailbox [--size-mb N]     (default 256)

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "headers/mailbox_scanner.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

// Writes messages until the file holds at least sizeBytes: separator lines, 10 to 25
// header lines mixing the six kinds with the others real mail carries, and bodies with
// quoted lines, quoted "From:" lines and base64 attachments; CR LF line ends throughout.
class MailboxWriter {
public:
    explicit MailboxWriter(std::ofstream& out) : out_(out) {}

    void WriteMessage() {
        Line("From ???@??? Mon Mar 12 09:" + Digits(2) + ":" + Digits(2) + " 2001");
        WriteHeaders();
        Line("");
        WriteBody();
        Line("");
    }

    std::uint64_t BytesWritten() const { return written_; }

private:
    void WriteHeaders() {
        std::vector<std::string> headers = {
            "Return-Path: <" + Address() + ">",
            "From: " + Name() + " <" + Address() + ">",
            "To: " + Address(),
            "Subject: Re: " + Words(Uniform(2, 8)),
            "Message-ID: <" + Digits(12) + "." + Digits(6) + "@" + Host() + ">",
            "Date: Mon, 12 Mar 2001 09:" + Digits(2) + ":" + Digits(2) + " +0100",
        };
        if (Chance(40)) headers.push_back("Sender: " + Address());
        if (Chance(30)) headers.push_back("X-Sender: " + Address() + " (Unverified)");
        if (Chance(40)) headers.push_back("Reply-To: \"" + Name() + "\" <" + Address() + ">");
        if (Chance(50)) headers.push_back("Cc: " + Name() + " <" + Address() + ">, " + Address());
        if (Chance(50)) headers.push_back("Delivered-To: " + Address());
        const std::vector<std::string> others = {
            "Received: from " + Host() + " (" + Host() + " [10.0.0." + Digits(2) + "]) by " + Host() +
                " with ESMTP id " + Digits(8) + "; Mon, 12 Mar 2001 09:00:00 +0100",
            "MIME-Version: 1.0",
            "Content-Type: multipart/mixed; boundary=\"----=_NextPart_000_" + Digits(10) + "\"",
            "X-Mailer: QUALCOMM Windows Eudora Version 4.3.2",
            "X-Priority: 3",
            "Status: RO",
            "X-UIDL: " + Digits(20),
            "In-Reply-To: <" + Digits(10) + "@" + Host() + ">",
        };
        const int total = Uniform(10, 25);
        while (static_cast<int>(headers.size()) < total) headers.push_back(others[Index(others.size())]);
        std::shuffle(headers.begin() + 1, headers.end(), random_);
        for (const std::string& header : headers) Line(header);
    }

    void WriteBody() {
        for (int paragraph = Uniform(1, 6); paragraph > 0; --paragraph) {
            const bool quoted = Chance(40);
            if (quoted && Chance(30)) Line("> From: " + Name() + " <" + Address() + ">");
            if (quoted && Chance(5)) Line("From: " + Name());  // a forwarded header, unquoted
            for (int n = Uniform(2, 12); n > 0; --n) Line((quoted ? "> " : "") + Words(Uniform(6, 13)));
            Line("");
        }
        if (Chance(25)) {
            Line("Content-Type: application/octet-stream; name=\"report.doc\"");
            Line("Content-Transfer-Encoding: base64");
            Line("");
            for (int n = Uniform(20, 400); n > 0; --n) Line(Base64Line());
        }
    }

    void Line(const std::string& text) {
        out_ << text << "\r\n";
        written_ += text.size() + 2;
    }

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::size_t Index(std::size_t size) { return static_cast<std::size_t>(Uniform(0, static_cast<int>(size) - 1)); }
    bool Chance(int percent) { return Uniform(1, 100) <= percent; }

    std::string Pick(const std::vector<std::string>& choices) { return choices[Index(choices.size())]; }

    std::string Digits(int n) {
        std::string digits;
        for (int i = 0; i < n; ++i) digits += static_cast<char>('0' + Uniform(0, 9));
        return digits;
    }

    std::string Name() { return Pick(kFirstNames) + " " + Pick(kLastNames); }
    std::string Host() { return Pick(kHosts); }
    std::string Address() { return Pick(kLocalParts) + Digits(Uniform(0, 3)) + "@" + Host(); }

    std::string Words(int n) {
        std::string text = Pick(kWords);
        while (--n > 0) text += " " + Pick(kWords);
        return text;
    }

    std::string Base64Line() {
        static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string line(76, 'A');
        for (char& c : line) c = kAlphabet[Uniform(0, 63)];
        return line;
    }

    inline static const std::vector<std::string> kFirstNames = {"Anne", "Bruno", "Clara", "Dmitri", "Eva", "Farid",
                                                                 "Greta", "Hugo", "Ines", "Jonas", "Karin", "Luis"};
    inline static const std::vector<std::string> kLastNames = {"Meyer", "Novak", "Olsen", "Petit", "Quinn", "Rossi",
                                                                "Schmidt", "Tanaka", "Ullman", "Vidal"};
    inline static const std::vector<std::string> kLocalParts = {"info", "sales", "anne.meyer", "b.novak", "clara",
                                                                 "dmitri_o", "eva-petit", "list-owner", "news"};
    inline static const std::vector<std::string> kHosts = {"mailhost.example", "relay.example.org", "mx1.example.net",
                                                            "post.example.de", "smtp.example.fr"};
    inline static const std::vector<std::string> kWords = {
        "the", "meeting", "is", "moved", "to", "Thursday", "please", "send", "report", "before", "noon", "and",
        "thanks", "for", "your", "help", "with", "order", "number", "attached", "we", "will", "ship", "next",
        "week", "regards", "from", "all", "of", "us", "at", "office"};

    std::ofstream& out_;
    std::mt19937 random_{20010312};
    std::uint64_t written_ = 0;
};

void WriteMailbox(const std::filesystem::path& path, std::uint64_t sizeBytes) {
    std::ofstream out(path, std::ios::binary);
    MailboxWriter writer(out);
    while (writer.BytesWritten() < sizeBytes) writer.WriteMessage();
}

void WarmCache(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    }
}

template <typename Action>
double Seconds(Action action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string RunGrep(const std::filesystem::path& path) {
    const std::string command =
        "grep -c -i -E '^(from|to|return-path|sender|x-sender|reply-to):' '" + path.string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "?";
    char line[64] = "";
    if (!std::fgets(line, sizeof line, pipe)) line[0] = '\0';
    pclose(pipe);
    std::string count = line;
    if (!count.empty() && count.back() == '\n') count.pop_back();
    return count;
}

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::uint64_t ParseSizeMegabytes(int argc, char** argv) {
    std::uint64_t sizeMb = 256;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--size-mb" && i + 1 < argc) {
            sizeMb = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::cerr << "usage: " << argv[0] << " [--size-mb N]\n";
            std::exit(arg == "--help" ? 0 : 2);
        }
    }
    return std::max<std::uint64_t>(sizeMb, 1);
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t sizeMb = ParseSizeMegabytes(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("mirelo-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / "Big.mbx";

    std::cout << "bench_scan_mailbox: writing a " << sizeMb << " MB mailbox..." << std::flush;
    WriteMailbox(path, sizeMb << 20);
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    std::cout << " " << megabytes << " MB\n";
    WarmCache(path);

    mirelo::AddressList list;
    std::string grepCount;
    const long residentBefore = PeakResidentKilobytes();
    // Best of three each, taken in turns, so that a change in the machine's load falls
    // on both sides alike.
    double scanSeconds = 1e300;
    double grepSeconds = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        scanSeconds = std::min(scanSeconds, Seconds([&] {
                                   list.Reset();
                                   mirelo::ScanMailbox(path.string(), list, path.string(), mirelo::HeaderKindSet::Original());
                               }));
        grepSeconds = std::min(grepSeconds, Seconds([&] { grepCount = RunGrep(path); }));
    }
    const long residentAfter = PeakResidentKilobytes();

    std::filesystem::remove_all(folder);

    const double ratio = scanSeconds / grepSeconds;
    std::printf("  ScanMailbox: %8.3f s  %8.1f MB/s  (%d records, peak RSS grew by %ld KB)\n", scanSeconds,
                megabytes / scanSeconds, list.Count(), residentAfter - residentBefore);
    std::printf("  grep -c -i:  %8.3f s  %8.1f MB/s  (%s matching lines)\n", grepSeconds, megabytes / grepSeconds,
                grepCount.c_str());
    std::printf("  ScanMailbox / grep time: %.2f (target at most 1.50: %s)\n", ratio, ratio <= 1.5 ? "met" : "MISSED");
    return 0;
}
