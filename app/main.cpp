// Entry point of the configuration tool.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/ConfigurationToolApplication.h"
#include "app/ProgramOptions.h"

int main(int argc, char** argv)
{
    const std::string programName =
        argc > 0 && argv[0] != nullptr ? std::filesystem::path(argv[0]).filename().string() : "dravo-spark-config";
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto options = Dravo::VezurAVUZ::ProgramOptions::Parse(arguments);
    Dravo::VezurAVUZ::ConfigurationToolApplication application(programName, std::cin, std::cout, std::cerr);
    const int exitCode = application.Run(options);
    std::cout.flush();
    return exitCode;
}
