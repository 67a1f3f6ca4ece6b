// Configuration files (import): any bytes give settings whose keys hold no
// "=" and no line break; a set that the export accepts is written and read
// back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "driversupport/DSConfigurationFile.h"
#include "support/ErrorException.h"

namespace {

std::string ScratchFile(const char* role)
{
    // One name per process, so that parallel fuzzing jobs do not share it.
    static const std::string stem =
        (std::filesystem::temp_directory_path() / ("dravo-fuzz-sdc-" + std::to_string(std::random_device()())))
            .string();
    return stem + role;
}

bool SameSettings(
    const Dravo::DriverSupport::DSConnectionSettingsMap& a, const Dravo::DriverSupport::DSConnectionSettingsMap& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (auto left = a.begin(), right = b.begin(); left != a.end(); ++left, ++right) {
        if (!(left->first == right->first) || !(left->second.value == right->second.value)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Dravo::DriverSupport::DSConfigurationFile;
    using Dravo::Support::WideString;
    const std::string input = ScratchFile(".in");
    if (std::FILE* out = std::fopen(input.c_str(), "wb")) {
        if (size > 0) {
            std::fwrite(data, 1, size, out);
        }
        std::fclose(out);
    }
    try {
        const auto settings = DSConfigurationFile::Read(WideString(input));
        for (const auto& [key, setting] : settings) {
            const std::string narrowKey = key.GetAsUTF8();
            if (narrowKey.find_first_of("=\r\n") != std::string::npos || !setting.isImported) {
                __builtin_trap();
            }
        }
        if (!DSConfigurationFile::FindUnsafeKey(settings)) {
            const std::string copy = ScratchFile(".out");
            DSConfigurationFile::Write(WideString(copy), settings);
            if (!SameSettings(settings, DSConfigurationFile::Read(WideString(copy)))) {
                __builtin_trap();
            }
            std::remove(copy.c_str());
        }
    } catch (const Dravo::Support::ErrorException&) {
        __builtin_trap(); // the files exist: reading and writing them must work
    }
    std::remove(input.c_str());
    return 0;
}
