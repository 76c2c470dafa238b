#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The keys of TV remotes that SDL 2 never delivers (HDMI-CEC and infrared
// remotes show up in Linux as input devices; OK, Info, channel up and down,
// Subtitle, Audio and Exit have codes SDL has no name for and X11 cannot
// carry), read from the input devices that have them. Only the key map's
// kLinuxKey codes are taken, so nothing SDL also delivers comes twice. Devices
// plugged in later are found through inotify. Reading a device needs the
// right to (root, or the "input" group); devices that cannot be opened are
// left alone.
class PallixEvdevKeys
{
public:
    // A key of a device: its input id (one per device and key), the remote key,
    // pressed or released.
    using Sink = std::function<void(uint64_t nInput, uint32_t nCode, bool bDown)>;

    explicit PallixEvdevKeys(std::string dir = "/dev/input");
    ~PallixEvdevKeys();
    PallixEvdevKeys(const PallixEvdevKeys&) = delete;
    PallixEvdevKeys& operator=(const PallixEvdevKeys&) = delete;

    // Opens the devices on first use and the ones plugged in since, then reads
    // what every device sent, without waiting. Presses are passed on only with
    // bAcceptPresses (the window has the keyboard); releases always are, so that
    // nothing stays held. The devices' own repeats are dropped.
    void Poll(bool bAcceptPresses, const Sink& sink);

    // Reads events from a descriptor that is already open (a pipe in tests);
    // the object closes it.
    void AddDevice(int fd);

private:
    struct Device
    {
        int fd = -1;
        std::string path;
        uint32_t serial = 0;
    };

    void Start();
    void Scan();
    void ReadNotifications();
    bool OpenDevice(const std::string& path);
    // False when the device is gone.
    bool ReadDevice(Device& device, bool bAcceptPresses, const Sink& sink);

    std::string mDir;
    bool mbStarted = false;
    int mNotifyFd = -1;
    uint32_t mLastSerial = 0;
    std::vector<Device> mDevices;
    // The Linux key codes that stand for remote keys.
    std::map<uint16_t, uint32_t> mCodes;
};
