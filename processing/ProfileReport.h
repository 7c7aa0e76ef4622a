#pragma once
// The texts of the profile window: its status line, the "&Info" box and the profile report
// that File > Save appends to a text file. Texts are 8-bit (Windows-1251) like the channel
// names and units they carry; numbers are written with '.'.

#include <string>
#include <vector>

#include "processing/Profile.h"
#include "processing/Profilestatistic.h"

namespace processing {

//! What the status line shows.
struct TProfileStatus {
    TSegment Segment;
    bool AnyGraph = true;      //!< false: only the coordinates and "None"
    std::string ChannelName;   //!< the active channel's slot name
    std::string XYUnit;
    std::string ZUnit;
    double X = 0;              //!< marker position (or distance of the two markers)
    double Z = 0;              //!< value at the marker (or difference of the two)
    bool OtherShown = false;   //!< the other graph is enabled
    double OtherZ = 0;
    std::string OtherZUnit;
    bool MidLine1 = false;     //!< graph 1 enabled with its middle line shown
    double MidLine1Z = 0;
    std::string MidLine1Unit;
    bool MidLine2 = false;     //!< graph 2 enabled with its middle line shown
    double MidLine2Z = 0;
    std::string MidLine2Unit;
};
std::string ProfileStatusText(const TProfileStatus& s);

//! One graph as the info box and the report show it.
struct TProfileGraphText {
    std::string FileName;     //!< the file-name part of the channel's source file
    std::string ChannelName;  //!< the slot's name
    std::string XYUnit;
    std::string ZUnit;
    double MaxValue = 0;      //!< (GraphMax + Offset) × ZScale
    std::vector<double> Values;  //!< (sample + Offset) × ZScale of every sample
    TProfileQuantities Q;
};

//! The text of the "&Info" box for a graph of n samples over `length` (n − 1 spacings).
std::string ProfileInfoText(const TSegment& segment, int n, double length,
                            const TProfileGraphText& graph);

//! The profile report of n samples spaced `lengthPerPoint` nm: a header, the table of every
//! sample of the active graph `a` (and of `other` when it is shown, else null) and the
//! statistics of both, closed by two rules and five empty lines.
std::string ProfileReportText(const TSegment& segment, int n, double lengthPerPoint,
                              const TProfileGraphText& a, const TProfileGraphText* other);

}  // namespace processing
