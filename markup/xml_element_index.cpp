#include "markup/xml_element_index.h"

#include <algorithm>
#include <climits>

namespace plotwright::markup {

static_assert(XmlElementIndex::kBlockSize == 1 << 16);

XmlElementIndex::XmlElementIndex()
{
    reset(1);
}

XmlElementIndex::~XmlElementIndex() = default;

void XmlElementIndex::reset(int capacity)
{
    blocks_.clear();
    capacity_ = 0;
    count_ = 0;
    grow(std::max(capacity, 1));
    count_ = 1;
    (*this)[0] = XmlElementRecord{};
}

int XmlElementIndex::append()
{
    if (count_ == capacity_) {
        const long long wanted = static_cast<long long>(count_) + count_ / 2;
        grow(static_cast<int>(std::min<long long>(std::max<long long>(wanted, count_ + 1), INT_MAX)));
    }
    const int index = count_++;
    (*this)[index] = XmlElementRecord{};
    return index;
}

// Only the last block may be partly allocated: it is reallocated to its new size (its
// records in use copied), and whole blocks are added after it. Earlier blocks never
// move. Blocks are left uninitialized, so a generous reservation costs no page faults.
void XmlElementIndex::grow(int capacity)
{
    if (capacity <= capacity_)
        return;
    const int lastSize = capacity_ & kMask;
    if (lastSize != 0) {
        const int newSize = std::min(kBlockSize, lastSize + (capacity - capacity_));
        auto block = std::make_unique_for_overwrite<XmlElementRecord[]>(static_cast<std::size_t>(newSize));
        const int used = std::min(lastSize, count_ - (capacity_ - lastSize));
        std::copy_n(blocks_.back().get(), used, block.get());
        blocks_.back() = std::move(block);
        capacity_ += newSize - lastSize;
    }
    while (capacity_ < capacity) {
        const int size = std::min(kBlockSize, capacity - capacity_);
        blocks_.push_back(std::make_unique_for_overwrite<XmlElementRecord[]>(static_cast<std::size_t>(size)));
        capacity_ += size;
    }
}

} // namespace plotwright::markup
