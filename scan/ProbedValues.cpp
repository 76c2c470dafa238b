#include "ProbedValues.h"

#include "MediaEntry.h"
#include "PallixMediaInfo.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace
{
// How close a shape must be to a named one to take its name.
constexpr double ASPECT_TOLERANCE = 0.02;
}

ProbedValues::ProbedValues() : mDuration("-1") {}

PallixString ProbedValues::formatDuration(double seconds)
{
    if (!(seconds > 0) || seconds > 1e7)
        return PallixString("-1");
    long long nTotal = std::llround(seconds);
    char text[32];
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", nTotal / 3600, nTotal / 60 % 60, nTotal % 60);
    return PallixString(text);
}

PallixString ProbedValues::formatAspect(double ratio)
{
    if (!(ratio > 0) || ratio > 100)
        return PallixString();
    if (std::fabs(ratio - 16.0 / 9.0) < ASPECT_TOLERANCE)
        return PallixString("16:9");
    if (std::fabs(ratio - 4.0 / 3.0) < ASPECT_TOLERANCE)
        return PallixString("4:3");
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", ratio);
    std::string value = text;
    // 2.00 is "2:1" and 1.90 is "1.9:1".
    while (value.back() == '0')
        value.pop_back();
    if (value.back() == '.')
        value.pop_back();
    return PallixString(value + ":1");
}

namespace
{
PallixString mediaOf(const PallixMediaInfo& info)
{
    std::string media = info.GetContainer();
    for (const std::string& codec : {info.GetVideoCodec(), info.GetAudioCodec()})
        if (!codec.empty())
            media += (media.empty() ? "" : " ") + codec;
    return PallixString(media);
}

PallixString reasonFor(PallixMediaInfo::ProbeResult result)
{
    return result == PallixMediaInfo::kNoPicture ? PallixString("holds no picture") : PallixString("cannot be probed");
}
} // namespace

bool ProbedValues::probeFile(const PallixString& path, PallixString& reason)
{
    *this = ProbedValues();
    PallixMediaInfo info;
    PallixMediaInfo::ProbeResult result = info.Probe(path.str());
    if (result != PallixMediaInfo::kProbed)
    {
        reason = reasonFor(result);
        return false;
    }
    mDuration = formatDuration(info.GetDuration());
    mResolution = PallixString(std::to_string(info.GetWidth()) + "x" + std::to_string(info.GetHeight()));
    mAspect = formatAspect(info.GetDisplayAspect());
    mMedia = mediaOf(info);
    return true;
}

bool ProbedValues::probeTitleSets(const PallixString& folder, PallixString& reason)
{
    *this = ProbedValues();
    PallixMediaInfo info;
    std::string playFile = info.ProbeLongestTitleSet(folder.str());
    if (playFile.empty())
    {
        reason = "no title set can be probed";
        return false;
    }
    mDuration = formatDuration(info.GetDuration());
    mResolution = PallixString(std::to_string(info.GetWidth()) + "x" + std::to_string(info.GetHeight()));
    mAspect = formatAspect(info.GetDisplayAspect());
    mMedia = mediaOf(info);
    mPlayFile = PallixString(playFile);
    return true;
}

void ProbedValues::applyTo(MediaEntry* pEntry)
{
    pEntry->setDuration(mDuration);
    pEntry->setResolution(mResolution);
    pEntry->setAspectRatio(mAspect);
    pEntry->setMediaType(mMedia);
}

bool ProbedValues::differsFrom(MediaEntry* pEntry)
{
    return pEntry->getDuration() != mDuration || pEntry->getResolution() != mResolution ||
           pEntry->getAspectRatio() != mAspect || pEntry->getMediaType() != mMedia;
}

void ProbedValues::setAll(PallixString duration, PallixString resolution, PallixString aspect, PallixString media,
                          PallixString playFile)
{
    mDuration = std::move(duration);
    mResolution = std::move(resolution);
    mAspect = std::move(aspect);
    mMedia = std::move(media);
    mPlayFile = std::move(playFile);
}

double ProbedValues::getSeconds()
{
    long long nHours = 0;
    int nMinutes = 0;
    int nSeconds = 0;
    if (std::sscanf(mDuration.c_str(), "%lld:%d:%d", &nHours, &nMinutes, &nSeconds) != 3 || nHours < 0)
        return 0;
    return double(nHours) * 3600 + nMinutes * 60 + nSeconds;
}
