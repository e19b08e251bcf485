#pragma once
// The element index of a markup document: one record per element, offsets into the
// document text and tree links only. Records live in fixed blocks reached through a
// table of block pointers, so growing never moves a record outside the last block.

#include <cstdint>
#include <memory>
#include <vector>

struct XmlElementRecord {
    enum Flag : std::uint32_t {
        FirstChild = 1u << 0,  // was its parent's first child when created
        NotEnded = 1u << 1,    // closed implicitly, without an end tag of its own
        ErrorBelow = 1u << 2,  // a markup error was found inside it
        IllFormed = 1u << 3,   // record 0 only: the document has a markup error
    };

    // No member initializers: blocks are allocated without touching their memory, and
    // the index value-initializes each record as it hands it out.
    int start;            // offset of the start tag's "<"
    int length;           // "<" of the start tag to ">" of the end tag; start tag only for
                          // empty-element tags and elements never ended
    int startTagLength;
    int endTagLength;     // 0 when there is no end tag
    int level;            // depth below the document at which the start tag stood
    int parent;           // 0: top level
    int firstChild;       // 0: none
    int nextSibling;      // 0: last
    int previousSibling;  // of a first child: the last child (constant-time append)
    std::uint32_t flags;

    bool has(Flag flag) const { return (flags & flag) != 0; }
};

namespace plotwright::markup {

class XmlElementIndex {
public:
    static constexpr int kBlockSize = 65536;

    XmlElementIndex();
    XmlElementIndex(const XmlElementIndex&) = delete;
    XmlElementIndex& operator=(const XmlElementIndex&) = delete;
    ~XmlElementIndex();

    // Drops every record but a cleared record 0 and makes room for `capacity` records.
    void reset(int capacity);
    // Appends a cleared record and returns its index; grows by half when full.
    int append();

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    XmlElementRecord& operator[](int index) { return blocks_[index >> kShift][index & kMask]; }
    const XmlElementRecord& operator[](int index) const
    {
        return blocks_[index >> kShift][index & kMask];
    }

private:
    static constexpr int kShift = 16;
    static constexpr int kMask = kBlockSize - 1;

    void grow(int capacity);

    std::vector<std::unique_ptr<XmlElementRecord[]>> blocks_;
    int count_ = 0;
    int capacity_ = 0;
};

} // namespace plotwright::markup
