#pragma once

#include <cstdio>
#include <memory>

// Closes a C file when its handle goes.
struct FileCloser
{
    void operator()(FILE* pFile) const { std::fclose(pFile); }
};

// An open C file, closed on every way out of its scope.
using FileHandle = std::unique_ptr<FILE, FileCloser>;
