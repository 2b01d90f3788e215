#include <array>

#include "export/csv_file.h"
#include "export/formats/contact.h"
#include "export/formats/person_name.h"

namespace mirelo {

namespace {

// The headers the address books' importers map by name, and each row's fields in that order.
class AddressBookCsvWriter : public ContactWriter {
public:
    using Fields = std::array<std::string, 6>;
    using RowFields = Fields (*)(const Contact& contact, const PersonName& split);

    AddressBookCsvWriter(const char* header, RowFields rowFields) : header_(header), rowFields_(rowFields) {}

    void Begin(std::string& out) override { out.append(header_).append("\r\n"); }
    void Add(std::string& out, const Contact& contact) override {
        const Fields fields = rowFields_(contact, SplitPersonName(contact.name));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) out += ',';
            AppendCsvField(out, fields[i]);
        }
        out += "\r\n";
    }

private:
    const char* header_;
    RowFields rowFields_;
};

}  // namespace

std::unique_ptr<ContactWriter> MakeGoogleCsvWriter() {
    return std::make_unique<AddressBookCsvWriter>(
        "Name,Given Name,Family Name,Notes,E-mail 1 - Type,E-mail 1 - Value",
        [](const Contact& contact, const PersonName& split) -> AddressBookCsvWriter::Fields {
            return {contact.name, split.given, split.family, contact.notes, "* Other", contact.email};
        });
}

std::unique_ptr<ContactWriter> MakeOutlookCsvWriter() {
    return std::make_unique<AddressBookCsvWriter>(
        "First Name,Last Name,E-mail Address,E-mail Type,E-mail Display Name,Notes",
        [](const Contact& contact, const PersonName& split) -> AddressBookCsvWriter::Fields {
            // A name that does not split stays whole in the first name.
            const std::string& first = split.given.empty() ? contact.name : split.given;
            return {first, split.family, contact.email, "SMTP", contact.name, contact.notes};
        });
}

}  // namespace mirelo
