#pragma once
// Colour markers of a channel palette: three ordered lists, one per colour component,
// that always hold the same positions.

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
//! One palette marker as stored in SPM1 files.
struct MarkerRecord {
    std::int32_t Position;
    std::int32_t Red;
    std::int32_t Green;
    std::int32_t Blue;
};
#pragma pack(pop)
static_assert(sizeof(MarkerRecord) == 16);

struct TPALETTENODE {
    TPALETTENODE(std::int32_t position, std::int32_t value) : Position(position), Value(value) {}
    TPALETTENODE* Next = nullptr;
    std::int32_t Position;  //!< palette entry index
    std::int32_t Value;     //!< one colour component, 0 to 255
};

//! A singly linked list of nodes addressed by their index from the head. It does not
//! sort; its users keep the positions ascending. An index of the nodes makes access by
//! index constant-time; the links change only through InsertAfter and Delete, which keep
//! the index with them (callers may change a node's position and value in place).
class TPALETTE {
public:
    TPALETTE() = default;
    //! The three nodes (0, 0), (n / 2, mid), (n, 255).
    TPALETTE(std::int32_t n, std::int32_t mid);
    ~TPALETTE();
    TPALETTE(const TPALETTE&) = delete;
    TPALETTE& operator=(const TPALETTE&) = delete;

    //! Inserts after node `index`; in an empty list the node becomes head and tail.
    void InsertAfter(std::int32_t index, std::int32_t position, std::int32_t value);
    //! Unlinks and frees node `index`; ignored when the index is outside the list.
    void Delete(std::int32_t index);
    //! Reads node `index`; false (and zeros) when there is none.
    bool Get(std::int32_t index, std::int32_t& position, std::int32_t& value) const;
    //! Overwrites node `index`; ignored when there is none.
    void Set(std::int32_t index, std::int32_t position, std::int32_t value);
    //! Index of the first node whose position is greater than x; -1 and zeros when none.
    std::int32_t FindAbove(std::int32_t x, std::int32_t& position, std::int32_t& value) const;
    //! The first i in 0..Count-2 whose successor lies above x, else Count-1 (-1 when empty).
    std::int32_t FindSegment(std::int32_t x, std::int32_t& position, std::int32_t& value) const;

    TPALETTENODE* Head = nullptr;
    TPALETTENODE* Tail = nullptr;
    std::int32_t Count = 0;

private:
    TPALETTENODE* NodeAt(std::int32_t index) const;

    std::vector<TPALETTENODE*> nodes_;  //!< node i of the list, from the head
};

//! Colour markers (position, red, green, blue); marker i is node i of the three lists.
class TPALETTEMARKER {
public:
    TPALETTEMARKER();
    //! The default markers of a palette of n entries: black at 0, (110, 120, 130) at
    //! n / 2, white at n.
    explicit TPALETTEMARKER(std::int32_t n);
    //! A deep copy.
    TPALETTEMARKER(const TPALETTEMARKER& other);
    TPALETTEMARKER& operator=(const TPALETTEMARKER&) = delete;
    ~TPALETTEMARKER();

    //! Inserts a marker after the segment that holds `position`; the new marker's index.
    std::int32_t Add(std::int32_t position, std::int32_t red, std::int32_t green, std::int32_t blue);
    //! Adds `count` markers as as many Add calls in their order would, in one pass when the
    //! positions after the first ascend (the order the SPM1 writer stores them in); on an
    //! empty set it costs a sort at most, else one Add per marker.
    void AddAll(const MarkerRecord* records, std::int32_t count);
    //! Removes marker `index`; an index outside the markers changes nothing.
    void Delete(std::int32_t index);
    bool Get(std::int32_t index, std::int32_t& position, std::int32_t& red, std::int32_t& green,
             std::int32_t& blue) const;
    void Set(std::int32_t index, std::int32_t position, std::int32_t red, std::int32_t green,
             std::int32_t blue);
    std::int32_t FindSegment(std::int32_t position) const;
    std::int32_t FindAbove(std::int32_t position) const;
    std::int32_t GetCount() const { return Count; }

    TPALETTE Red;
    TPALETTE Green;
    TPALETTE Blue;
    std::int32_t Count = 0;
};
