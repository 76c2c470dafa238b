#include "QuorvaApp.h"
#include "SystemInfo.h"

#include <iostream>

int main(int argc, char** argv)
{
    PallixString mac = SystemInfo::getMacAsString();
    std::cout << "My MAC: " << mac << std::endl;

    QuorvaApp app;
    return app.Run(argc, argv);
}
