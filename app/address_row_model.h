#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "address_columns.h"
#include "facts/address_facts.h"
#include "scan/address_list.h"

namespace mirelo {

// The rows of the address list: one pointer per row to a record that the document owns.
// Texts are read from the record when a cell is drawn; nothing is copied.
class AddressRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AddressRowModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // What the cell shows: email and name as Windows-1252, the mailbox as a file name.
    static QString CellText(const AddressList& list, const AddressRecord& record, int column);

    AddressRecord* Record(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The records of list to show, or none; the details columns show while facts are given.
    void SetRows(const AddressList& list, std::vector<AddressRecord*> rows, const FactsTable* facts);
    void SetFacts(const FactsTable* facts);
    void ClearRows();
    // The list whose tables hold the rows' texts; only while there are rows.
    const AddressList& Texts() const { return *list_; }
    // rows ascending. One reset rather than a removal per run of rows: each removal costs
    // the views a pass over all rows.
    void RemoveRows(const std::vector<int>& rows);
    // Adds the records' rows at the end.
    void AddRows(const std::vector<AddressRecord*>& records);
    // Reorders the rows by the column; selected and current rows move with their records.
    void SortRows(int column);

private:
    void ReplaceRows(std::vector<AddressRecord*> rows);
    QString DetailsText(const AddressRecord& record, int column) const;

    const AddressList* list_ = nullptr;  // none while there are no rows
    std::vector<AddressRecord*> rows_;
    const FactsTable* facts_ = nullptr;
};

}  // namespace mirelo
