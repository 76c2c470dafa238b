#pragma once

#include "PallixBitmap.h"

#include <deque>
#include <memory>
#include <vector>

struct AVSubtitle;

// Picture subtitles (Blu-ray PGS, DVD, DVB): each decoded subtitle is a few
// palette pictures placed on a canvas the size of the movie's picture, shown
// from its start until its end or until the next one replaces it. Not
// thread-safe; its owner locks.
class PallixBitmapSubtitles
{
public:
    PallixBitmapSubtitles() = default;
    PallixBitmapSubtitles(const PallixBitmapSubtitles&) = delete;
    PallixBitmapSubtitles& operator=(const PallixBitmapSubtitles&) = delete;

    void Start();
    void Stop();
    bool IsActive() const { return mbActive; }

    // A decoded subtitle on a canvas of canvasWidth x canvasHeight (0 for the
    // picture's own size), shown from startMs to endMs (-1: until the next).
    void Add(const AVSubtitle& subtitle, int canvasWidth, int canvasHeight, long long startMs, long long endMs);
    // Forgets every subtitle, as after a seek.
    void Flush();

    // As PallixTextSubtitles::Render.
    std::shared_ptr<const PallixBitmap> Render(long long timeMs, int width, int height, int videoWidth,
                                               int videoHeight, bool& bChanged, PallixPoint& at);

private:
    struct Piece
    {
        std::shared_ptr<PallixBitmap> image;
        int x = 0;
        int y = 0;
    };
    struct Event
    {
        long long startMs = 0;
        long long endMs = -1;
        int canvasWidth = 0;
        int canvasHeight = 0;
        std::vector<Piece> pieces;
    };

    bool mbActive = false;
    std::deque<Event> mEvents;
    // What the last Render drew, to tell when the picture changes.
    const Event* mpShown = nullptr;
    long long mShownStart = -1;
    int mShownWidth = 0;
    int mShownHeight = 0;
};
