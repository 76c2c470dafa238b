#include "PallixImageFile.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace
{
struct SurfaceDeleter
{
    void operator()(SDL_Surface* p) const { SDL_FreeSurface(p); }
};
struct RWDeleter
{
    void operator()(SDL_RWops* p) const { SDL_FreeRW(p); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;
using RWPtr = std::unique_ptr<SDL_RWops, RWDeleter>;

// The decoders register themselves on first use; doing that once, up front,
// keeps threads that load pictures at the same time from racing to do it.
void InitDecoders()
{
    static std::once_flag once;
    std::call_once(once, [] { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); });
}

// An SDL stream that appends whatever is written to a string.
std::string* TargetOf(SDL_RWops* context)
{
    return static_cast<std::string*>(context->hidden.unknown.data1);
}

size_t AppendBytes(SDL_RWops* context, const void* data, size_t size, size_t count)
{
    TargetOf(context)->append(static_cast<const char*>(data), size * count);
    return count;
}

Sint64 StringSize(SDL_RWops* context)
{
    return Sint64(TargetOf(context)->size());
}

Sint64 SeekEnd(SDL_RWops* context, Sint64 offset, int whence)
{
    // Only "where am I" is answered: the writer never goes back.
    if (offset == 0 && (whence == RW_SEEK_CUR || whence == RW_SEEK_END))
        return Sint64(TargetOf(context)->size());
    return -1;
}

size_t ReadNothing(SDL_RWops*, void*, size_t, size_t)
{
    return 0;
}

int CloseNothing(SDL_RWops*)
{
    return 0;
}
} // namespace

bool PallixImageFile::Load(const std::string& path, PallixRGBAImage& image)
{
    image = PallixRGBAImage();
    InitDecoders();
    SurfacePtr decoded(IMG_Load(path.c_str()));
    if (!decoded)
        return false;
    SurfacePtr rgba(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0));
    if (!rgba || rgba->w <= 0 || rgba->h <= 0)
        return false;
    image.width = uint32_t(rgba->w);
    image.height = uint32_t(rgba->h);
    const size_t rowBytes = size_t(image.width) * 4;
    image.pixels.resize(rowBytes * image.height);
    const auto* pSource = static_cast<const uint8_t*>(rgba->pixels);
    for (uint32_t y = 0; y < image.height; ++y)
        std::memcpy(image.pixels.data() + y * rowBytes, pSource + size_t(y) * size_t(rgba->pitch), rowBytes);
    return true;
}

bool PallixImageFile::EncodePNG(const PallixRGBAImage& image, std::string& png)
{
    png.clear();
    if (image.IsEmpty() || image.width > 16384 || image.height > 16384)
        return false;
    InitDecoders();
    // The surface only borrows the pixels; the encoder does not change them.
    SurfacePtr surface(SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(image.pixels.data()), int(image.width),
                                                          int(image.height), 32, int(image.width * 4),
                                                          SDL_PIXELFORMAT_RGBA32));
    RWPtr stream(SDL_AllocRW());
    if (!surface || !stream)
        return false;
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->hidden.unknown.data1 = &png;
    stream->size = StringSize;
    stream->seek = SeekEnd;
    stream->read = ReadNothing;
    stream->write = AppendBytes;
    stream->close = CloseNothing;
    if (IMG_SavePNG_RW(surface.get(), stream.get(), 0) != 0)
    {
        png.clear();
        return false;
    }
    return !png.empty();
}
