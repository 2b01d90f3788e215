#include "export/formats/export_format.h"

#include <algorithm>
#include <array>
#include <memory>

#include "export/csv_file.h"
#include "base/ascii.h"
#include "scan/header_kinds.h"
#include "base/windows1252.h"

namespace mirelo {

namespace {

constexpr std::array<std::string_view, 6> kFormatNames = {"csv",        "rfc4180",     "vcard",
                                                          "google-csv", "outlook-csv", "json"};

const std::vector<Column> kOriginalColumns = {Column::Email, Column::Name, Column::Notes};

const std::vector<Column>& ColumnsOf(const ExportFormat& format) {
    return format.columns.empty() ? kOriginalColumns : format.columns;
}

bool HasColumn(const ExportFormat& format, Column column) {
    const std::vector<Column>& columns = ColumnsOf(format);
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

std::unique_ptr<ContactWriter> WriterFor(const ExportFormat& format) {
    switch (format.kind) {
        case FormatKind::Vcard: return MakeVcardWriter();
        case FormatKind::GoogleCsv: return MakeGoogleCsvWriter();
        case FormatKind::OutlookCsv: return MakeOutlookCsvWriter();
        case FormatKind::Json: return MakeJsonWriter();
        default: return MakeRfc4180Writer(ColumnsOf(format), format.bom);
    }
}

// Where a line holds no name the line rule takes the header's own name ("From"), which no
// address book should get as a person's name. Its names are the mail's bytes, read as
// Windows-1252; the RFC 5322 reading's are UTF-8 already.
std::string ContactName(std::string_view name, bool inUtf8) {
    if (inUtf8) return std::string(name);
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        const std::string_view header = HeaderKindName(kind);
        if (EqualsNoCase(name, header.substr(0, header.size() - 1))) return {};
    }
    return Windows1252ToUtf8(name);
}

bool Put(std::FILE* out, std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    text.clear();
    return written;
}

}  // namespace

std::optional<FormatKind> FormatNamed(std::string_view name) {
    const auto found = std::find(kFormatNames.begin(), kFormatNames.end(), name);
    if (found == kFormatNames.end()) return std::nullopt;
    return static_cast<FormatKind>(found - kFormatNames.begin());
}

std::string_view FormatExtension(FormatKind kind) {
    return kind == FormatKind::Vcard ? ".vcf" : kind == FormatKind::Json ? ".json" : ".CSV";
}

bool IsOriginalCsv(const ExportFormat& format) {
    return format.kind == FormatKind::Csv && !format.bom && ColumnsOf(format) == kOriginalColumns;
}

bool NeedsDates(const ExportFormat& format) {
    return format.kind == FormatKind::Json || HasColumn(format, Column::FirstSeen) ||
           HasColumn(format, Column::LastSeen);
}

bool NeedsFacts(const ExportFormat& format) {
    return format.kind == FormatKind::Json ||
           std::any_of(ColumnsOf(format).begin(), ColumnsOf(format).end(),
                       [](Column column) { return column > Column::Notes; });
}

Result<int> WriteContacts(std::FILE* out, const AddressList& list, const FactsTable* facts, const ExportFormat& format,
                          unsigned threads) {
    if (IsOriginalCsv(format)) return WriteCsvLines(out, list, threads);
    constexpr std::size_t kFlushSize = 1 << 16;
    const std::unique_ptr<ContactWriter> writer = WriterFor(format);
    std::string text = format.bom ? "\xEF\xBB\xBF" : "";
    writer->Begin(text);
    int written = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const AddressRecord& record = *list.At(i);
        if (record.duplicate || record.deleted) continue;
        const Contact contact{std::string(list.Email(record)), ContactName(list.DecodedName(record), list.ScanExtrasAsked().namesInUtf8),
                              AsValidUtf8(list.Mailbox(record)), facts ? &facts->Of(record.email) : nullptr};
        writer->Add(text, contact);
        ++written;
        if (text.size() >= kFlushSize && !Put(out, text)) return SystemFailure("write failed", errno);
    }
    writer->End(text);
    if (!Put(out, text)) return SystemFailure("write failed", errno);
    return written;
}

}  // namespace mirelo
