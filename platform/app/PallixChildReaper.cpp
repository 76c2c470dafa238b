#include "PallixChildReaper.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
// The tracked children live in a fixed table of atomics because the SIGCHLD
// handler reads it and may take no lock. The table is constant-initialised (no
// constructor runs), so it is usable before main and after it. A slot holds 0
// when free, -1 while a start is in progress, or the child's pid.
constexpr int kMaxChildren = 256;
constinit std::atomic<pid_t> gSlots[kMaxChildren] = {};

// The number of reap requests since the last complete scan; whoever raises it
// from 0 scans, and scans again while new requests arrived meanwhile. So one
// context at a time calls waitpid, and a pid is never waited for after it was
// reaped (by then it may name someone else's child).
constinit std::atomic<int> gReapRequests{0};

static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the SIGCHLD handler needs lock-free atomics");

void scanSlots()
{
    for (std::atomic<pid_t>& slot : gSlots)
    {
        pid_t pid = slot.load();
        if (pid <= 0)
            continue;
        int status = 0;
        pid_t result = ::waitpid(pid, &status, WNOHANG);
        // ECHILD: someone else reaped it already (or SIGCHLD is ignored).
        if (result == pid || (result < 0 && errno == ECHILD))
            slot.store(0);
    }
}

void onChildSignal(int)
{
    int savedErrno = errno;
    PallixChildReaper::Reap();
    errno = savedErrno;
}

void installHandler()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       struct sigaction action = {};
                       action.sa_handler = onChildSignal;
                       sigemptyset(&action.sa_mask);
                       action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
                       sigaction(SIGCHLD, &action, nullptr);
                   });
}

int reserveSlot()
{
    for (int i = 0; i < kMaxChildren; ++i)
    {
        pid_t expected = 0;
        if (gSlots[i].compare_exchange_strong(expected, -1))
            return i;
    }
    return -1;
}

// Frees the spawn attributes on every path.
struct SpawnAttributes
{
    posix_spawnattr_t attr;
    bool bValid;
    SpawnAttributes() { bValid = posix_spawnattr_init(&attr) == 0; }
    ~SpawnAttributes()
    {
        if (bValid)
            posix_spawnattr_destroy(&attr);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};
} // namespace

bool PallixChildReaper::Start(const std::vector<std::string>& words)
{
    if (words.empty() || words[0].empty())
        return false;
    installHandler();
    int slot = reserveSlot();
    // A full table would leave the child unreaped: refuse rather than leak a zombie.
    if (slot < 0)
        return false;

    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    if (!attributes.bValid)
    {
        gSlots[slot].store(0);
        return false;
    }
    // The child starts with the dispositions and mask a fresh program expects,
    // not with the loop's handlers or its ignored SIGPIPE.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM})
        sigaddset(&defaults, signal);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigdefault(&attributes.attr, &defaults);
    posix_spawnattr_setsigmask(&attributes.attr, &noMask);
    posix_spawnattr_setflags(&attributes.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = 0;
    // glibc reports a failed exec (missing program, no permission) as the result.
    int result = posix_spawnp(&pid, argv[0], nullptr, &attributes.attr, argv.data(), environ);
    if (result != 0)
    {
        gSlots[slot].store(0);
        return false;
    }
    gSlots[slot].store(pid);
    // The child may have ended before its pid was in the table, when the
    // handler could not yet find it.
    Reap();
    return true;
}

void PallixChildReaper::Reap()
{
    if (gReapRequests.fetch_add(1) != 0)
        return;
    for (;;)
    {
        int seen = gReapRequests.load();
        scanSlots();
        if (gReapRequests.compare_exchange_strong(seen, 0))
            return;
    }
}

int PallixChildReaper::GetLiveCount()
{
    int count = 0;
    for (const std::atomic<pid_t>& slot : gSlots)
    {
        if (slot.load() > 0)
            count++;
    }
    return count;
}
