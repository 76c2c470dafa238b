#include "PallixEvdevKeys.h"

#include "PallixKeyMap.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{
constexpr uint64_t EVDEV_INPUT = 4ull << 56;

bool hasBit(const unsigned long* bits, unsigned nBit)
{
    constexpr unsigned kBitsPerWord = sizeof(unsigned long) * CHAR_BIT;
    return (bits[nBit / kBitsPerWord] >> (nBit % kBitsPerWord)) & 1ul;
}
} // namespace

PallixEvdevKeys::PallixEvdevKeys(std::string dir) : mDir(std::move(dir))
{
    for (const PallixInputBinding& binding : PallixKeyMap::GetInputBindings())
    {
        uint32_t nCode = 0;
        if (binding.kind == PallixInputKind::kLinuxKey && PallixKeyMap::CodeForName(binding.key, nCode))
            mCodes[binding.linuxCode] = nCode;
    }
}

PallixEvdevKeys::~PallixEvdevKeys()
{
    for (Device& device : mDevices)
        ::close(device.fd);
    if (mNotifyFd >= 0)
        ::close(mNotifyFd);
}

void PallixEvdevKeys::AddDevice(int fd)
{
    if (fd < 0)
        return;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    mDevices.push_back(Device{fd, std::string(), ++mLastSerial});
}

void PallixEvdevKeys::Poll(bool bAcceptPresses, const Sink& sink)
{
    if (!mbStarted)
        Start();
    ReadNotifications();
    std::erase_if(mDevices,
                  [&](Device& device)
                  {
                      if (ReadDevice(device, bAcceptPresses, sink))
                          return false;
                      ::close(device.fd);
                      return true;
                  });
}

void PallixEvdevKeys::Start()
{
    mbStarted = true;
    mNotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // udev makes a device readable after creating it, hence IN_ATTRIB.
    if (mNotifyFd >= 0 && ::inotify_add_watch(mNotifyFd, mDir.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0)
    {
        ::close(mNotifyFd);
        mNotifyFd = -1;
    }
    Scan();
}

void PallixEvdevKeys::ReadNotifications()
{
    if (mNotifyFd < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    bool bChanged = false;
    while (::read(mNotifyFd, buffer, sizeof buffer) > 0)
        bChanged = true;
    if (bChanged)
        Scan();
}

void PallixEvdevKeys::Scan()
{
    DIR* pDir = ::opendir(mDir.c_str());
    if (!pDir)
        return;
    std::vector<std::string> paths;
    while (dirent* pEntry = ::readdir(pDir))
    {
        const std::string name = pEntry->d_name;
        if (name.rfind("event", 0) == 0)
            paths.push_back(mDir + "/" + name);
    }
    ::closedir(pDir);
    for (const std::string& path : paths)
    {
        bool bOpen = std::any_of(mDevices.begin(), mDevices.end(),
                                 [&](const Device& device) { return device.path == path; });
        if (!bOpen)
            OpenDevice(path);
    }
}

bool PallixEvdevKeys::OpenDevice(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    constexpr unsigned kBitsPerWord = sizeof(unsigned long) * CHAR_BIT;
    unsigned long keys[(KEY_MAX + kBitsPerWord) / kBitsPerWord] = {};
    bool bWanted = false;
    if (::ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) >= 0)
    {
        bWanted = std::any_of(mCodes.begin(), mCodes.end(),
                              [&](const auto& entry) { return hasBit(keys, entry.first); });
    }
    if (!bWanted)
    {
        ::close(fd);
        return false;
    }
    mDevices.push_back(Device{fd, path, ++mLastSerial});
    return true;
}

bool PallixEvdevKeys::ReadDevice(Device& device, bool bAcceptPresses, const Sink& sink)
{
    input_event events[64];
    for (;;)
    {
        ssize_t n = ::read(device.fd, events, sizeof events);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        // The end of a pipe; a device that is unplugged fails with ENODEV.
        if (n == 0)
            return false;
        const size_t count = static_cast<size_t>(n) / sizeof(input_event);
        for (size_t i = 0; i < count; ++i)
        {
            const input_event& event = events[i];
            // Value 2 is the device's own repeat.
            if (event.type != EV_KEY || event.value > 1)
                continue;
            auto it = mCodes.find(event.code);
            if (it == mCodes.end())
                continue;
            const bool bDown = event.value == 1;
            if (bDown && !bAcceptPresses)
                continue;
            sink(EVDEV_INPUT | (uint64_t(device.serial) << 16) | event.code, it->second, bDown);
        }
    }
}
