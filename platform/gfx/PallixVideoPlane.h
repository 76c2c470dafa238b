#pragma once

#include "PallixBitmap.h"
#include "PallixVideoPicture.h"

#include <functional>
#include <memory>
#include <mutex>

struct SwsContext;

// The screen-sized picture under the graphics plane, opaque black until a
// decoder shows pictures in it. It keeps the last picture as decoded and turns
// it into RGBA pixels only when someone reads them, so playing costs no
// conversion unless a display or a screenshot needs one. Writers may run on any
// thread.
class PallixVideoPlane
{
public:
    static PallixVideoPlane& Get();

    PallixVideoPlane(const PallixVideoPlane&) = delete;
    PallixVideoPlane& operator=(const PallixVideoPlane&) = delete;

    // Shows picture's crop stretched over its dest, black around it, and marks
    // the plane changed.
    void Show(PallixVideoPicture picture);
    // Called after every change, on the thread that made it: how a display
    // that shows each picture as it comes is told. None by default.
    void SetChangeHook(std::function<void()> hook);
    // Back to black.
    void Clear();
    // True once after each change.
    bool TakeChanged();
    // The picture shown; empty while the plane is black.
    PallixVideoPicture GetPicture();
    // Runs read on the plane as RGBA pixels under the plane's lock.
    void Read(const std::function<void(const PallixBitmap&)>& read);

private:
    PallixVideoPlane();
    ~PallixVideoPlane();
    void Render();
    void DrawPicture(const PallixRect& dest);

    struct SwsDeleter
    {
        void operator()(SwsContext* pContext) const;
    };

    std::mutex mMutex;
    std::function<void()> mHook;
    PallixVideoPicture mPicture;
    bool mbChanged = false;
    // The RGBA pixels of mPicture, made on demand.
    PallixBitmap mBitmap;
    bool mbRendered = false;
    std::unique_ptr<SwsContext, SwsDeleter> mSws;
    int mSwsSpace = -1;
};
