#include "MutexLock.h"

#include <utility>

MutexLock::MutexLock(Mutex* pMutex) : MutexLock(pMutex, PallixString()) {}

MutexLock::MutexLock(Mutex* pMutex, PallixString desc) : mpMutex(pMutex), mDesc(std::move(desc))
{
    if (mpMutex)
        mpMutex->lock();
}

MutexLock::~MutexLock()
{
    if (mpMutex)
        mpMutex->unlock();
}
