#pragma once

#include <pthread.h>

// A plain, non-recursive POSIX mutex. Guarded code never takes it twice from one thread.
class Mutex
{
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    void unlock();

private:
    pthread_mutex_t mMutex;
};
