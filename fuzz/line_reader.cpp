// Files read line by line (configuration import): any bytes give lines
// without line ends or byte 255, and never more bytes than the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "support/ErrorException.h"
#include "support/FileHandler.h"

namespace {

std::string ScratchFile()
{
    // One name per process, so that parallel fuzzing jobs do not share it.
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("dravo-fuzz-lines-" + std::to_string(std::random_device()())))
            .string();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Dravo::Support::FileHandler;
    const std::string path = ScratchFile();
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        if (size > 0) {
            std::fwrite(data, 1, size, out);
        }
        std::fclose(out);
    }
    size_t total = 0;
    try {
        FileHandler file(Dravo::Support::WideString(path), Dravo::Support::FILE_MODE_READ);
        std::string line;
        while (file.ReadLine(line)) {
            if (line.find_first_of("\r\n\xFF") != std::string::npos) {
                __builtin_trap();
            }
            total += line.size() + 1;
            if (total > size + 1) {
                __builtin_trap();
            }
        }
        if (!line.empty()) {
            __builtin_trap();
        }
    } catch (const Dravo::Support::ErrorException&) {
        __builtin_trap(); // the file exists: opening for reading must work
    }
    std::remove(path.c_str());
    return 0;
}
