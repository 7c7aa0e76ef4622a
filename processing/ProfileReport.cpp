#include "processing/ProfileReport.h"

#include "platform/core/Text.h"

namespace processing {

using platform::FormatText;

std::string ProfileStatusText(const TProfileStatus& s)
{
    const TSegment& g = s.Segment;
    if (!s.AnyGraph)
        return FormatText("[%d;%d] - [%d;%d]       None", g.X1, g.Y1, g.X2, g.Y2);
    std::string text = FormatText("[%d;%d] - [%d;%d]   View profile of %s:  X=%4.2f %s  Z=%4.2f %s",
                                  g.X1, g.Y1, g.X2, g.Y2, s.ChannelName.c_str(), s.X,
                                  s.XYUnit.c_str(), s.Z, s.ZUnit.c_str());
    if (s.OtherShown)
        text += FormatText(" (%4.2f %s)", s.OtherZ, s.OtherZUnit.c_str());
    std::string mid;
    if (s.MidLine1)
        mid = FormatText("   Zmidline - 1:%5.2f %s ", s.MidLine1Z, s.MidLine1Unit.c_str());
    if (s.MidLine2) {
        if (mid.empty())
            mid = "   Zmidline -";
        mid += FormatText(" 2:%5.2f %s", s.MidLine2Z, s.MidLine2Unit.c_str());
    }
    return text + mid;
}

namespace {

std::string OneGraphBlock(int n, double length, const TProfileGraphText& a)
{
    const TProfileQuantities& q = a.Q;
    const char* xy = a.XYUnit.c_str();
    const char* z = a.ZUnit.c_str();
    return FormatText("A number of points: %i\nMax value: %.3f %s\nLegnth: %.3f %s\nSurface legnth: "
                      "%.3f %s\nAverage value: %.3f %s\nRa: %.3f\nRq: %.3f\nRsk: %.3f\nRku: "
                      "%.3f\nSm: %.3f\nR: %.3f\nS: %.3f\n",
                      n, a.MaxValue, z, length, xy, q.SurfaceLength, xy, q.Mean, z, q.Ra, q.Rq,
                      q.Rsk, q.Rku, q.Sm, q.R, q.S);
}

std::string TwoGraphBlock(int n, double length, const TProfileGraphText& a,
                          const TProfileGraphText& o)
{
    const TProfileQuantities& p = a.Q;
    const TProfileQuantities& q = o.Q;
    return FormatText(
        "A number of points: %i\nMax value: %.3f %s (%.3f %s)\nLegnth: %.3f %s\nSurface legnth: "
        "%.3f %s (%.3f %s)\nAverage value: %.3f %s (%.3f %s)\nRa: %.3f (%.3f)\nRq: %.3f "
        "(%.3f)\nRsk: %.3f (%.3f)\nRku: %.3f (%.3f)\nSm: %.3f (%.3f)\nR: %.3f (%.3f)\nS: %.3f "
        "(%.3f)\n",
        n, a.MaxValue, a.ZUnit.c_str(), o.MaxValue, o.ZUnit.c_str(), length, a.XYUnit.c_str(),
        p.SurfaceLength, a.XYUnit.c_str(), q.SurfaceLength, o.XYUnit.c_str(), p.Mean,
        a.ZUnit.c_str(), q.Mean, o.ZUnit.c_str(), p.Ra, q.Ra, p.Rq, q.Rq, p.Rsk, q.Rsk, p.Rku,
        q.Rku, p.Sm, q.Sm, p.R, q.R, p.S, q.S);
}

}  // namespace

std::string ProfileInfoText(const TSegment& segment, int n, double length,
                            const TProfileGraphText& graph)
{
    return FormatText("Profile of file: %s\n[%d;%d] - [%d;%d]\n", graph.FileName.c_str(),
                      segment.X1, segment.Y1, segment.X2, segment.Y2) +
           OneGraphBlock(n, length, graph);
}

std::string ProfileReportText(const TSegment& segment, int n, double lengthPerPoint,
                              const TProfileGraphText& a, const TProfileGraphText* other)
{
    const std::string rule = "\n" + std::string(53, '*');
    std::string text = rule;
    text += FormatText("\n Profile  [%d;%d] - [%d;%d] of file  %s (%s)", segment.X1, segment.Y1,
                       segment.X2, segment.Y2, a.FileName.c_str(),
                       other ? other->FileName.c_str() : "");
    text += rule;
    text += FormatText("\n  Length,nm  %10s  %10s", a.ChannelName.c_str(),
                       other ? other->ChannelName.c_str() : "");
    text += rule;
    for (int i = 0; i < n; ++i) {
        const double value = i < int(a.Values.size()) ? a.Values[std::size_t(i)] : 0;
        std::string third;
        if (other)
            third = FormatText("%-7.2f",
                               i < int(other->Values.size()) ? other->Values[std::size_t(i)] : 0);
        text += FormatText("\n%-7.2f\t%-7.2f\t%s", i * lengthPerPoint, value, third.c_str());
    }
    text += rule;
    const double length = n > 0 ? (n - 1) * lengthPerPoint : 0;
    text += "\n" + (other ? TwoGraphBlock(n, length, a, *other) : OneGraphBlock(n, length, a));
    text += rule + rule + "\n\n\n\n\n";
    return text;
}

}  // namespace processing
