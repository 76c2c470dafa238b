#pragma once

#include "PallixString.h"

class MediaEntry;

// What probing a film's file tells a record, in the database's own words:
// Duration "1:52:07", Resolution "1920x1080", Aspect "16:9" or "2.39:1",
// Media "MKV H.264 AAC". For a DVD folder also the file that plays it.
class ProbedValues
{
public:
    ProbedValues();

    // Probes one movie file. False when it cannot be probed; reason then says why.
    bool probeFile(const PallixString& path, PallixString& reason);
    // Probes a DVD's title sets in folder and takes the longest: getPlayFile is
    // then the name of its first part.
    bool probeTitleSets(const PallixString& folder, PallixString& reason);

    // Copies the four values into the record.
    void applyTo(MediaEntry* pEntry);
    // True when the record holds other values than these.
    bool differsFrom(MediaEntry* pEntry);

    PallixString& getDuration() { return mDuration; }
    PallixString& getResolution() { return mResolution; }
    PallixString& getAspect() { return mAspect; }
    PallixString& getMedia() { return mMedia; }
    PallixString& getPlayFile() { return mPlayFile; }
    // The cache keeps the values as text and gives them back through these.
    void setAll(PallixString duration, PallixString resolution, PallixString aspect, PallixString media,
                PallixString playFile);
    // Seconds, from the duration text; 0 when unknown.
    double getSeconds();

    // "H:MM:SS", or "-1" for an unknown length.
    static PallixString formatDuration(double seconds);
    // The common shapes by name ("16:9", "4:3"), the others as "2.39:1".
    static PallixString formatAspect(double ratio);

private:
    PallixString mDuration;
    PallixString mResolution;
    PallixString mAspect;
    PallixString mMedia;
    PallixString mPlayFile;
};
