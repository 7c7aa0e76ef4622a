#include "Channels.h"

#include <cstring>

ChannelSet::ChannelSet(std::initializer_list<int> members)
{
    for (int n : members)
        Include(n);
}

void ChannelSet::Include(int n)
{
    if (n >= 0 && n <= 101)
        Bits[n / 8] |= static_cast<std::uint8_t>(1u << (n % 8));
}

void ChannelSet::Exclude(int n)
{
    if (n >= 0 && n <= 101)
        Bits[n / 8] &= static_cast<std::uint8_t>(~(1u << (n % 8)));
}

bool ChannelSet::Contains(int n) const
{
    return n >= 0 && n <= 101 && (Bits[n / 8] & (1u << (n % 8))) != 0;
}

void ChannelSet::Clear() { std::memset(Bits, 0, sizeof Bits); }

bool ChannelSet::Empty() const
{
    for (auto b : Bits)
        if (b)
            return false;
    return true;
}

bool ChannelSet::operator==(const ChannelSet& other) const
{
    return std::memcmp(Bits, other.Bits, sizeof Bits) == 0;
}

char ChannelNames[ChannelCount][32] = {
    "Topography", "Topography backward", "Phase", "Phase backward", "Amplitude",
    "Amplitude backward", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    "Tip", "", "", "", "", "", "", "", "", "",
};

void SetChannelName(int slot, const char* name)
{
    if (slot < 0 || slot >= ChannelCount)
        return;
    std::memset(ChannelNames[slot], 0, sizeof ChannelNames[slot]);
    if (name)
        std::strncpy(ChannelNames[slot], name, sizeof ChannelNames[slot] - 1);
}

int NextChannel(int channel, const ChannelSet& set)
{
    const int from = (channel == NoChannel || channel < 0) ? 0 : channel + 1;
    for (int c = from; c < ChannelCount; ++c)
        if (set.Contains(c))
            return c;
    return NoChannel;
}
