#include "address_row_model.h"

#include <unordered_map>

#include "row_order.h"
#include "windows1252.h"

namespace mirelo {

AddressRowModel::AddressRowModel(QObject* parent) : QAbstractTableModel(parent) {}

int AddressRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AddressRowModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return facts_ ? kDetailsColumnCount : kPlainColumnCount;
}

QVariant AddressRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    // A mailbox path is cut in the middle where it is too long for its column.
    const bool mailboxTip = role == Qt::ToolTipRole && index.column() == kMailboxColumn;
    if (role != Qt::DisplayRole && !mailboxTip) return {};
    const AddressRecord& record = *Record(index.row());
    if (index.column() >= kPlainColumnCount) return DetailsText(record, index.column());
    return CellText(*list_, record, index.column());
}

QString AddressRowModel::DetailsText(const AddressRecord& record, int column) const {
    const AddressFacts& facts = facts_->Of(record.email);
    switch (column) {
    case kCountColumn:
        return QString::number(facts.count);
    case kCategoryColumn:
        return QString::fromStdString(std::string(CategoryName(facts.category)));
    default:
        return QString::fromStdString(IsoDate(facts.lastSeen));
    }
}

QString AddressRowModel::CellText(const AddressList& list, const AddressRecord& record, int column) {
    switch (column) {
    case kEmailColumn:
        return DecodeWindows1252(list.Email(record));
    case kNameColumn:
        return DecodeWindows1252(list.Name(record));
    default:
        const std::string_view mailbox = list.Mailbox(record);
        return QString::fromUtf8(mailbox.data(), static_cast<qsizetype>(mailbox.size()));
    }
}

QVariant AddressRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
    case kEmailColumn:
        return QStringLiteral("Email");
    case kNameColumn:
        return QStringLiteral("Name");
    case kMailboxColumn:
        return QStringLiteral("Mailbox");
    case kCountColumn:
        return QStringLiteral("Count");
    case kCategoryColumn:
        return QStringLiteral("Category");
    default:
        return QStringLiteral("Last seen");
    }
}

void AddressRowModel::SetRows(const AddressList& list, std::vector<AddressRecord*> rows, const FactsTable* facts) {
    list_ = &list;
    facts_ = facts;
    ReplaceRows(std::move(rows));
}

void AddressRowModel::ClearRows() {
    beginResetModel();
    list_ = nullptr;
    facts_ = nullptr;
    rows_.clear();
    endResetModel();
}

void AddressRowModel::SetFacts(const FactsTable* facts) {
    beginResetModel();
    facts_ = facts;
    endResetModel();
}

void AddressRowModel::ReplaceRows(std::vector<AddressRecord*> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void AddressRowModel::RemoveRows(const std::vector<int>& rows) {
    std::vector<AddressRecord*> kept;
    kept.reserve(rows_.size() - rows.size());
    auto removed = rows.begin();
    for (int row = 0; row < rowCount(); ++row) {
        if (removed != rows.end() && *removed == row) {
            ++removed;
        } else {
            kept.push_back(Record(row));
        }
    }
    ReplaceRows(std::move(kept));
}

void AddressRowModel::AddRows(const std::vector<AddressRecord*>& records) {
    std::vector<AddressRecord*> rows = rows_;
    rows.insert(rows.end(), records.begin(), records.end());
    ReplaceRows(std::move(rows));
}

void AddressRowModel::SortRows(int column) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<const AddressRecord*> persistentRecords;
    persistentRecords.reserve(static_cast<std::size_t>(persistent.size()));
    std::unordered_map<const AddressRecord*, int> newRowOf;
    for (const QModelIndex& index : persistent) {
        persistentRecords.push_back(Record(index.row()));
        newRowOf.emplace(persistentRecords.back(), -1);
    }

    if (column >= kPlainColumnCount) {
        SortRowsByFact(*list_, *facts_, rows_, column);
    } else {
        SortRowsByColumn(*list_, rows_, column);
    }

    if (!persistent.isEmpty()) {
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            const auto found = newRowOf.find(rows_[row]);
            if (found != newRowOf.end()) found->second = static_cast<int>(row);
        }
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i) {
            const int newRow = newRowOf.at(persistentRecords[static_cast<std::size_t>(i)]);
            moved.append(index(newRow, persistent.at(i).column()));
        }
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace mirelo
