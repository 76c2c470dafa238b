#include "PallixTextSubtitles.h"

#include "PallixAssLimits.h"

extern "C" {
#include <ass/ass.h>
}

#include <algorithm>
#include <climits>
#include <cstring>

namespace
{
void quiet(int, const char*, va_list, void*) {}

// Source-over of one libass image (an alpha mask in one colour) onto the
// straight-alpha RGBA overlay.
void blend(PallixBitmap& overlay, const ASS_Image& image, int x0, int y0)
{
    const uint32_t color = image.color;
    const int r = int(color >> 24);
    const int g = int((color >> 16) & 0xFF);
    const int b = int((color >> 8) & 0xFF);
    const int opacity = 255 - int(color & 0xFF);
    uint8_t* pixels = overlay.GetPixels();
    const int pitch = overlay.GetPitch();
    for (int y = 0; y < image.h; ++y)
    {
        const uint8_t* mask = image.bitmap + ptrdiff_t(y) * image.stride;
        uint8_t* row = pixels + ptrdiff_t(y + image.dst_y - y0) * pitch + ptrdiff_t(image.dst_x - x0) * 4;
        for (int x = 0; x < image.w; ++x, row += 4)
        {
            const int sa = mask[x] * opacity / 255;
            if (sa == 0)
                continue;
            const int da = row[3];
            const int outA = sa + da * (255 - sa) / 255;
            row[0] = uint8_t((r * sa + row[0] * da * (255 - sa) / 255) / outA);
            row[1] = uint8_t((g * sa + row[1] * da * (255 - sa) / 255) / outA);
            row[2] = uint8_t((b * sa + row[2] * da * (255 - sa) / 255) / outA);
            row[3] = uint8_t(outA);
        }
    }
}

} // namespace

PallixTextSubtitles::PallixTextSubtitles() = default;

PallixTextSubtitles::~PallixTextSubtitles()
{
    Stop();
    if (mpRenderer)
        ass_renderer_done(mpRenderer);
    if (mpLibrary)
        ass_library_done(mpLibrary);
}

bool PallixTextSubtitles::Start(const std::string& header, const std::vector<PallixAttachedFonts::Font>& fonts)
{
    Stop();
    if (!mpLibrary)
    {
        mpLibrary = ass_library_init();
        if (!mpLibrary)
            return false;
        ass_set_message_cb(mpLibrary, quiet, nullptr);
    }
    // A movie's fonts are for that movie only, and libass lets fonts go only
    // once the renderer that may use them is gone: another set, another renderer.
    const std::string fingerprint = PallixAttachedFonts::Fingerprint(fonts);
    if (mpRenderer && fingerprint != mFontFingerprint)
    {
        ass_renderer_done(mpRenderer);
        mpRenderer = nullptr;
    }
    if (!mpRenderer)
    {
        ass_clear_fonts(mpLibrary);
        for (const PallixAttachedFonts::Font& font : fonts)
            ass_add_font(mpLibrary, font.name.c_str(), font.pData, int(font.nSize));
        mFontFingerprint = fingerprint;
        mpRenderer = ass_renderer_init(mpLibrary);
        if (!mpRenderer)
            return false;
        // The system's sans-serif face, found through fontconfig.
        ass_set_fonts(mpRenderer, nullptr, "sans-serif", ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
    }
    mpTrack = ass_new_track(mpLibrary);
    if (!mpTrack)
        return false;
    if (!header.empty())
        ass_process_codec_private(mpTrack, const_cast<char*>(header.data()), int(header.size()));
    PallixAssLimits::KeepDrawable(*mpTrack);
    // The first picture of the new track replaces whatever was shown.
    mbShown = false;
    mWidth = 0;
    return true;
}

void PallixTextSubtitles::Stop()
{
    if (mpTrack)
        ass_free_track(mpTrack);
    mpTrack = nullptr;
    mbShown = false;
}

void PallixTextSubtitles::AddEvent(const char* dialogue, long long startMs, long long durationMs)
{
    if (!mpTrack || !dialogue)
        return;
    std::string line = dialogue;
    const int nEvents = mpTrack->n_events;
    ass_process_chunk(mpTrack, line.data(), int(line.size()), startMs, durationMs);
    // libass appends a new line, and leaves out one it has read before.
    if (mpTrack->n_events > nEvents)
        PallixAssLimits::KeepEventDrawable(*mpTrack, mpTrack->events[mpTrack->n_events - 1]);
}

std::shared_ptr<const PallixBitmap> PallixTextSubtitles::Render(long long timeMs, int width, int height,
                                                                int videoWidth, int videoHeight, bool& bChanged,
                                                                PallixPoint& at)
{
    bChanged = false;
    if (!mpTrack || width <= 0 || height <= 0)
        return nullptr;
    const bool bResized =
        width != mWidth || height != mHeight || videoWidth != mVideoWidth || videoHeight != mVideoHeight;
    if (bResized)
    {
        ass_set_frame_size(mpRenderer, width, height);
        ass_set_storage_size(mpRenderer, std::max(videoWidth, 1), std::max(videoHeight, 1));
        mWidth = width;
        mHeight = height;
        mVideoWidth = videoWidth;
        mVideoHeight = videoHeight;
    }
    int nChange = 0;
    ASS_Image* images = ass_render_frame(mpRenderer, mpTrack, timeMs, &nChange);
    bChanged = bResized || nChange != 0 || (images != nullptr) != mbShown;
    mbShown = images != nullptr;
    if (!bChanged || !images)
        return nullptr;
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
    for (const ASS_Image* image = images; image; image = image->next)
    {
        if (image->w <= 0 || image->h <= 0)
            continue;
        left = std::min(left, image->dst_x);
        top = std::min(top, image->dst_y);
        right = std::max(right, image->dst_x + image->w);
        bottom = std::max(bottom, image->dst_y + image->h);
    }
    if (left >= right || top >= bottom)
        return nullptr;
    auto overlay = std::make_shared<PallixBitmap>();
    if (!overlay->Create(uint32_t(right - left), uint32_t(bottom - top)))
        return nullptr;
    for (const ASS_Image* image = images; image; image = image->next)
        if (image->w > 0 && image->h > 0)
            blend(*overlay, *image, left, top);
    at = PallixPoint(left, top);
    return overlay;
}
