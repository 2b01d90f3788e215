#include "scan/address_list.h"

#include <algorithm>
#include <new>

namespace mirelo {

AddressList::AddressList() { Grow(); }

bool AddressList::Grow() {
    const std::size_t oldCapacity = items_.size();
    try {
        // Geometric reserve keeps a million appends linear.
        if (items_.capacity() < oldCapacity + kGrowStep)
            items_.reserve(std::max(oldCapacity + kGrowStep, 2 * oldCapacity));
        auto block = std::make_unique<AddressRecord[]>(kGrowStep);
        for (int i = 0; i < kGrowStep; ++i) items_.push_back(&block[i]);
        blocks_.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        items_.resize(oldCapacity);
        return false;
    }
    return true;
}

void AddressList::Append(const AddressRecord& source) {
    if (count_ == Capacity() && !Grow()) return;
    AddressRecord& target = *items_[static_cast<std::size_t>(count_)];
    try {
        target = source;
    } catch (const std::bad_alloc&) {
        return;  // the spare keeps whatever it could take; it stays outside the list
    }
    ++count_;
}

void AddressList::Sort(RecordComparator comparator) {
    comparator_ = comparator;
    if (count_ < 2) return;
    std::sort(items_.begin(), items_.begin() + count_,
              [comparator](AddressRecord* a, AddressRecord* b) { return comparator(&a, &b) < 0; });
}

void AddressList::Arrange(const std::vector<AddressRecord*>& order, RecordComparator comparator) {
    comparator_ = comparator;
    std::copy(order.begin(), order.end(), items_.begin());
}

}  // namespace mirelo
