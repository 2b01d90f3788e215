// Reads the same mail stored two ways, three times each in turns, and gives the ratio of
// the fastest times:
//   mbox:    one mbox file against one Eudora mailbox holding the same messages
//            (default 1024 MB each), each read by mirelo-extract;
//   maildir: a Maildir of small message files (default 200,000), read by mirelo-extract,
//            against cat of the same files into /dev/null;
//   pst:     an Outlook file (default 1024 MB) against an mbox holding the same messages,
//            each read by mirelo-extract; the Outlook file again with one worker.
// With no comparison named, all three run. The load average is printed with each figure,
// since other work on the machine shows in it.
//   bench_stores [mbox [--size-mb N] | maildir [--files N] | pst [--size-mb N]]   [--keep]
#include <fcntl.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store_writer/pst_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A short message: the header lines that count, a few that do not, a body of some lines.
std::string Message(std::mt19937_64& random, const std::string& separator) {
    const auto person = [&] { return "p" + std::to_string(random() % 50000) + "@example.org"; };
    std::string m = separator;
    m += "Return-Path: <" + person() + ">\r\n";
    m += "Received: from relay.example.net by mx.example.org with ESMTP id x" + std::to_string(random()) + "\r\n";
    m += "From: \"Sam Writer\" <" + person() + ">\r\nTo: Kim Reader <" + person() + ">\r\n";
    if (random() % 4 == 0) m += "Reply-To: " + person() + "\r\n";
    m += "Subject: notes " + std::to_string(random() % 1000) + "\r\nDate: Mon, 3 Mar 2003 09:14:10 +0100\r\n\r\n";
    for (auto lines = 3 + random() % 12; lines > 0; --lines)
        m += "The garden needs water twice a week until the rain comes back again.\r\n";
    return m + "\r\n";
}

double Seconds(std::vector<std::string> arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 || waitpid(pid, &status, 0) < 0 ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of three runs of each command, taken in turns, so that a moment's load on
// the machine does not decide the ratio.
std::pair<double, double> FastestInTurns(const std::vector<std::string>& first, const std::vector<std::string>& second) {
    double a = Seconds(first), b = Seconds(second);
    for (int run = 1; run < 3; ++run) {
        a = std::min(a, Seconds(first));
        b = std::min(b, Seconds(second));
    }
    return {a, b};
}

std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

void Report(const char* what, double seconds, const char* against, double baseline) {
    std::printf("%-28s %7.2f s   %-28s %7.2f s   ratio %.2f   load %s\n", what, seconds, against, baseline,
                seconds / baseline, Load().c_str());
}

void CompareMbox(const fs::path& work, std::uintmax_t bytes) {
    fs::create_directories(work / "eudora");
    fs::create_directories(work / "mbox");
    std::ofstream eudora(work / "eudora/In.mbx", std::ios::binary);
    std::ofstream mbox(work / "mbox/In.mbox", std::ios::binary);
    std::mt19937_64 random(7), same(7);
    for (std::uintmax_t written = 0; written < bytes;) {
        const std::string m = Message(random, "From ???@??? Mon Mar 03 09:14:22 2003\r\n");
        eudora << m;
        mbox << Message(same, "From sender@example.org Mon Mar  3 09:14:22 2003\r\n");
        written += m.size();
    }
    eudora.close();
    mbox.close();
    Seconds({"cat", (work / "eudora/In.mbx").string(), (work / "mbox/In.mbox").string()});  // both in the cache
    const auto [eudoraSeconds, mboxSeconds] =
        FastestInTurns({MIRELO_EXTRACT, "--quiet", (work / "eudora").string()},
                       {MIRELO_EXTRACT, "--quiet", "--mbox", (work / "mbox").string()});
    Report("mbox, mirelo-extract --mbox", mboxSeconds, "Eudora mailbox", eudoraSeconds);
}

std::string AngleAddress(const std::string& message, const std::string& field) {
    const std::size_t line = message.find(field);
    const std::size_t start = message.find('<', line) + 1;
    return message.substr(start, message.find('>', start) - start);
}

// What Outlook keeps of mail received from the Internet: its header block, its body, and
// the sender and recipient beside them.
mirelo::testing::PstMessage Received(const std::string& message) {
    mirelo::testing::PstMessage received;
    const std::size_t bodyAt = message.find("\r\n\r\n") + 4;
    received.transportHeaders = message.substr(0, bodyAt);
    received.body = message.substr(bodyAt);
    received.subject = "notes";
    received.senderName = received.representingName = "Sam Writer";
    received.senderAddressType = received.representingAddressType = "SMTP";
    received.senderAddress = received.representingAddress = AngleAddress(message, "\nFrom: ");
    received.recipients = {{1, "Kim Reader", "SMTP", AngleAddress(message, "\nTo: "), ""}};
    received.deliveryTime = mirelo::testing::PstFileTime(12114);
    return received;
}

void ComparePst(const fs::path& work, std::uintmax_t bytes) {
    // What a message adds to the file beyond its text in UTF-16: its properties' heap, its
    // recipient table, the blocks' trailers and the trees' entries.
    constexpr std::uintmax_t kOverheadPerMessage = 900;
    fs::create_directories(work / "pst");
    fs::create_directories(work / "mbox");
    {
        std::ofstream mbox(work / "mbox/In.mbox", std::ios::binary);
        std::mt19937_64 random(7);
        mirelo::testing::PstFolder inbox{"Inbox", {}, {}};
        for (std::uintmax_t estimate = 0; estimate < bytes;) {
            const std::string m = Message(random, "");
            mbox << "From sender@example.org Mon Mar  3 09:14:22 2003\r\n" << m;
            inbox.messages.push_back(Received(m));
            estimate += 2 * m.size() + kOverheadPerMessage;
        }
        std::ofstream(work / "pst/Outlook.pst", std::ios::binary)
            << mirelo::testing::WritePst({inbox}, {.encoding = mirelo::PstEncoding::Permute}).bytes;
    }
    Seconds({"cat", (work / "pst/Outlook.pst").string(), (work / "mbox/In.mbox").string()});  // both in the cache
    const auto [pstSeconds, mboxSeconds] = FastestInTurns({MIRELO_EXTRACT, "--quiet", "--pst", (work / "pst").string()},
                                                          {MIRELO_EXTRACT, "--quiet", "--mbox", (work / "mbox").string()});
    std::printf("Outlook file %ju MB, mbox %ju MB\n", fs::file_size(work / "pst/Outlook.pst") >> 20,
                fs::file_size(work / "mbox/In.mbox") >> 20);
    Report("Outlook file, --pst", pstSeconds, "the same in mbox, --mbox", mboxSeconds);
    // A lone Outlook file is read on two threads when it may; its reading on one, for comparison.
    const auto [oneThreadSeconds, mboxAgainSeconds] =
        FastestInTurns({MIRELO_EXTRACT, "--quiet", "--workers", "1", "--pst", (work / "pst").string()},
                       {MIRELO_EXTRACT, "--quiet", "--mbox", (work / "mbox").string()});
    Report("the same, --workers 1", oneThreadSeconds, "the same in mbox, --mbox", mboxAgainSeconds);
}

void CompareMaildir(const fs::path& work, int files) {
    const fs::path cur = work / "Maildir/cur";
    fs::create_directories(cur);
    fs::create_directories(work / "Maildir/new");
    std::mt19937_64 random(7);
    std::vector<std::string> cat = {"xargs", "-0", "cat"};
    std::string names;
    for (int i = 0; i < files; ++i) {
        const fs::path file = cur / ("1046679262." + std::to_string(i) + ".mx:2,S");
        std::ofstream(file, std::ios::binary) << Message(random, "");
        names += file.string() + '\0';
    }
    const fs::path list = work / "names";
    std::ofstream(list, std::ios::binary) << names;
    const std::string catAll = "xargs -0 cat < '" + list.string() + "' > /dev/null";
    Seconds({"sh", "-c", catAll});  // the files in the cache
    const auto [mireloSeconds, catSeconds] =
        FastestInTurns({MIRELO_EXTRACT, "--quiet", "--maildir", (work / "Maildir").string()}, {"sh", "-c", catAll});
    Report("Maildir, mirelo-extract", mireloSeconds, "cat of the files", catSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string comparison = arguments.empty() || arguments[0] == "--keep" ? "all" : arguments[0];
    if (comparison != "all" && comparison != "mbox" && comparison != "maildir" && comparison != "pst") {
        std::fputs("usage: bench_stores [mbox [--size-mb N] | maildir [--files N] | pst [--size-mb N]]  [--keep]\n",
                   stderr);
        return 2;
    }
    long amount = 0;
    bool keep = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--keep") keep = true;
        if ((arguments[i] == "--size-mb" || arguments[i] == "--files") && i + 1 < arguments.size())
            amount = std::stol(arguments[++i]);
    }
    const fs::path work = fs::temp_directory_path() / ("bench_stores_" + std::to_string(getpid()));
    const auto runs = [&](const char* name) { return comparison == "all" || comparison == name; };
    const auto megabytes = [&] { return static_cast<std::uintmax_t>(amount > 0 ? amount : 1024) << 20; };
    if (runs("mbox")) CompareMbox(work / "mbox", megabytes());
    if (runs("maildir")) CompareMaildir(work / "maildir", amount > 0 ? static_cast<int>(amount) : 200000);
    if (runs("pst")) ComparePst(work / "pst", megabytes());
    if (keep) {
        std::printf("kept %s\n", work.c_str());
    } else {
        fs::remove_all(work);
    }
}
