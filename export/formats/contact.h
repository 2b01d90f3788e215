#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "facts/address_facts.h"

#include "base/result.h"

namespace mirelo {

// One row of a written list, its texts valid UTF-8.
struct Contact {
    std::string email;
    std::string name;
    std::string notes;                    // the store it was found in
    const AddressFacts* facts = nullptr;  // none when no facts were gathered
};

enum class Column { Email, Name, Notes, Count, Kinds, Stores, FirstSeen, LastSeen, Category };

std::string_view ColumnName(Column column);
// The facts' columns are empty for a contact without facts, the dates for an unknown day.
std::string ColumnValue(const Contact& contact, Column column);
// "email,name,count" and so on; the error names a column that does not exist.
Result<std::vector<Column>> ParseColumns(std::string_view list);

// One format: what comes before the rows, each row, what comes after.
class ContactWriter {
public:
    virtual ~ContactWriter() = default;
    virtual void Begin(std::string&) {}
    virtual void Add(std::string& out, const Contact& contact) = 0;
    virtual void End(std::string&) {}
};

// forSpreadsheets (the form with a byte-order mark) keeps cells from reading as formulas.
std::unique_ptr<ContactWriter> MakeRfc4180Writer(std::vector<Column> columns, bool forSpreadsheets);
std::unique_ptr<ContactWriter> MakeVcardWriter();
std::unique_ptr<ContactWriter> MakeGoogleCsvWriter();
std::unique_ptr<ContactWriter> MakeOutlookCsvWriter();
std::unique_ptr<ContactWriter> MakeJsonWriter();

}  // namespace mirelo
