#include "PallixOpenedFilm.h"

#include "PallixFileDemuxer.h"

PallixOpenedFilm::PallixOpenedFilm() = default;

PallixOpenedFilm::~PallixOpenedFilm() = default;

void PallixOpenedFilm::Add(std::unique_ptr<PallixFileDemuxer> part)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mParts.push_back(std::move(part));
}

bool PallixOpenedFilm::HasParts()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return !mParts.empty();
}

std::vector<std::unique_ptr<PallixFileDemuxer>> PallixOpenedFilm::Take()
{
    std::vector<std::unique_ptr<PallixFileDemuxer>> parts;
    std::lock_guard<std::mutex> lock(mMutex);
    parts.swap(mParts);
    return parts;
}
