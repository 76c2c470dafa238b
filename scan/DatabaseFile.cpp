#include "DatabaseFile.h"

#include "AtomicFile.h"
#include "FileUtils.h"
#include "HTMLDBParser.h"
#include "MediaEntry.h"

#include <cstdio>
#include <sstream>

namespace
{
// The reader's own line buffer size.
constexpr int LINE_BYTES = 2048;

bool isBlank(MediaEntry* pEntry)
{
    return pEntry->getOriginalTitle().IsEmpty() && pEntry->getTitle().IsEmpty() && pEntry->getPath().IsEmpty() &&
           pEntry->getFilename().IsEmpty();
}
} // namespace

PallixString DatabaseFile::folderOf(const PallixString& path)
{
    int nSlash = path.ReverseFind('/');
    if (nSlash < 0)
        return PallixString(".");
    return nSlash == 0 ? PallixString("/") : path.Left(nSlash);
}

bool DatabaseFile::read(const PallixString& path, std::vector<std::unique_ptr<MediaEntry>>& records)
{
    FileHandle file = FileUtils::openRegularFile(path);
    if (!file)
        return false;
    const PallixString folder = folderOf(path);
    HTMLDBParser parser;
    char line[LINE_BYTES];
    // As the library reads it: any line outside a record opens the next one.
    while (std::fgets(line, sizeof(line), file.get()))
    {
        std::unique_ptr<MediaEntry> pEntry(parser.parseEntry(file.get(), true));
        if (isBlank(pEntry.get()))
            continue;
        pEntry->resolvePaths(folder);
        records.push_back(std::move(pEntry));
    }
    return !std::ferror(file.get());
}

bool DatabaseFile::write(const PallixString& path, const std::vector<MediaEntry*>& records, PallixString& error)
{
    AtomicFile file(path);
    if (!file.isOpen())
    {
        error = file.getError();
        return false;
    }
    file.write("<html><body>\n");
    std::ostringstream text;
    for (MediaEntry* pEntry : records)
    {
        text.str(std::string());
        pEntry->exportFullEntry(text);
        file.write(text.str());
    }
    file.write("</body></html>\n");
    if (file.commit())
        return true;
    error = file.getError();
    return false;
}
