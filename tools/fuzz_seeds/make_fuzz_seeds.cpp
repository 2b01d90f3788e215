// Writes a starting corpus for each fuzz target into FOLDER/TARGET: header lines of every
// shape the parser knows, small mailboxes around message boundaries and read-piece edges,
// and a few sound stores, since random bytes alone seldom get past a store's header and
// object markers.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "store_writer/dbx_writer.h"
#include "store_writer/pst_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using mirelo::testing::DbxStoreBuilder;
using mirelo::testing::TextPositionStorage;

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

// Attached and multipart messages, folded fields, a group, encoded words, a date and a
// List-Post: line, for the RFC 5322 reading.
const std::string kMimeMessage =
    "From: =?utf-8?Q?Ren=C3=A9?= <rene@x.example>,\r\n  \"Lee, Ann\" <ann@y.example>\r\n"
    "Date: Mon, 1 Jan 2001 10:00:00 +0100\r\nList-Post: <mailto:list@z.example>\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\nContent-Type: message/rfc822\r\n\r\n"
    "From: Inner <inner@w.example>\r\nCc: team: a@v.example, b@v.example;\r\n\r\nbody\r\n--b1--\r\n";

std::string Message(int i) {
    return "From: \"Person " + std::to_string(i) + "\" <p" + std::to_string(i) +
           "@example.com>\r\nTo: a@example.org\r\nReply-To: list@example.net\r\n\r\nHello\r\n";
}

// A store whose index spans several nodes, with a message without text and both ways
// of keeping the text's position.
std::string DeepStore() {
    DbxStoreBuilder deep;
    deep.EntriesPerNode(2);
    for (int i = 0; i < 9; ++i) {
        if (i == 4) {
            deep.AddMessageWithoutText();
        } else {
            deep.AddMessage(Message(i) + std::string(static_cast<std::size_t>(i) * 200, 'x'),
                            i % 2 ? TextPositionStorage::DataField : TextPositionStorage::Direct);
        }
    }
    return deep.Build().bytes;
}

void Save(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_fuzz_seeds FOLDER\n";
        return 2;
    }
    const fs::path lines = fs::path(argv[1]) / "fuzz_parse_header_line";
    for (std::size_t i = 0; i < kHeaderLines.size(); ++i) Save(lines, "line" + std::to_string(i), kHeaderLines[i]);
    // The field parsers start from the same lines.
    for (const char* target : {"fuzz_address_list", "fuzz_header_text"})
        for (std::size_t i = 0; i < kHeaderLines.size(); ++i)
            Save(fs::path(argv[1]) / target, "line" + std::to_string(i), kHeaderLines[i]);

    // The scan target takes one byte of switched-off kinds before the mailbox.
    const fs::path mailboxes = fs::path(argv[1]) / "fuzz_scan_mailbox";
    const std::string allKinds(1, '\0');
    Save(mailboxes, "crlf", allKinds + Mailbox("\r\n"));
    Save(mailboxes, "lf", allKinds + Mailbox("\n"));
    Save(mailboxes, "crs", allKinds + Mailbox("\r\r\r\n"));
    Save(mailboxes, "to-off", std::string(1, '\x02') + Mailbox("\r\n"));
    Save(mailboxes, "long-lines", allKinds + "From: " + std::string(1100, 'x') + "@mailhost\r\n" +
                                      std::string(1017, 'y') + "To: cut@mailhost\r\n");
    Save(mailboxes, "nul-and-eof",
         allKinds + "From: A\0B <a@mailhost>\r\nTo: b@mailhost\r\n\x1A"s + "From: c@mailhost\r\n");

    // The RFC 5322 reading takes one byte before the mailbox: its layout (the byte modulo 3)
    // and, in bits 4, 8 and 16, what is gathered; each seed gathers everything.
    const fs::path rfcMailboxes = fs::path(argv[1]) / "fuzz_rfc5322_mailbox";
    const std::pair<char, std::string> layouts[] = {{'\x1E', "From a@x Mon Jan  1 00:00:00 2001\r\n"},
                                                    {'\x1C', "From ???@??? Mon Jan 01 00:00:00 2001\r\n"},
                                                    {'\x1D', "___Message___ : 1\r\n"}};
    for (const auto& [layout, separator] : layouts)
        Save(rfcMailboxes, "layout" + std::to_string(layout % 3), layout + separator + kMimeMessage + separator + kMimeMessage);

    const fs::path stores = fs::path(argv[1]) / "fuzz_dbx_dump";
    Save(stores, "empty.dbx", DbxStoreBuilder().Build().bytes);
    Save(stores, "one.dbx", DbxStoreBuilder().AddMessage(Message(0)).Build().bytes);
    Save(stores, "deep.dbx", DeepStore());

    const fs::path pstFiles = fs::path(argv[1]) / "fuzz_pst";
    mirelo::testing::PstMessage composed;
    composed.senderName = "Ann";
    composed.senderAddressType = "SMTP";
    composed.senderAddress = "ann@mailhost";
    composed.recipients = {{1, "Bo", "EX", "/O=ORG/CN=BO", "bo@mailhost"}, {3, "Cy", "SMTP", "cy@mailhost", ""}};
    mirelo::testing::PstMessage received;
    received.transportHeaders = "From: Di <di@mailhost>\r\nTo: ann@mailhost\r\n";
    const std::vector<mirelo::testing::PstFolder> folders{{"Inbox", {composed, received}, {{"Old", {composed}, {}}}}};
    Save(pstFiles, "plain.pst", mirelo::testing::WritePst(folders).bytes);
    Save(pstFiles, "ansi.pst", mirelo::testing::WritePst(folders, {.ansi = true}).bytes);
    Save(pstFiles, "two-level.pst", mirelo::testing::WritePst(folders, {.fanout = 1}).bytes);
    Save(pstFiles, "cyclic.pst", mirelo::testing::WritePst(folders, {.encoding = mirelo::PstEncoding::Cyclic}).bytes);
    return 0;
}
