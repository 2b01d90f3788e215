// Generates Eudora folders of about 1 GB and compares a whole run of mirelo-extract (CSV
// included) with grep counting the same header lines at one worker, and with ripgrep
// counting them on two threads at two workers, taken in turns; the peak memory per record
// above an empty run's; and the RFC 5322 reading's time against the line rule's. The
// folders: dense (short messages, most header lines present), sparse (messages of 4 to 5 KB
// with 3 or 4 of the six header lines), long (the dense layout with addresses of 40 to 80
// characters) and real (thousands of small mailboxes whose messages carry the long header
// blocks of real mail: relay chains, signatures, mailing-list fields, folded lines). Each
// comparison gives the processor time beside the time, and the share of the machine a
// hypervisor took meanwhile, which on a shared host makes the times vary from run to run.
//   bench_extract [--size-mb N] [--corpus dense|sparse|long|real] [--keep]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDistinctAddresses = 200000;
constexpr int kFiles = 40;
constexpr std::size_t kRealMailboxBytes = 256 * 1024;

const char* const kFirstNames[] = {"Anna", "Tom", "Mei", "Kofi", "Rose", "Javier", "Lars", "Sofia", "Pat", "Ivan"};
const char* const kLastNames[] = {"Berg", "Wilde", "Lin", "Mensah", "Dupont", "Ortega", "Nilsson", "Rossi", "Quinn"};
const char* const kDomains[] = {"example.com", "example.org", "example.net", "mail.example.edu", "lists.example.co.uk"};

enum class Corpus { Dense, Sparse, Long, Real };
Corpus corpus = Corpus::Dense;

// Ranks drawn with a Zipf-like frequency: rank r is drawn in proportion to 1 / r.
class ZipfAddresses {
public:
    explicit ZipfAddresses(std::mt19937_64& random) : random_(random) {
        double total = 0;
        for (int r = 1; r <= kDistinctAddresses; ++r) cumulative_.push_back(total += 1.0 / r);
    }
    int Draw() {
        const double x = std::uniform_real_distribution<double>(0, cumulative_.back())(random_);
        return static_cast<int>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) - cumulative_.begin());
    }
    static std::string Address(int rank) {
        std::string address = std::string(kFirstNames[rank % 10]) + "." + kLastNames[rank / 10 % 9] + std::to_string(rank);
        const std::string domain = std::string("@") + kDomains[rank % 5];
        // 40 to 80 characters in all, spread by rank.
        const std::size_t length = 40 + static_cast<std::size_t>(rank % 41);
        if (corpus == Corpus::Long && address.size() + domain.size() < length)
            address += std::string(length - address.size() - domain.size(), "department"[rank % 10]);
        return address + domain;
    }
    static std::string Name(int rank) { return std::string(kFirstNames[rank % 10]) + " " + kLastNames[rank / 10 % 9]; }

private:
    std::mt19937_64& random_;
    std::vector<double> cumulative_;
};

class MailboxWriter {
public:
    explicit MailboxWriter(std::uint64_t seed) : random_(seed), addresses_(random_) {}

    std::string Message() {
        if (corpus == Corpus::Sparse) return SparseMessage();
        return corpus == Corpus::Real ? RealMessage() : DenseMessage();
    }

private:
    // From: and To: always, Return-Path: mostly, Reply-To: now and then; a body of 4 KB or so.
    std::string SparseMessage() {
        const int from = addresses_.Draw();
        const int to = addresses_.Draw();
        std::string m = "From ???@??? Mon Mar 03 09:14:22 2003\r\n";
        if (Chance(75)) m += "Return-Path: <" + ZipfAddresses::Address(from) + ">\r\n";
        m += RelaysFromAndTo(Between(2, 5), from, to);
        if (Chance(25)) m += "Reply-To: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        m += Trailer();
        for (int i = Between(40, 60); i > 0; --i) m += BodyLine();
        return m + "\r\n";
    }

    std::string DenseMessage() {
        const int from = addresses_.Draw();
        const int to = addresses_.Draw();
        std::string m = "From ???@??? Mon Mar 03 09:14:22 2003\r\n";
        m += "Return-Path: <" + ZipfAddresses::Address(from) + ">\r\n";
        m += RelaysFromAndTo(Between(1, 4), from, to);
        if (Chance(30)) m += "Cc: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        if (Chance(20)) m += "Sender: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        if (Chance(15)) m += "X-Sender: " + ZipfAddresses::Address(from) + " (Unverified)\r\n";
        if (Chance(25)) m += "Reply-To: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        m += Trailer();
        for (int i = Between(5, 30); i > 0; --i) m += BodyLine();
        if (Chance(10))
            for (int i = Between(10, 60); i > 0; --i)
                m += "QmFzZTY0IGJsb2NrcyBvZiBhdHRhY2htZW50cyBsb29rIGxpa2UgdGhpcyBsaW5lIGhlcmUgYW5k\r\n";
        return m + "\r\n";
    }

    // A header block of 2 to 4 KB, as list mail has, and a short body.
    std::string RealMessage() {
        const int from = addresses_.Draw();
        const int to = addresses_.Draw();
        const bool list = Chance(60);
        std::string m = "From ???@??? Tue Nov 12 18:02:51 2019\r\n";
        m += "Return-Path: <" + (list ? "list-bounces+" + std::to_string(to) + "@lists.example.org" : ZipfAddresses::Address(from)) + ">\r\n";
        m += "Delivered-To: " + ZipfAddresses::Address(to) + "\r\n";
        for (int i = Between(3, 8); i > 0; --i)
            m += "Received: from mail-relay" + std::to_string(i) + ".example.net (mail-relay" + std::to_string(i) +
                 ".example.net [198.51.100." + std::to_string(i) + "])\r\n"
                 "\tby mx" + std::to_string(i) + ".example.org (Postfix) with ESMTPS id 4" + std::to_string(random_() % 100000000) +
                 "\r\n\tfor <" + ZipfAddresses::Address(to) + ">; Tue, 12 Nov 2019 18:02:" + std::to_string(10 + i) +
                 " +0000 (UTC)\r\n";
        m += "ARC-Seal: i=1; a=rsa-sha256; t=1573581771; cv=none; d=example.org; s=arc-20160816;\r\n";
        m += "\tb=" + Base64Line(64) + "\r\n\t " + Base64Line(70) + "\r\n\t " + Base64Line(40) + "\r\n";
        m += "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.org; s=20161025;\r\n"
             "\th=from:to:subject:date:message-id:list-id:list-unsubscribe;\r\n"
             "\tbh=" + Base64Line(44) + ";\r\n\tb=" + Base64Line(70) + "\r\n\t " + Base64Line(70) + "\r\n\t " +
             Base64Line(70) + "\r\n\t " + Base64Line(30) + "\r\n";
        m += "X-Google-Smtp-Source: " + Base64Line(60) + "\r\n";
        m += "X-Received: by 2002:a17:90a:" + std::to_string(random_() % 10000) + " with SMTP id x" +
             std::to_string(random_() % 100000) + ";\r\n        Tue, 12 Nov 2019 18:02:51 -0800 (PST)\r\n";
        m += "From: \"" + ZipfAddresses::Name(from) + "\" <" + ZipfAddresses::Address(from) + ">\r\n";
        m += "To: " + (list ? "discussion@lists.example.org" : ZipfAddresses::Name(to) + " <" + ZipfAddresses::Address(to) + ">");
        m += Chance(30) ? ",\r\n\t" + ZipfAddresses::Name(to) + " <" + ZipfAddresses::Address(to) + ">\r\n" : "\r\n";
        if (Chance(30)) m += "Cc: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        if (Chance(20)) m += "Reply-To: " + ZipfAddresses::Address(addresses_.Draw()) + "\r\n";
        if (list && Chance(30)) m += "Sender: \"Discussion\" <list-bounces@lists.example.org>\r\n";
        m += "Subject: Re: [discussion] the release plans for the coming winter " + std::to_string(random_() % 1000) + "\r\n";
        m += "Date: Tue, 12 Nov 2019 18:02:40 -0800\r\nMessage-ID: <" + std::to_string(random_()) + "@mail.example.org>\r\n";
        m += "In-Reply-To: <" + std::to_string(random_()) + "@mail.example.org>\r\nReferences: <" +
             std::to_string(random_()) + "@mail.example.org>\r\n <" + std::to_string(random_()) + "@mail.example.org>\r\n";
        if (list)
            m += "List-Id: Discussion of the project <discussion.lists.example.org>\r\n"
                 "List-Unsubscribe: <https://lists.example.org/options/discussion>,\r\n <mailto:discussion-request@lists.example.org?subject=unsubscribe>\r\n"
                 "List-Archive: <https://lists.example.org/archives/discussion>\r\n"
                 "List-Post: <mailto:discussion@lists.example.org>\r\n"
                 "List-Help: <mailto:discussion-request@lists.example.org?subject=help>\r\n"
                 "List-Subscribe: <https://lists.example.org/listinfo/discussion>,\r\n <mailto:discussion-request@lists.example.org?subject=subscribe>\r\n"
                 "Precedence: list\r\n";
        m += "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"000000000000" + std::to_string(random_() % 100000000) +
             "\"\r\nX-Spam-Status: No, score=-2.6 required=5.0 tests=BAYES_00,DKIM_SIGNED,DKIM_VALID autolearn=ham\r\n\r\n";
        for (int i = Between(5, 40); i > 0; --i) m += BodyLine();
        return m + "\r\n";
    }

    std::string Base64Line(std::size_t length) {
        static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string line(length, 'A');
        for (char& c : line) c = kDigits[random_() % 64];
        return line;
    }

    std::string RelaysFromAndTo(int relays, int from, int to) {
        std::string m;
        for (int i = relays; i > 0; --i)
            m += "Received: from relay" + std::to_string(i) + ".example.net (relay.example.net [192.0.2.7])\r\n"
                 "\tby mx.example.org with ESMTP id x" + std::to_string(random_() % 100000) + "\r\n";
        m += "From: \"" + ZipfAddresses::Name(from) + "\" <" + ZipfAddresses::Address(from) + ">\r\n";
        return m + "To: " + ZipfAddresses::Name(to) + " <" + ZipfAddresses::Address(to) + ">\r\n";
    }

    std::string Trailer() {
        return "Subject: Re: the plans for the weekend " + std::to_string(random_() % 1000) + "\r\n"
               "Date: Mon, 3 Mar 2003 09:14:10 +0100\r\n"
               "Message-ID: <" + std::to_string(random_()) + "@example.org>\r\n"
               "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n";
    }

    std::string BodyLine() {
        switch (random_() % 8) {
            case 0: return "> " + std::string("On Monday you wrote that the meeting moves to Thursday.") + "\r\n";
            case 1: return "> From: " + ZipfAddresses::Name(addresses_.Draw()) + "\r\n";
            case 2: return "\r\n";
            default: return "The garden needs water twice a week until the rain comes back again.\r\n";
        }
    }
    bool Chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
    int Between(int low, int high) { return low + static_cast<int>(random_() % static_cast<unsigned>(high - low + 1)); }

    std::mt19937_64 random_;
    ZipfAddresses addresses_;
};

// The real folder's mailboxes hold a quarter of a megabyte each, the others 40 in all.
int FileCount(std::uintmax_t totalBytes) {
    return corpus == Corpus::Real ? std::max(kFiles, static_cast<int>(totalBytes / kRealMailboxBytes)) : kFiles;
}

std::vector<std::string> GenerateFolder(const fs::path& root, std::uintmax_t totalBytes) {
    const char* const folders[] = {"", "Lists/", "Lists/Old Lists/", "Archive.mbx/", "Archive.mbx/2002/"};
    std::vector<std::string> files;
    MailboxWriter writer(42);
    const int count = FileCount(totalBytes);
    const std::size_t chunkBytes = std::min<std::size_t>(1 << 20, kRealMailboxBytes);
    for (int i = 0; i < count; ++i) {
        const fs::path file = root / (std::string(folders[i % 5]) + "Box" + std::to_string(i) + ".mbx");
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        std::string chunk;
        for (std::uintmax_t written = 0; written < totalBytes / static_cast<std::uintmax_t>(count); written += chunk.size()) {
            chunk.clear();
            while (chunk.size() < chunkBytes) chunk += writer.Message();
            out << chunk;
        }
        files.push_back(file.string());
    }
    return files;
}

struct RunResult {
    double seconds;
    double processorSeconds;  // user and system: unlike seconds, blind to time a hypervisor takes
    long peakKilobytes;
    int status;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Best holds the least time and processor time of the runs it has seen, and the largest
// peak and exit status.
void KeepBest(RunResult& best, const RunResult& run) {
    best.seconds = std::min(best.seconds, run.seconds);
    best.processorSeconds = std::min(best.processorSeconds, run.processorSeconds);
    best.peakKilobytes = std::max(best.peakKilobytes, run.peakKilobytes);
    best.status = std::max(best.status, run.status);
}

RunResult RunCommand(std::vector<std::string> arguments, const std::string& stdoutPath, const std::string& stderrPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return {0, 0, 0, -1};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    return {std::chrono::duration<double>(Clock::now() - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            usage.ru_maxrss, WEXITSTATUS(status)};
}

long OriginalCount(const std::string& stderrPath) {
    std::ifstream in(stderrPath);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find("original email addresses") != std::string::npos) last = line;
    return std::atol(last.c_str());
}

std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

// The machine's processor ticks since it started: all, and those its hypervisor took (steal).
struct Ticks {
    unsigned long long all = 0;
    unsigned long long stolen = 0;
};

Ticks ReadTicks() {
    std::ifstream in("/proc/stat");
    std::string cpu;
    in >> cpu;
    Ticks ticks;
    for (int field = 0; field < 8; ++field) {
        unsigned long long count = 0;
        in >> count;
        ticks.all += count;
        if (field == 7) ticks.stolen = count;
    }
    return ticks;
}

// The share of the processors' time the hypervisor took since then: on a shared host, the
// times in seconds are worth only as much as this is small.
double StolenShare(const Ticks& since) {
    const Ticks now = ReadTicks();
    return now.all > since.all ? static_cast<double>(now.stolen - since.stolen) / static_cast<double>(now.all - since.all) : 0;
}

// What mirelo-extract at the given number of workers races: grep at one, ripgrep on as
// many threads at more, each counting the lines that start with one of the six names. The
// ripgrep flags make it read what grep reads: every file named, binary or not, with no
// configuration file.
std::vector<std::string> CountingCommand(const std::vector<std::string>& files, int workers) {
    const std::string pattern = "^(from|to|return-path|sender|x-sender|reply-to):";
    std::vector<std::string> command = {"grep", "-c", "-i", "-E", pattern};
    if (workers > 1)
        command = {"rg", "--no-config", "--no-ignore", "--text", "-c", "-j", std::to_string(workers), "-i", "-e", pattern};
    command.insert(command.end(), files.begin(), files.end());
    return command;
}

// mirelo-extract and its rival in turns, three times, at the given number of workers; the
// best time of each and the largest peak of the extraction.
int Compare(const fs::path& work, const fs::path& mail, const std::vector<std::string>& files, long emptyKilobytes,
             int workers) {
    const std::vector<std::string> rival = CountingCommand(files, workers);
    const std::string out = (work / "out.csv").string(), err = (work / "err.txt").string();
    const std::vector<std::string> extract = {MIRELO_EXTRACT, "--workers", std::to_string(workers), "--output", out,
                                              mail.string()};
    std::vector<std::string> rfc5322 = extract;
    rfc5322.insert(rfc5322.begin() + 1, {"--rules", "rfc5322"});
    RunResult best{1e9, 1e9, 0, 0};
    RunResult rivalBest{1e9, 1e9, 0, 0};
    double rfc5322Best = 1e9;
    const Ticks start = ReadTicks();
    for (int round = 0; round < 3; ++round) {
        // grep stops at the first match when its output is /dev/null, so it writes a file.
        KeepBest(rivalBest, RunCommand(rival, (work / "count.txt").string(), "/dev/null"));
        rfc5322Best = std::min(rfc5322Best, RunCommand(rfc5322, "/dev/null", "/dev/null").seconds);
        KeepBest(best, RunCommand(extract, "/dev/null", err));
    }
    const long records = OriginalCount(err);
    const double perRecord =
        records ? static_cast<double>(best.peakKilobytes - emptyKilobytes) * 1024.0 / static_cast<double>(records) : 0;
    const char* const plural = workers == 1 ? " " : "s";  // the three lines' labels line up
    std::printf("  %d worker%s: mirelo-extract %.2f s, %s %.2f s, ratio %.2f (target 1.0, floor 1.5); "
                "peak %ld KB, %ld records, %.0f bytes per record (target 64); exit %d; load %s, %.0f %% stolen\n",
                workers, plural, best.seconds, rival[0].c_str(), rivalBest.seconds,
                best.seconds / rivalBest.seconds, best.peakKilobytes, records, perRecord, best.status, Load().c_str(),
                100 * StolenShare(start));
    std::printf("  %d worker%s: processor time %.2f s, %s %.2f s, ratio %.2f\n", workers, plural,
                best.processorSeconds, rival[0].c_str(), rivalBest.processorSeconds,
                best.processorSeconds / rivalBest.processorSeconds);
    std::printf("  %d worker%s: the RFC 5322 reading %.2f s, %.2f times the line rule's (target at most 1.5)\n", workers,
                plural, rfc5322Best, rfc5322Best / best.seconds);
    return best.status;
}

}  // namespace

int main(int argc, char** argv) {
    std::uintmax_t sizeMb = 1024;
    bool keep = false;
    std::vector<std::pair<const char*, Corpus>> corpora = {
        {"dense", Corpus::Dense}, {"sparse", Corpus::Sparse}, {"long", Corpus::Long}, {"real", Corpus::Real}};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--size-mb") && i + 1 < argc) sizeMb = std::strtoull(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--keep")) keep = true;
        else if (!std::strcmp(argv[i], "--corpus") && i + 1 < argc) {
            const std::string name = argv[++i];
            std::erase_if(corpora, [&](const auto& c) { return name != c.first; });
        }
    }
    const fs::path work = fs::temp_directory_path() / ("mirelo-bench-extract-" + std::to_string(getpid()));
    fs::create_directories(work / "empty");
    const std::string err = (work / "err.txt").string();
    const RunResult emptyRun = RunCommand({MIRELO_EXTRACT, "--output", (work / "out.csv").string(), (work / "empty").string()},
                                          "/dev/null", err);
    int status = emptyRun.status;
    for (const auto& [name, kind] : corpora) {
        corpus = kind;
        const fs::path mail = work / name;
        std::printf("%s: generating %ju MB in %d mailboxes under %s\n", name, sizeMb, FileCount(sizeMb << 20), mail.c_str());
        const std::vector<std::string> files = GenerateFolder(mail, sizeMb << 20);
        RunCommand({"grep", "-c", "-r", "x", mail.string()}, "/dev/null", "/dev/null");  // warm the cache
        for (const int workers : {1, 2}) status = std::max(status, Compare(work, mail, files, emptyRun.peakKilobytes, workers));
        if (!keep) fs::remove_all(mail);
    }
    std::printf("empty run: peak %ld KB\n", emptyRun.peakKilobytes);
    if (!keep) fs::remove_all(work);
    return status;
}
