#include "export/earlier_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_set>

#include "export/formats/export_format.h"
#include "facts/address_facts.h"

namespace mirelo {
namespace {

using Addresses = std::unordered_set<std::string>;

// Lists as spreadsheets, address books and people save them.
TEST(AddressesOfEarlierExport, ReadsTheAddressColumnOfRealLookingEarlierLists) {
    struct Case { const char* what; std::string bytes; Addresses expected; };
    const Case cases[] = {
        {"the plain csv", "email,name,notes\r\nAnn@Example.com,Ann,In.mbx\r\nbob@example.org,To,Sub\\Old.mbx\r\n",
         {"ann@example.com", "bob@example.org"}},
        {"the plain csv, a stray quote in a name", "email,name,notes\nann@x,Ann \"A,In.mbx\nbob@x,To,In.mbx\n",
         {"ann@x", "bob@x"}},
        {"no header, a byte-order mark", "\xEF\xBB\xBF" "ann@example.com\r\nBOB@example.org\r\n",
         {"ann@example.com", "bob@example.org"}},
        {"Excel in Europe: semicolons, the address not first",
         "Name;Email Address;Company\r\n\"Meier, Jörg\";joerg@example.de;ACME\r\nAnn;ann@example.com;\r\nCut\r\n",
         {"joerg@example.de", "ann@example.com"}},
        {"a Google export", "Name,Given Name,E-mail 1 - Type,E-mail 1 - Value\nAnn Lee,Ann,* Home,ann@example.com\n",
         {"ann@example.com"}},
        {"an Outlook export",
         "\"First Name\",\"Last Name\",\"E-mail Address\",\"E-mail Display Name\"\r\n"
         "\"Bob\",\"Ray\",\"bob@example.org\",\"Bob Ray (bob@example.org)\"\r\n",
         {"bob@example.org"}},
        {"old Mac line ends", "E-mail,Name\rann@example.com,Ann\rbob@example.org,Bob\r",
         {"ann@example.com", "bob@example.org"}},
        {"the named column first, a fuller one beside it",
         "E-mail,Forwards to\nann@example.com,a@old.example\n,b@old.example\n", {"ann@example.com"}},
        {"commas, a semicolon in a heading", "Name,E-mail,Groups; tags\nAnn,ann@example.com,a\n", {"ann@example.com"}},
        {"blanks and names around the addresses",
         "name,email\n\"Bob\",\" bob@example.org \"\nAnn,Ann Lee <ann@example.com>\n\"Cy\",\t<cy@example.net>\n",
         {"bob@example.org", "ann@example.com", "cy@example.net"}},
        {"no known header: the column of addresses", "who\tsince\taddress\nAnn\t2019\tann@example.com\n",
         {"ann@example.com"}},
        {"a quoted cell across lines", "email,notes\r\nann@example.com,\"two\r\nlines, one cell\"\r\nbob@example.org,x\r\n",
         {"ann@example.com", "bob@example.org"}},
        {"UTF-16 from Notepad", std::string("\xFF\xFE" "e\0m\0a\0i\0l\0\r\0\n\0a\0n\0n\0@\0x\0.\0c\0o\0m\0", 34),
         {"ann@x.com"}},
        {"big-endian UTF-16", std::string("\xFE\xFF\0a\0@\0x", 8), {"a@x"}},
        {"a vCard file from another program",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nitem1.EMAIL;TYPE=work:ann@exam\r\n ple.com\r\nEND:VCARD\r\n\r\n"
         "BEGIN:VCARD\r\nVERSION:2.1\r\nEMAIL;INTERNET:Bob@Example.org\r\nEND:VCARD\r\n",
         {"ann@example.com", "bob@example.org"}},
        {"JSON with escapes",
         "[{\"name\":\"Ann \\\"A\\\"\",\"email\" :\t\"ann\\u0039\\u004F\\u0040example.com\"},{\"email\":null}]",
         {"ann9o@example.com"}},
        {"JSON, addresses under other keys",
         "[{\"kind\":\"email\",\"boss\":\"bo@example.com\",\"email\":\"ann@example.com\"}]", {"ann@example.com"}},
        {"an unclosed bracket", "email\nAnn <ann@example.com\nbob@example.org\n", {"bob@example.org"}},
        {"nothing that is an address", "email,name\r\nnot an address,Ann\r\n@,x\r\nann@,y\r\n", {}},
        {"empty", "", {}},
    };
    for (const Case& list : cases) EXPECT_EQ(AddressesOfEarlierExport(list.bytes), list.expected) << list.what;
}

std::string Written(const AddressList& list, const FactsTable& facts, FormatKind kind) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
    EXPECT_TRUE(WriteContacts(file.get(), list, &facts, ExportFormat{kind, kind != FormatKind::Vcard && kind != FormatKind::Json, {}}).Ok());
    std::string text(static_cast<std::size_t>(std::ftell(file.get())), '\0');
    std::rewind(file.get());
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    EXPECT_EQ(text.find("p0@", text.find("p1@")), text.npos) << static_cast<int>(kind);  // each row once, if any
    return text;
}

TEST(AddressesOfEarlierExport, ReadsBackEveryFormatItWrites) {
    AddressList list;
    list.Append("Ann.Lee@example.com", "Lee, Ann", "In;box.mbx", 0);
    list.Append("\"odd,one\"@example.org", "=?utf-8?q?J=C3=B6rg?=", "a\"b.mbx", 0);
    list.Append("x@very-long-domain-name-that-folds-the-vcard-line.example.com", "", "c\rd\ne.mbx", 1);
    Addresses expected = {"ann.lee@example.com", "\"odd,one\"@example.org",
                          "x@very-long-domain-name-that-folds-the-vcard-line.example.com"};
    for (int i = 0; i < 2000; ++i)  // more than one write's worth
        list.Append(*expected.insert("p" + std::to_string(i) + "@example.net").first, "", "In.mbx", 0);
    const FactsTable facts = FactsTable::Gather(list, AddressClassifier({}, {}));
    for (const FormatKind kind : {FormatKind::Csv, FormatKind::Rfc4180, FormatKind::Vcard, FormatKind::GoogleCsv,
                                  FormatKind::OutlookCsv, FormatKind::Json})
        EXPECT_EQ(AddressesOfEarlierExport(Written(list, facts, kind)), expected) << static_cast<int>(kind);
}

}  // namespace
}  // namespace mirelo
