#include "LibraryScanner.h"

int main(int argc, char** argv)
{
    LibraryScanner scanner;
    return scanner.run(argc, argv);
}
