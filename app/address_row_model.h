#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "scan/address_list.h"

namespace mirelo {

// The rows of the address list: one pointer per row to a record that the document owns.
// Texts are read from the record when a cell is drawn; nothing is copied.
class AddressRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kEmailColumn = 0, kNameColumn = 1, kMailboxColumn = 2, kColumnCount = 3 };

    explicit AddressRowModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // What the cell shows: email and name as Windows-1252, the mailbox as a file name.
    static QString CellText(const AddressList& list, const AddressRecord& record, int column);

    AddressRecord* Record(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The records of list to show, or none.
    void SetRows(const AddressList& list, std::vector<AddressRecord*> rows);
    void ClearRows();
    const AddressList& Texts() const { return *list_; }
    // rows ascending. One reset rather than a removal per run of rows: each removal costs
    // the views a pass over all rows.
    void RemoveRows(const std::vector<int>& rows);
    // Reorders the rows by the column; selected and current rows move with their records.
    void SortRows(int column);

private:
    void ReplaceRows(std::vector<AddressRecord*> rows);

    static const AddressList kNoList;
    const AddressList* list_ = &kNoList;
    std::vector<AddressRecord*> rows_;
};

}  // namespace mirelo
