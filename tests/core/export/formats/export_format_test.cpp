#include "export/formats/export_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scan/header_kinds.h"
#include "support/temp_dir.h"

// The readers are Debian's; the Windows build runs its tests under Wine, without them.
#ifndef _WIN32

namespace mirelo {
namespace {

// Reads a written file back with Python's own csv and json modules and Debian's vCard
// parser, one line per row or card, so that the check does not trust our own writing.
constexpr const char* kReader = R"(
import csv, io, json, sys
kind, path = sys.argv[1:3]
data = open(path, 'rb').read()
if kind == 'vcard':
    import vobject
    assert all(len(line) <= 75 for line in data.split(b'\r\n')), 'a line longer than 75 octets'
    for card in vobject.readComponents(data.decode('utf-8'), validate=True):
        n = card.n.value
        print(json.dumps([card.version.value, card.fn.value, n.family, n.given, card.email.value,
                          card.email.params.get('TYPE'), card.note.value if hasattr(card, 'note') else None],
                         ensure_ascii=False))
elif kind == 'json':
    for row in json.loads(data.decode('utf-8')):
        print(json.dumps(row, ensure_ascii=False, sort_keys=True))
else:
    lines = data.split(b'\r\n')
    print('bom' if data.startswith(b'\xef\xbb\xbf') else 'no bom', 'crlf' if lines[-1] == b'' else 'no final crlf')
    for row in csv.reader(io.StringIO(data.decode('utf-8-sig'), newline='')):
        print(json.dumps(row, ensure_ascii=False))
)";

constexpr const char* kPython = "/usr/bin/python3";

std::vector<std::string> ReadBack(const std::string& kind, const std::string& path, const testing::TempDir& dir) {
    const std::string script = dir.Write("reader.py", kReader);
    std::string output;
    const std::string command = kPython + (" " + script) + " " + kind + " " + path + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    char block[4096];
    for (std::size_t got; pipe && (got = std::fread(block, 1, sizeof block, pipe)) > 0;) output.append(block, got);
    if (pipe) pclose(pipe);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < output.size(); at = output.find('\n', at) + 1)
        lines.push_back(output.substr(at, output.find('\n', at) - at));
    return lines;
}

struct Row {
    const char* email;
    const char* name;  // Windows-1252, as the mail had it
    const char* store;
    HeaderKind kind;
    MailDay day;
    bool duplicate;
};

// Names with a character outside ASCII, a long one that must be folded twice, none at all
// and the header name that stands in for none; stores holding the characters each format
// must escape.
const std::string kBobFamily = "Featherstonehaugh-Cholmondeley-Worthington-Smythe-Ffoulkes-Jones-Montmorency-"
                               "Plantagenet-Fitzwilliam-Beauchamp-Courtenay-Wentworth-Ashburnham";
const std::string kBobName = "Bartholomew " + kBobFamily;
const std::vector<Row> kRows = {
    {"zoe@x.org", "Zo\xeb Smith", "Mail\\In, \"old\".mbx", kFromKind, 11000, false},
    {"ZOE@x.org", "Zoe", "Mail\\In, \"old\".mbx", kReplyToKind, 12000, true},
    {"bob@x.org", kBobName.c_str(), "a;b\\c", kToKind, kUnknownDay, false},
    {"carl@x.org", "", "Line\r\nend\rold", kFromKind, kUnknownDay, false},
    {"dan@x.org", "From", "Sent.mbx", kFromKind, kUnknownDay, false},
};

struct FormatCase {
    const char* reader;
    ExportFormat format;
    std::vector<std::string> expected;  // the reader's lines
};

TEST(WriteContacts, EachFormatReadsBackWithAnIndependentReader) {
    if (!std::filesystem::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    AddressList list;
    for (const Row& row : kRows) {
        list.Append(row.email, row.name, row.store, row.kind);
        AddressRecord& record = *list.At(list.Count() - 1);
        list.NoteDay(record.email, row.day);
        record.duplicate = row.duplicate ? 1 : 0;
    }
    const FactsTable facts = FactsTable::Gather(list, AddressClassifier({"dan@x.org"}, {}));
    const std::string zoe = "Zo\u00eb";
    const std::string zoeName = zoe + " Smith";
    const std::string zoeRow = R"(", "Mail\\In, \"old\".mbx", )", bobNotes = R"(", "a;b\\c", )";
    const std::vector<FormatCase> cases = {
        {"csv", {FormatKind::Rfc4180, true, {Column::Email, Column::Name, Column::Notes, Column::Count, Column::Kinds,
                                             Column::FirstSeen, Column::LastSeen, Column::Category}},
         {"bom crlf", R"(["email", "name", "notes", "count", "kinds", "first_seen", "last_seen", "category"])",
          R"(["zoe@x.org", ")" + zoeName + zoeRow + R"("2", "from;reply-to", "2000-02-13", "2002-11-09", "person"])",
          R"(["bob@x.org", ")" + kBobName + bobNotes + R"("1", "to", "", "", "person"])",
          R"(["carl@x.org", "", "Line\r\nend\rold", "1", "from", "", "", "person"])",
          R"(["dan@x.org", "", "Sent.mbx", "1", "from", "", "", "own"])"}},
        {"csv", {FormatKind::GoogleCsv, false, {}},
         {"no bom crlf",
          R"(["Name", "Given Name", "Family Name", "Notes", "E-mail 1 - Type", "E-mail 1 - Value"])",
          R"([")" + zoeName + R"(", ")" + zoe + R"(", "Smith)" + zoeRow + R"("* Other", "zoe@x.org"])",
          R"([")" + kBobName + R"(", "Bartholomew", ")" + kBobFamily + bobNotes + R"("* Other", "bob@x.org"])",
          R"(["", "", "", "Line\r\nend\rold", "* Other", "carl@x.org"])", R"(["", "", "", "Sent.mbx", "* Other", "dan@x.org"])"}},
        {"csv", {FormatKind::OutlookCsv, false, {}},
         {"no bom crlf",
          R"(["First Name", "Last Name", "E-mail Address", "E-mail Type", "E-mail Display Name", "Notes"])",
          R"([")" + zoe + R"(", "Smith", "zoe@x.org", "SMTP", ")" + zoeName + R"(", "Mail\\In, \"old\".mbx"])",
          R"(["Bartholomew", ")" + kBobFamily + R"(", "bob@x.org", "SMTP", ")" + kBobName + R"(", "a;b\\c"])",
          R"(["", "", "carl@x.org", "SMTP", "", "Line\r\nend\rold"])", R"(["", "", "dan@x.org", "SMTP", "", "Sent.mbx"])"}},
        {"vcard", {FormatKind::Vcard, false, {}},
         {R"(["3.0", ")" + zoeName + R"(", "Smith", ")" + zoe + R"(", "zoe@x.org", ["INTERNET"], "Mail\\In, \"old\".mbx"])",
          R"(["3.0", ")" + kBobName + R"(", ")" + kBobFamily + R"(", "Bartholomew", "bob@x.org", ["INTERNET"], "a;b\\c"])",
          R"(["3.0", "carl@x.org", "", "", "carl@x.org", ["INTERNET"], "Line\nend\nold"])",
          R"(["3.0", "dan@x.org", "", "", "dan@x.org", ["INTERNET"], "Sent.mbx"])"}},
        {"json", {FormatKind::Json, false, {}},
         {R"({"category": "person", "count": 2, "email": "zoe@x.org", "first_seen": "2000-02-13", "kinds": ["from", )"
          R"("reply-to"], "last_seen": "2002-11-09", "name": ")" + zoeName + R"(", "notes": "Mail\\In, \"old\".mbx", "stores": 1})",
          R"({"category": "person", "count": 1, "email": "bob@x.org", "first_seen": null, "kinds": ["to"], "last_seen": )"
          R"(null, "name": ")" + kBobName + R"(", "notes": "a;b\\c", "stores": 1})",
          R"({"category": "person", "count": 1, "email": "carl@x.org", "first_seen": null, "kinds": ["from"], )"
          R"("last_seen": null, "name": "", "notes": "Line\r\nend\rold", "stores": 1})",
          R"({"category": "own", "count": 1, "email": "dan@x.org", "first_seen": null, "kinds": ["from"], )"
          R"("last_seen": null, "name": "", "notes": "Sent.mbx", "stores": 1})"}},
    };
    testing::TempDir dir;
    for (const FormatCase& c : cases) {
        const std::string path = (dir.path() / "out").string();
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(WriteContacts(out, list, &facts, c.format).Value(), 4);
        std::fclose(out);
        EXPECT_EQ(ReadBack(c.reader, path, dir), c.expected) << "format " << static_cast<int>(c.format.kind);
    }
}

}  // namespace
}  // namespace mirelo

#endif
