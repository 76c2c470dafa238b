#pragma once

#include "PallixString.h"

#include <memory>
#include <vector>

class MediaEntry;

// The movie database as a whole, read and written through the library's own
// record reader and writer.
class DatabaseFile
{
public:
    // Every record of the file, in file order, its relative paths resolved
    // against the file's folder. Unlike Quorva at start-up it keeps records that
    // Quorva would pass over (without an Original Title, or rated out by parental
    // control): they are the user's, and a rewritten database keeps them. False
    // when the file cannot be read.
    static bool read(const PallixString& path, std::vector<std::unique_ptr<MediaEntry>>& records);
    // Replaces the file whole ("<html><body>", the full records, "</body></html>");
    // false, with the old file untouched and the reason in error, when it cannot
    // be written.
    static bool write(const PallixString& path, const std::vector<MediaEntry*>& records, PallixString& error);
    // The folder a path lies in.
    static PallixString folderOf(const PallixString& path);
};
