#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>

// The build's bin folder, whose artwork the application under measure draws
// with, once the headless display is chosen and the control channel is off;
// empty, after saying why, when the artwork has not been built.
inline std::filesystem::path PrepareHeadless()
{
    std::filesystem::path buildBin = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
    if (!std::filesystem::exists(buildBin / "images") || !std::filesystem::exists(buildBin / "graphics"))
    {
        std::fprintf(stderr, "artwork missing in %s: build the quorva target first\n", buildBin.c_str());
        return {};
    }
    setenv("PALLIX_DISPLAY", "headless", 1);
    setenv("PALLIX_ECP_PORT", "0", 1);
    setenv("PALLIX_GRAPHICS_DIR", (buildBin / "graphics").c_str(), 1);
    return buildBin;
}
