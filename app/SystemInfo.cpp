#include "SystemInfo.h"

#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

int SystemInfo::sma(unsigned char* addr)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;

    char buffer[1024];
    ifconf conf{};
    conf.ifc_len = sizeof(buffer);
    conf.ifc_buf = buffer;
    int nInterfaces = 0;
    if (ioctl(fd, SIOCGIFCONF, &conf) == 0)
        nInterfaces = conf.ifc_len / static_cast<int>(sizeof(ifreq));

    bool bFound = false;
    ifreq request{};
    for (int i = 0; i < nInterfaces && !bFound; ++i)
    {
        ifreq entry;
        std::memcpy(&entry, buffer + i * sizeof(ifreq), sizeof(ifreq));
        std::memset(&request, 0, sizeof(request));
        std::memcpy(request.ifr_name, entry.ifr_name, IFNAMSIZ);
        request.ifr_name[IFNAMSIZ - 1] = 0;
        if (ioctl(fd, SIOCGIFFLAGS, &request) != 0)
            continue;
        if (request.ifr_flags & IFF_LOOPBACK)
            continue;
        if (ioctl(fd, SIOCGIFHWADDR, &request) != 0)
            continue;
        bFound = true;
    }
    close(fd);

    if (!bFound)
        return -1;
    std::memcpy(addr, request.ifr_hwaddr.sa_data, 6);
    return 0;
}

unsigned long long SystemInfo::getMac(const char* ifc)
{
    unsigned long long mac = PLACEHOLDER_MAC;
    unsigned char bytes[8];
    std::memcpy(bytes, &mac, sizeof(bytes));
    if (sma(bytes) != 0)
        std::fprintf(stderr, "Could not find MAC address for interface %s\n", ifc ? ifc : "eth0");
    std::memcpy(&mac, bytes, sizeof(bytes));
    return mac;
}

PallixString SystemInfo::formatMac(unsigned long long mac)
{
    unsigned char bytes[8];
    std::memcpy(bytes, &mac, sizeof(bytes));
    char text[32];
    std::snprintf(text, sizeof(text), "%2.2x:%2.2x:%2.2x:%2.2x:%2.2x:%2.2x", bytes[0], bytes[1], bytes[2], bytes[3],
                  bytes[4], bytes[5]);
    PallixString result(text);
    result.ToUpper();
    return result;
}

PallixString SystemInfo::getMacAsString()
{
    return formatMac(getMac("eth0"));
}
