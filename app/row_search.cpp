#include "row_search.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "address_row_model.h"
#include "prefetch.h"
#include "row_access.h"
#include "base/ascii.h"
#include "windows1252.h"

namespace mirelo {

namespace {

// Only A to Z fold, in the record bytes and in the shown texts alike.
char FoldAsciiLetter(char c) {
    return static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
}

char16_t FoldAsciiLetter(char16_t c) {
    return c < 0x80 ? FoldAscii(static_cast<unsigned char>(c)) : c;
}

template <typename Char>
bool ContainsNoCase(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern) {
    const auto found = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                                   [](Char a, Char b) { return FoldAsciiLetter(a) == FoldAsciiLetter(b); });
    return found != text.end() || pattern.empty();
}

bool ShownTextContains(const QString& text, const QString& pattern) {
    const auto view = [](const QString& s) {
        return std::u16string_view(QStringView(s).utf16(), static_cast<std::size_t>(s.size()));
    };
    return ContainsNoCase(view(text), view(pattern));
}

// Email and name show each byte as a character of its own, so they are searched as bytes
// for the text's bytes. A mailbox shows as a file name, which has no such inverse, so its
// shown text is searched, once per label: the rows of a mailbox share theirs.
class RowMatcher {
public:
    RowMatcher(const AddressList& list, const QString& text)
        : list_(list), text_(text), bytes_(EncodeWindows1252(text)) {}

    bool Matches(const AddressRecord& record) {
        const bool inBytes = bytes_ && (ContainsNoCase<char>(list_.Email(record), *bytes_) ||
                                        ContainsNoCase<char>(list_.Name(record), *bytes_));
        return inBytes || MailboxMatches(record);
    }

private:
    bool MailboxMatches(const AddressRecord& record) {
        const auto [known, isNew] = mailboxMatches_.try_emplace(record.mailbox, false);
        if (isNew) {
            known->second =
                ShownTextContains(AddressRowModel::CellText(list_, record, kMailboxColumn), text_);
        }
        return known->second;
    }

    const AddressList& list_;
    QString text_;
    std::optional<std::string> bytes_;  // none: the text cannot be in an email or a name
    std::unordered_map<TextId, bool> mailboxMatches_;
};

}  // namespace

int SelectMatchingRows(RowAccess& rows, const QString& text) {
    // Without rows there are no texts to search.
    if (rows.RowCount() == 0) return 0;
    RowMatcher matcher(rows.RowTexts(), text);
    std::vector<int> matches;
    const int rowCount = rows.RowCount();
    for (int row = 0; row < rowCount; ++row) {
        PrefetchAhead(row, rowCount, [&rows](int i) { return rows.RowRecord(i); }, [&rows](const AddressRecord& r) {
            return std::array{rows.RowTexts().Email(r), rows.RowTexts().Name(r)};
        });
        if (matcher.Matches(*rows.RowRecord(row))) matches.push_back(row);
    }
    rows.SelectOnly(matches);
    if (!matches.empty()) rows.EnsureRowFullyVisible(matches.front());
    return static_cast<int>(matches.size());
}

}  // namespace mirelo
