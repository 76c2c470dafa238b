#include "ProbeCache.h"

#include "AtomicFile.h"
#include "FileUtils.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
const std::string HEADER = "quorva-scan cache 1";
constexpr size_t VALUE_FIELDS = 5;

std::vector<std::string> splitTabs(const std::string& text)
{
    std::vector<std::string> parts;
    size_t nStart = 0;
    for (;;)
    {
        size_t nTab = text.find('\t', nStart);
        parts.push_back(text.substr(nStart, nTab == std::string::npos ? std::string::npos : nTab - nStart));
        if (nTab == std::string::npos)
            return parts;
        nStart = nTab + 1;
    }
}

bool isPlainText(const std::string& text)
{
    return text.find_first_of("\t\n\r") == std::string::npos;
}
} // namespace

ProbeCache::ProbeCache(PallixString path) : mPath(std::move(path)) {}

void ProbeCache::load()
{
    mRecords.clear();
    FileHandle file = FileUtils::openRegularFile(mPath);
    if (!file)
        return;
    std::string line;
    bool bFirst = true;
    for (int c = std::fgetc(file.get());; c = std::fgetc(file.get()))
    {
        if (c != EOF && c != '\n')
        {
            line += static_cast<char>(c);
            continue;
        }
        if (bFirst)
        {
            // A cache of another layout is not understood: it is as if there were none.
            if (line != HEADER)
                return;
            bFirst = false;
        }
        else if (!line.empty())
        {
            std::vector<std::string> parts = splitTabs(line);
            if (parts.size() == 3 + VALUE_FIELDS && !parts[0].empty())
            {
                Record record;
                record.nSize = std::strtoull(parts[1].c_str(), nullptr, 10);
                record.nTime = std::strtoll(parts[2].c_str(), nullptr, 10);
                record.values = line.substr(parts[0].size() + parts[1].size() + parts[2].size() + 3);
                mRecords[parts[0]] = std::move(record);
            }
        }
        line.clear();
        if (c == EOF)
            break;
    }
}

bool ProbeCache::lookup(const std::string& key, uint64_t nSize, int64_t nTime, ProbedValues& values) const
{
    auto found = mRecords.find(key);
    if (found == mRecords.end() || found->second.nSize != nSize || found->second.nTime != nTime)
        return false;
    std::vector<std::string> parts = splitTabs(found->second.values);
    if (parts.size() != VALUE_FIELDS)
        return false;
    values.setAll(PallixString(parts[0]), PallixString(parts[1]), PallixString(parts[2]), PallixString(parts[3]),
                  PallixString(parts[4]));
    return true;
}

void ProbeCache::store(const std::string& key, uint64_t nSize, int64_t nTime, ProbedValues& values)
{
    std::string text = values.getDuration().str() + "\t" + values.getResolution().str() + "\t" +
                       values.getAspect().str() + "\t" + values.getMedia().str() + "\t" + values.getPlayFile().str();
    if (!isPlainText(key) || splitTabs(text).size() != VALUE_FIELDS)
        return;
    Record& record = mRecords[key];
    record.nSize = nSize;
    record.nTime = nTime;
    record.values = std::move(text);
    record.bSeen = true;
}

void ProbeCache::forgetUnseenUnder(const std::vector<PallixString>& folders)
{
    for (auto it = mRecords.begin(); it != mRecords.end();)
    {
        bool bUnder = false;
        for (const PallixString& folder : folders)
        {
            const std::string prefix = folder.str() == "/" ? "/" : folder.str() + "/";
            bUnder = bUnder || it->first.compare(0, prefix.size(), prefix) == 0;
        }
        if (bUnder && !it->second.bSeen)
            it = mRecords.erase(it);
        else
            ++it;
    }
}

bool ProbeCache::save()
{
    // Sorted, so that the file reads the same for the same library.
    std::vector<const std::pair<const std::string, Record>*> sorted;
    sorted.reserve(mRecords.size());
    for (const auto& record : mRecords)
        sorted.push_back(&record);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });

    AtomicFile file(mPath);
    std::string text = HEADER + "\n";
    for (const auto* pRecord : sorted)
    {
        text += pRecord->first + "\t" + std::to_string(pRecord->second.nSize) + "\t" +
                std::to_string(pRecord->second.nTime) + "\t" + pRecord->second.values + "\n";
        if (text.size() > 60000)
        {
            file.write(text);
            text.clear();
        }
    }
    file.write(text);
    return file.commit();
}
