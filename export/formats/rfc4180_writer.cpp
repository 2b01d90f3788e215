#include "export/csv_file.h"
#include "export/formats/contact.h"

namespace mirelo {

namespace {

// The columns asked for, under their own names, lines ended by CR LF.
class Rfc4180Writer : public ContactWriter {
public:
    explicit Rfc4180Writer(std::vector<Column> columns) : columns_(std::move(columns)) {}

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
            AppendCsvField(out, ColumnValue(contact, columns_[i]));
        }
        out += "\r\n";
    }

private:
    std::vector<Column> columns_;
};

}  // namespace

std::unique_ptr<ContactWriter> MakeRfc4180Writer(std::vector<Column> columns) {
    return std::make_unique<Rfc4180Writer>(std::move(columns));
}

}  // namespace mirelo
