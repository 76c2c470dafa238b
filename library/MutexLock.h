#pragma once

#include "Mutex.h"
#include "PallixString.h"

// Holds a Mutex for the lifetime of the object. A null mutex makes the lock a no-op.
class MutexLock
{
public:
    explicit MutexLock(Mutex* pMutex);
    // desc names the guarded operation for whoever reads a debugger; it has no effect on locking.
    MutexLock(Mutex* pMutex, PallixString desc);
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex* mpMutex;
    PallixString mDesc;
};
