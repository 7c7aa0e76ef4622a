#pragma once
// The program-wide channel vocabulary: channel sets, the table of channel names and
// the iterator over a set.

#include <cstdint>
#include <initializer_list>

//! Number of channel slots of a data set: 0 to 19 the instrument's, 20 to 29 user channels.
constexpr int ChannelCount = 30;
//! First user channel slot; user channels may have a size of their own.
constexpr int FirstUserChannel = 20;
//! Channel number meaning none, or every present channel.
constexpr int NoChannel = 255;
//! Set member: the file holds one matrix whose channel kind it does not state.
constexpr int UnstatedChannel = 100;
//! Set member: palette markers (asked for, or delivered).
constexpr int MarkersChannel = 101;

//! A set of the numbers 0 to 101, stored as 13 bytes: n is bit n mod 8 of byte n div 8.
struct ChannelSet {
    std::uint8_t Bits[13] = {};

    ChannelSet() = default;
    ChannelSet(std::initializer_list<int> members);

    //! Adding, removing or testing a number outside 0 to 101 does nothing or answers false.
    void Include(int n);
    void Exclude(int n);
    bool Contains(int n) const;
    void Clear();
    bool Empty() const;
    bool operator==(const ChannelSet& other) const;
};
static_assert(sizeof(ChannelSet) == 13);

//! Names of the 30 channel slots, at most 31 characters each (8-bit text).
extern char ChannelNames[ChannelCount][32];

//! Writes a slot's name into ChannelNames, cut to 31 characters; slots outside 0..29 are ignored.
void SetChannelName(int slot, const char* name);

//! The smallest member of `set` greater than `channel` that lies in 0 to 29, 255 when none.
//! Starting from 255 (or -1) yields the first member; 100 and 101 are never visited.
int NextChannel(int channel, const ChannelSet& set);
