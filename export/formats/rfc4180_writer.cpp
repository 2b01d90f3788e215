#include "export/csv_file.h"
#include "export/formats/contact.h"

namespace mirelo {

namespace {

// A spreadsheet runs a cell that begins like a formula; an apostrophe makes it text
// (OWASP's guard against formula injection). Names may begin with '=' now.
constexpr std::string_view kFormulaStarts = "=+-@\t\r";

void AppendGuardedField(std::string& out, const std::string& text) {
    if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos)
        AppendCsvField(out, "'" + text);
    else
        AppendCsvField(out, text);
}

// The columns asked for, under their own names, lines ended by CR LF.
class Rfc4180Writer : public ContactWriter {
public:
    Rfc4180Writer(std::vector<Column> columns, bool forSpreadsheets)
        : columns_(std::move(columns)), forSpreadsheets_(forSpreadsheets) {}

    void Begin(std::string& out) override {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (i) out += ',';
            AppendCsvField(out, ColumnName(columns_[i]));
        }
        out += "\r\n";
    }
    void Add(std::string& out, const Contact& contact) override {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (i) out += ',';
            const std::string value = ColumnValue(contact, columns_[i]);
            if (forSpreadsheets_)
                AppendGuardedField(out, value);
            else
                AppendCsvField(out, value);
        }
        out += "\r\n";
    }

private:
    std::vector<Column> columns_;
    bool forSpreadsheets_;
};

}  // namespace

std::unique_ptr<ContactWriter> MakeRfc4180Writer(std::vector<Column> columns, bool forSpreadsheets) {
    return std::make_unique<Rfc4180Writer>(std::move(columns), forSpreadsheets);
}

}  // namespace mirelo
