#pragma once

#include <memory>
#include <mutex>
#include <vector>

class PallixFileDemuxer;

// The files of a film as its analysis opened them, kept for the decoder, which
// reads on from there: a film is opened and analysed once. Taken once, by
// whichever thread starts reading.
class PallixOpenedFilm
{
public:
    PallixOpenedFilm();
    ~PallixOpenedFilm();
    PallixOpenedFilm(const PallixOpenedFilm&) = delete;
    PallixOpenedFilm& operator=(const PallixOpenedFilm&) = delete;

    void Add(std::unique_ptr<PallixFileDemuxer> part);
    bool HasParts();
    // The parts in order; empty once taken.
    std::vector<std::unique_ptr<PallixFileDemuxer>> Take();

private:
    std::mutex mMutex;
    std::vector<std::unique_ptr<PallixFileDemuxer>> mParts;
};
