// Entry point of the configuration tool.
#include <cstdio>

#include "support/Platform.h"

int main()
{
    Dravo::Support::InitializePlatform(false);
    std::puts("dravo-spark-config: the configuration dialog is not available in this build yet.");
    Dravo::Support::UninitializePlatform();
    return 0;
}
