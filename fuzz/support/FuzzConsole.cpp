#include "FuzzConsole.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

void FuzzConsole::silenceStdout()
{
    static const bool bDone = []
    {
        std::fflush(stdout);
        int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (fd >= 0)
        {
            ::dup2(fd, STDOUT_FILENO);
            ::close(fd);
        }
        return true;
    }();
    (void)bDone;
}
