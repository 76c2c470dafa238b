#include "PallixBitmapSubtitles.h"

#include "PallixAVTypes.h"

#include <algorithm>
#include <climits>

namespace
{
// Subtitles kept behind the newest one; older ones are dropped.
constexpr size_t MAX_EVENTS = 64;

// A palette picture as RGBA, straight alpha.
std::shared_ptr<PallixBitmap> toRGBA(const AVSubtitleRect& rect)
{
    auto image = std::make_shared<PallixBitmap>();
    if (rect.w <= 0 || rect.h <= 0 || !rect.data[0] || !rect.data[1] || !image->Create(uint32_t(rect.w), uint32_t(rect.h)))
        return nullptr;
    const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
    for (int y = 0; y < rect.h; ++y)
    {
        const uint8_t* index = rect.data[0] + ptrdiff_t(y) * rect.linesize[0];
        uint8_t* row = image->GetPixels() + ptrdiff_t(y) * image->GetPitch();
        for (int x = 0; x < rect.w; ++x, row += 4)
        {
            const uint32_t argb = index[x] < rect.nb_colors ? palette[index[x]] : 0;
            row[0] = uint8_t(argb >> 16);
            row[1] = uint8_t(argb >> 8);
            row[2] = uint8_t(argb);
            row[3] = uint8_t(argb >> 24);
        }
    }
    return image;
}

// The piece scaled by sx, sy (plane pixels per canvas pixel).
std::shared_ptr<PallixBitmap> scaled(const PallixBitmap& image, int width, int height)
{
    const PallixDims dims = image.GetDims();
    if (int(dims.w) == width && int(dims.h) == height)
        return nullptr;
    auto out = std::make_shared<PallixBitmap>();
    if (width <= 0 || height <= 0 || !out->Create(uint32_t(width), uint32_t(height)))
        return nullptr;
    pallix_av::SwsPtr sws(sws_getContext(int(dims.w), int(dims.h), AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_RGBA,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws)
        return nullptr;
    const uint8_t* src[4] = {image.GetPixels()};
    const int srcStride[4] = {image.GetPitch()};
    uint8_t* dst[4] = {out->GetPixels()};
    const int dstStride[4] = {out->GetPitch()};
    sws_scale(sws.get(), src, srcStride, 0, int(dims.h), dst, dstStride);
    return out;
}
} // namespace

void PallixBitmapSubtitles::Start()
{
    Stop();
    mbActive = true;
    // The first picture of the new track replaces whatever was shown.
    mShownWidth = -1;
}

void PallixBitmapSubtitles::Stop()
{
    Flush();
    mbActive = false;
}

void PallixBitmapSubtitles::Flush()
{
    mEvents.clear();
    mpShown = nullptr;
    mShownStart = -1;
}

void PallixBitmapSubtitles::Add(const AVSubtitle& subtitle, int canvasWidth, int canvasHeight, long long startMs,
                               long long endMs)
{
    if (!mbActive)
        return;
    // A new subtitle ends the ones still open before it.
    for (Event& event : mEvents)
        if (event.startMs < startMs && (event.endMs < 0 || event.endMs > startMs))
            event.endMs = startMs;
    if (subtitle.num_rects == 0)
        return;
    Event event;
    event.startMs = startMs;
    event.endMs = endMs;
    event.canvasWidth = canvasWidth;
    event.canvasHeight = canvasHeight;
    for (unsigned i = 0; i < subtitle.num_rects; ++i)
    {
        const AVSubtitleRect& rect = *subtitle.rects[i];
        if (rect.type != SUBTITLE_BITMAP)
            continue;
        if (std::shared_ptr<PallixBitmap> image = toRGBA(rect))
            event.pieces.push_back(Piece{std::move(image), rect.x, rect.y});
    }
    if (event.pieces.empty())
        return;
    mpShown = nullptr;
    mShownStart = -1;
    mEvents.push_back(std::move(event));
    while (mEvents.size() > MAX_EVENTS)
        mEvents.pop_front();
}

std::shared_ptr<const PallixBitmap> PallixBitmapSubtitles::Render(long long timeMs, int width, int height,
                                                                  int videoWidth, int videoHeight, bool& bChanged,
                                                                  PallixPoint& at)
{
    bChanged = false;
    const Event* pActive = nullptr;
    for (const Event& event : mEvents)
        if (event.startMs <= timeMs && (event.endMs < 0 || timeMs < event.endMs))
            pActive = &event;
    const long long activeStart = pActive ? pActive->startMs : -1;
    if (activeStart == mShownStart && (pActive == mpShown) && width == mShownWidth && height == mShownHeight)
        return nullptr;
    bChanged = true;
    mpShown = pActive;
    mShownStart = activeStart;
    mShownWidth = width;
    mShownHeight = height;
    if (!pActive || width <= 0 || height <= 0)
        return nullptr;

    const int canvasWidth = pActive->canvasWidth > 0 ? pActive->canvasWidth : std::max(videoWidth, 1);
    const int canvasHeight = pActive->canvasHeight > 0 ? pActive->canvasHeight : std::max(videoHeight, 1);
    auto toPlaneX = [&](int x) { return int(int64_t(x) * width / canvasWidth); };
    auto toPlaneY = [&](int y) { return int(int64_t(y) * height / canvasHeight); };
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
    for (const Piece& piece : pActive->pieces)
    {
        const PallixDims dims = piece.image->GetDims();
        left = std::min(left, toPlaneX(piece.x));
        top = std::min(top, toPlaneY(piece.y));
        right = std::max(right, toPlaneX(piece.x + int(dims.w)));
        bottom = std::max(bottom, toPlaneY(piece.y + int(dims.h)));
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width);
    bottom = std::min(bottom, height);
    auto overlay = std::make_shared<PallixBitmap>();
    if (left >= right || top >= bottom || !overlay->Create(uint32_t(right - left), uint32_t(bottom - top)))
        return nullptr;
    for (const Piece& piece : pActive->pieces)
    {
        const PallixDims dims = piece.image->GetDims();
        const int x = toPlaneX(piece.x);
        const int y = toPlaneY(piece.y);
        const int w = toPlaneX(piece.x + int(dims.w)) - x;
        const int h = toPlaneY(piece.y + int(dims.h)) - y;
        std::shared_ptr<PallixBitmap> resized = scaled(*piece.image, w, h);
        const PallixBitmap& source = resized ? *resized : *piece.image;
        overlay->DrawBitmap(PallixPoint(x - left, y - top), source, source.GetRect());
    }
    at = PallixPoint(left, top);
    return overlay;
}
