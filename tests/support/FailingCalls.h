#pragma once

#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

// Puts failing disk calls in AtomicFile's place for one test, and the real ones
// back afterwards.
class FailingCalls
{
public:
    explicit FailingCalls(const AtomicFile::SystemCalls& calls) : mReason(reasonOf(calls))
    {
        AtomicFile::setSystemCalls(calls);
    }
    ~FailingCalls() { AtomicFile::setSystemCalls(AtomicFile::REAL_CALLS); }
    FailingCalls(const FailingCalls&) = delete;
    FailingCalls& operator=(const FailingCalls&) = delete;

    // The console's words for the failure.
    const std::string& reason() const { return mReason; }

    // A full disk while writing, a flush the disk refuses, a rename refused.
    static std::vector<AtomicFile::SystemCalls> each()
    {
        AtomicFile::SystemCalls full = AtomicFile::REAL_CALLS;
        full.write = [](int, const void*, size_t) -> ssize_t
        {
            errno = ENOSPC;
            return -1;
        };
        AtomicFile::SystemCalls unsynced = AtomicFile::REAL_CALLS;
        unsynced.fdatasync = [](int)
        {
            errno = EIO;
            return -1;
        };
        AtomicFile::SystemCalls unrenamed = AtomicFile::REAL_CALLS;
        unrenamed.rename = [](const char*, const char*)
        {
            errno = EBUSY;
            return -1;
        };
        return {full, unsynced, unrenamed};
    }

private:
    static std::string reasonOf(const AtomicFile::SystemCalls& calls)
    {
        if (calls.write != AtomicFile::REAL_CALLS.write)
            return std::strerror(ENOSPC);
        if (calls.fdatasync != AtomicFile::REAL_CALLS.fdatasync)
            return std::strerror(EIO);
        return std::strerror(EBUSY);
    }

    std::string mReason;
};
