#include "tools/Profilestatistic.h"

#include "data/Channels.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "processing/ProfileReport.h"
#include "tools/Profile.h"

TProfileStatistic ProfileStatistic;

namespace {

//! Graph g of the window as the texts show it; with `values` the shown value of every
//! sample too.
processing::TProfileGraphText GraphText(const TProfileForm& w, int g, bool values)
{
    const std::size_t k = std::size_t(g);
    const TSPMData* channel = w.GraphChannel[k];
    processing::TProfileGraphText t;
    if (!channel)
        return t;
    const double zScale = channel->Header.ZScale;
    t.FileName = platform::ExtractFileName(ChannelSourceFile(*channel, w.DataSet));
    if (channel->Channel >= 0 && channel->Channel < ChannelCount)
        t.ChannelName = FieldText(ChannelNames[channel->Channel], sizeof ChannelNames[channel->Channel]);
    t.XYUnit = FieldText(channel->Header.XYUnit, sizeof channel->Header.XYUnit);
    t.ZUnit = FieldText(channel->Header.ZUnit, sizeof channel->Header.ZUnit);
    t.MaxValue = (w.GraphMax[k] + w.Offset[k]) * zScale;
    if (values)
        for (int i = 0; i < w.PointCount && std::size_t(i) < w.Buffer[k].size(); ++i)
            t.Values.push_back((double(w.Buffer[k][std::size_t(i)]) + w.Offset[k]) * zScale);
    return t;
}

TProfileQuantities Results(const TProfileForm& w)
{
    return {w.SurfaceLength, w.Rku, w.Rsk, w.Rq, w.Ra, w.Mean, w.Sm, w.R, w.S};
}

}  // namespace

void TProfileForm::ComputeStatistics()
{
    const std::size_t a = std::size_t(ActiveGraph);
    CurrentChannel = GraphChannel[a];
    CurrentBuffer = Buffer[a].data();
    CurrentTop = GraphMax[a];
    const double zScale = CurrentChannel ? CurrentChannel->Header.ZScale : 0;
    const TProfileQuantities q = ProfileQuantities(ProfileStatistic, CurrentBuffer, PointCount,
                                                   Offset[a], zScale, LengthPerPoint);
    SurfaceLength = q.SurfaceLength;
    Rku = q.Rku;
    Rsk = q.Rsk;
    Rq = q.Rq;
    Ra = q.Ra;
    Mean = q.Mean;
    Sm = q.Sm;
    R = q.R;
    S = q.S;
}

void TProfileForm::btInfoClick()
{
    ComputeStatistics();
    processing::TProfileGraphText graph = GraphText(*this, ActiveGraph, false);
    graph.Q = Results(*this);
    const std::string text = processing::ProfileInfoText(
        Segment(), PointCount, (PointCount - 1) * LengthPerPoint, graph);
    platform::ShowMessage(platform::Cp1251ToUtf8(text), "Profile information",
                          platform::MessageIcon::Information);
}

void WriteProfileReport(TProfileForm* window, const std::string& fileName)
{
    const int a = window->ActiveGraph;
    const int o = 1 - a;
    const bool both = window->GraphEnabled[std::size_t(o)];
    processing::TProfileGraphText active = GraphText(*window, a, true);
    processing::TProfileGraphText other;
    window->ComputeStatistics();
    active.Q = Results(*window);
    if (both) {
        other = GraphText(*window, o, true);
        window->ActiveGraph = static_cast<std::int16_t>(o);
        window->ComputeStatistics();
        other.Q = Results(*window);
        window->ActiveGraph = static_cast<std::int16_t>(a);
    }
    const std::string text = processing::ProfileReportText(
        window->Segment(), window->PointCount, window->LengthPerPoint, active, both ? &other : nullptr);

    if (!platform::AppendToFile(fileName, text))
        platform::ShowError("Error write file");
}
