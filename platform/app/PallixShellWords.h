#pragma once

#include <string>
#include <vector>

// Splits a command line into words the way a POSIX shell does for quoting, and
// for nothing else: no expansion of any kind, no operators, no comments.
// - Blanks (space, tab, newline) outside quotes separate words.
// - '...' keeps everything literally up to the next single quote.
// - "..." keeps everything literally except that a backslash escapes $ ` " \ and
//   newline (a backslash before any other character stays).
// - An unquoted backslash keeps the next character literally; backslash-newline
//   is a line continuation.
// - "" and '' make an empty word.
class PallixShellWords
{
public:
    // False for an unbalanced quote or a trailing lone backslash.
    static bool Split(const char* commandLine, std::vector<std::string>& words);
};
