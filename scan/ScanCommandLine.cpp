#include "ScanCommandLine.h"

#include <cstdlib>
#include <string>
#include <thread>

namespace
{
// More probes at once than this only wait on each other for the disk.
constexpr int MAX_JOBS = 64;
} // namespace

const char* ScanCommandLine::USAGE = "usage: quorva-scan [--db FILE] [--merge] [--force] [--dry-run] [--jobs N] FOLDER...";

ScanCommandLine::ScanCommandLine()
    : mDatabase("movies.html"), mbMerge(false), mbForce(false), mbDryRun(false), mbHelp(false), mJobs(0)
{
    mJobs = static_cast<int>(std::thread::hardware_concurrency());
    if (mJobs < 1)
        mJobs = 1;
}

bool ScanCommandLine::parse(int argc, char** argv)
{
    bool bOptions = true;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (bOptions && arg == "--")
            bOptions = false;
        else if (bOptions && (arg == "--help" || arg == "-h"))
            mbHelp = true;
        else if (bOptions && arg == "--merge")
            mbMerge = true;
        else if (bOptions && arg == "--force")
            mbForce = true;
        else if (bOptions && arg == "--dry-run")
            mbDryRun = true;
        else if (bOptions && arg == "--db")
        {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
            {
                mError = "--db needs a file name";
                return false;
            }
            mDatabase = argv[++i];
        }
        else if (bOptions && arg == "--jobs")
        {
            char* pEnd = nullptr;
            long nJobs = i + 1 < argc ? std::strtol(argv[i + 1], &pEnd, 10) : 0;
            if (i + 1 >= argc || *pEnd != '\0' || nJobs < 1 || nJobs > MAX_JOBS)
            {
                mError = "--jobs needs a number from 1 to 64";
                return false;
            }
            mJobs = static_cast<int>(nJobs);
            ++i;
        }
        else if (bOptions && arg.size() > 1 && arg[0] == '-')
        {
            mError = PallixString("unknown option ") + arg.c_str();
            return false;
        }
        else
            mFolders.emplace_back(arg);
    }
    if (mbHelp)
        return true;
    if (mFolders.empty())
    {
        mError = "no FOLDER to scan";
        return false;
    }
    return true;
}
