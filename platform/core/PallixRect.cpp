#include "PallixRect.h"

#include <algorithm>

void PallixRect::InsetRect(int32_t dx, int32_t dy)
{
    x += dx;
    y += dy;
    w = static_cast<uint32_t>(static_cast<int64_t>(w) - 2 * static_cast<int64_t>(dx));
    h = static_cast<uint32_t>(static_cast<int64_t>(h) - 2 * static_cast<int64_t>(dy));
}

void PallixRect::MakeIntersectRect(const PallixRect& a, const PallixRect& b)
{
    int64_t left = std::max<int64_t>(a.x, b.x);
    int64_t top = std::max<int64_t>(a.y, b.y);
    int64_t right = std::min<int64_t>(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    int64_t bottom = std::min<int64_t>(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    if (right <= left || bottom <= top)
    {
        *this = PallixRect(static_cast<int32_t>(left), static_cast<int32_t>(top), 0, 0);
        return;
    }
    *this = PallixRect(static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<uint32_t>(right - left),
                       static_cast<uint32_t>(bottom - top));
}

bool PallixRect::Contains(int32_t px, int32_t py) const
{
    return int64_t(px) >= x && int64_t(px) < int64_t(x) + w && int64_t(py) >= y && int64_t(py) < int64_t(y) + h;
}
