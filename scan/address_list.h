#pragma once

#include <memory>
#include <vector>

#include "scan/address_record.h"

namespace mirelo {

// qsort-style comparison of two entries of the item array.
using RecordComparator = int (*)(AddressRecord* const* a, AddressRecord* const* b);

// Pooled record list. Records are made in blocks and never move or vanish before the
// list does, so views may keep plain pointers to them across extractions; emptying the
// list keeps every record as a spare for the next extraction.
class AddressList {
public:
    static constexpr int kGrowStep = 100;

    AddressList();
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;

    // Copies every field of source into the next spare record; drops it when the list
    // cannot grow.
    void Append(const AddressRecord& source);
    void Reset() { count_ = 0; }
    void Sort(RecordComparator comparator);
    // Puts the records of the list in the given order, which must be a permutation of
    // them sorted by comparator; for sorts that work on precomputed keys.
    void Arrange(const std::vector<AddressRecord*>& order, RecordComparator comparator);

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }
    AddressRecord* At(int position) const { return items_[static_cast<std::size_t>(position)]; }
    RecordComparator Comparator() const { return comparator_; }

private:
    bool Grow();

    std::vector<std::unique_ptr<AddressRecord[]>> blocks_;
    std::vector<AddressRecord*> items_;
    int count_ = 0;
    RecordComparator comparator_ = nullptr;
};

}  // namespace mirelo
