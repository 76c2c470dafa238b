#pragma once

#include "PallixAttachedFonts.h"
#include "PallixBitmap.h"

#include <memory>
#include <string>
#include <vector>

struct ass_library;
struct ass_renderer;
struct ass_track;

// Text subtitles drawn by libass: a track made of an ASS header and timed
// dialogue events, whatever format they came in (SubRip, ASS, mov_text) once
// libavcodec has turned them into ASS. Not thread-safe; its owner locks.
class PallixTextSubtitles
{
public:
    PallixTextSubtitles();
    ~PallixTextSubtitles();
    PallixTextSubtitles(const PallixTextSubtitles&) = delete;
    PallixTextSubtitles& operator=(const PallixTextSubtitles&) = delete;

    // Starts a new, empty track with the given ASS header, drawn with the
    // movie's own fonts before the system's. False when libass cannot be set up.
    bool Start(const std::string& header, const std::vector<PallixAttachedFonts::Font>& fonts = {});
    void Stop();
    bool IsActive() const { return mpTrack != nullptr; }

    // One dialogue line as libavcodec's decoders give it, shown from start for
    // duration (milliseconds). A line seen before (after a seek back) is kept once.
    void AddEvent(const char* dialogue, long long startMs, long long durationMs);

    // The subtitles at the time for a picture area of width x height plane
    // pixels whose source picture is videoWidth x videoHeight. bChanged says
    // whether they differ from the last call; only then is the result new (null
    // for nothing to show), and at says where it goes inside the area.
    std::shared_ptr<const PallixBitmap> Render(long long timeMs, int width, int height, int videoWidth,
                                               int videoHeight, bool& bChanged, PallixPoint& at);

private:
    ass_library* mpLibrary = nullptr;
    ass_renderer* mpRenderer = nullptr;
    ass_track* mpTrack = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mVideoWidth = 0;
    int mVideoHeight = 0;
    bool mbShown = false;
    // Which fonts the renderer was made with.
    std::string mFontFingerprint;
};
