// Writes starting corpora for the two text fuzzers: header lines of every shape the
// parser knows, and small mailboxes around message boundaries and read-piece edges.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::vector<std::string> kHeaderLines = {
    "From: Help Desk <help@mailhost>",
    "FROM: HELP@MAILHOST",
    "From:help@mailhost (Help Desk)",
    "X-Sender: help@mailhost (Unverified)",
    "Return-Path: <>",
    "To: undisclosed-recipients:;",
    "To:",
    "To: news+daily@mailhost, sales@mailhost",
    "From: a@b@c",
    "From: Help Desk <help @ mailhost>",
    "Reply-To: Kids' Corner <kids.club@mail-host>",
    "From: Help_Desk|Home <help@mailhost>",
    "From: &quot;Help Desk&quot; &lt;help@mailhost&gt;",
    "From: Help&lt;br&gt;Desk&nbsp;Team &amp; Co <help@mailhost>",
    "From: [Team] Help [mailto:help@mailhost]",
    "From: list-owner@mailhost (by way of Help Desk <help@mailhost>)",
    "From: x (by way of help@mailhost)",
    "From:\tHelp <help@mailhost>",
    "Sender: \"Desk, Help\" <help@mailhost>",
    "From: Andr\xC9 Caf\xE9 \xB7 Bar <caf\xE9@mailhost>",
};

std::string Mailbox(const std::string& lineEnd) {
    const std::vector<std::string> lines = {
        "From ???@??? Mon Mar 03 09:14:22 2003",
        "Return-Path: <help@mailhost>",
        "From: Help Desk <help@mailhost>",
        "To: sales@mailhost",
        "Subject: hello",
        "",
        "From: Sales Team",
        "From ???@??? Mon Mar 03 09:14:22 2003",
        "From: Book Club <club@mailhost>",
        "To: undisclosed-recipients:;",
        "Reply-To: list@mailhost",
        "Sender: owner@mailhost",
        "X-Sender: owner@mailhost (Unverified)",
        "To: second@mailhost",
    };
    std::string text;
    for (const std::string& line : lines) text += line + lineEnd;
    return text;
}

void Save(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_text_seeds FOLDER\n";
        return 2;
    }
    const fs::path lines = fs::path(argv[1]) / "fuzz_parse_header_line";
    for (std::size_t i = 0; i < kHeaderLines.size(); ++i) Save(lines, "line" + std::to_string(i), kHeaderLines[i]);

    // The scan target takes one byte of switched-off kinds before the mailbox.
    const fs::path mailboxes = fs::path(argv[1]) / "fuzz_scan_mailbox";
    const std::string allKinds(1, '\0');
    Save(mailboxes, "crlf", allKinds + Mailbox("\r\n"));
    Save(mailboxes, "lf", allKinds + Mailbox("\n"));
    Save(mailboxes, "crs", allKinds + Mailbox("\r\r\r\n"));
    Save(mailboxes, "to-off", std::string(1, '\x02') + Mailbox("\r\n"));
    Save(mailboxes, "long-lines", allKinds + "From: " + std::string(1100, 'x') + "@mailhost\r\n" +
                                      std::string(1017, 'y') + "To: cut@mailhost\r\n");
    Save(mailboxes, "nul-and-eof", allKinds + "From: A\0B <a@mailhost>\r\nTo: b@mailhost\r\n\x1A"s + "From: c@mailhost\r\n");
    return 0;
}
