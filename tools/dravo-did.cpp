// dravo-did: writes and inspects product description files, the enciphered
// XML files that rename the product and switch its features when placed
// beside the configuration tool.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "identity/ProductDescriptionFile.h"
#include "support/ErrorException.h"

namespace {

using Dravo::DriverSupport::ProductDescriptionFile;
namespace fs = std::filesystem;

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

constexpr const char* USAGE = "Usage: dravo-did encrypt IN.xml OUT.did\n"
                              "       dravo-did decrypt IN.did [OUT.xml]\n"
                              "       dravo-did list IN.did\n"
                              "       dravo-did --help | --version\n"
                              "\n"
                              "encrypt  enciphers an XML text into a product description file\n"
                              "decrypt  deciphers a product description file exactly as the tool reads it\n"
                              "         (to standard output without OUT.xml)\n"
                              "list     prints the attributes the tool finds in a file, one name=value a line\n";

struct Failure {
    std::string message;
};

std::string ReadWholeFile(const fs::path& path, size_t limit)
{
    std::error_code error;
    if (fs::is_directory(path, error)) {
        throw Failure{path.string() + ": is a directory"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Failure{path.string() + ": cannot open for reading: " + std::strerror(errno)};
    }
    std::string content;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<size_t>(in.gcount()));
        if (content.size() > limit) {
            throw Failure{path.string() + ": larger than " + std::to_string(limit)
                + " bytes, which the configuration tool does not read"};
        }
    }
    if (in.bad()) {
        throw Failure{path.string() + ": read error"};
    }
    return content;
}

// Written beside the target and renamed over it, so that a failed run never
// leaves a half-written file behind.
void WriteWholeFile(const fs::path& path, std::string_view content)
{
    const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::random_device random;
    const fs::path temporary = directory / ("." + path.filename().string() + ".tmp" + std::to_string(random()));
    std::FILE* file = std::fopen(temporary.string().c_str(), "wbx");
    if (!file) {
        throw Failure{path.string() + ": cannot create " + temporary.string() + ": " + std::strerror(errno)};
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (!written || !closed) {
        fs::remove(temporary, error);
        throw Failure{path.string() + ": write error"};
    }
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw Failure{path.string() + ": cannot replace: " + error.message()};
    }
}

bool SameFile(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

int Encrypt(const fs::path& input, const fs::path& output)
{
    if (SameFile(input, output)) {
        throw Failure{output.string() + ": is the input file; choose another output name"};
    }
    const std::string xml = ReadWholeFile(input, ProductDescriptionFile::MAX_FILE_SIZE);
    if (xml.empty()) {
        throw Failure{input.string() + ": is empty"};
    }
    const Dravo::DriverSupport::ParsedDescription parsed = ProductDescriptionFile::Parse(xml);
    if (!parsed.error.empty()) {
        throw Failure{
            input.string() + ":" + std::to_string(parsed.errorLine) + ": not well-formed XML: " + parsed.error};
    }
    const std::string content = ProductDescriptionFile::Encipher(xml);
    // The reader stops at the first block that deciphers to valid padding; a
    // text with such a block in its middle would be read cut short.
    const std::string readBack = ProductDescriptionFile::Decipher(content).text;
    if (readBack != xml) {
        throw Failure{input.string() + ": the configuration tool would read this text only up to byte "
            + std::to_string(readBack.size())
            + ", because the 16-byte block ending there looks like padding (a run of the same control "
              "character, such as tabs or line feeds); change the white space near that byte"};
    }
    WriteWholeFile(output, content);
    std::printf("%s: %zu attributes\n", output.string().c_str(), parsed.attributes.size());
    return EXIT_OK;
}

int Decrypt(const fs::path& input, const std::optional<fs::path>& output)
{
    if (output && SameFile(input, *output)) {
        throw Failure{output->string() + ": is the input file; choose another output name"};
    }
    const std::string content = ReadWholeFile(input, ProductDescriptionFile::MAX_FILE_SIZE);
    const Dravo::DriverSupport::DecipheredText deciphered = ProductDescriptionFile::Decipher(content);
    if (!deciphered.isComplete) {
        throw Failure{input.string() + ": cannot be deciphered with the product description file key"};
    }
    const std::string& xml = deciphered.text;
    if (output) {
        WriteWholeFile(*output, xml);
    } else if (std::fwrite(xml.data(), 1, xml.size(), stdout) != xml.size()) {
        throw Failure{"standard output: write error"};
    }
    return EXIT_OK;
}

int List(const fs::path& input)
{
    const std::string content = ReadWholeFile(input, ProductDescriptionFile::MAX_FILE_SIZE);
    const Dravo::DriverSupport::DecipheredText deciphered = ProductDescriptionFile::Decipher(content);
    const Dravo::DriverSupport::ParsedDescription parsed = ProductDescriptionFile::Parse(deciphered.text);
    for (const auto& [name, value] : parsed.attributes) {
        std::printf("%s=%s\n", name.GetAsUTF8().c_str(), value.GetAsUTF8().c_str());
    }
    if (!deciphered.isComplete) {
        std::fprintf(stderr, "dravo-did: %s: cannot be deciphered completely with the product description file key\n",
            input.string().c_str());
    } else if (!parsed.error.empty()) {
        std::fprintf(stderr, "dravo-did: %s: deciphered text line %llu: %s; the tool keeps the attributes before it\n",
            input.string().c_str(), static_cast<unsigned long long>(parsed.errorLine), parsed.error.c_str());
    }
    return EXIT_OK;
}

int Usage(const char* problem)
{
    std::fprintf(stderr, "dravo-did: %s\n%s", problem, USAGE);
    return EXIT_USAGE;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view command = argc > 1 ? argv[1] : "";
    try {
        if (command == "--help" || command == "-h") {
            std::fputs(USAGE, stdout);
            return EXIT_OK;
        }
        if (command == "--version") {
            std::puts("dravo-did " DRAVO_VERSION);
            return EXIT_OK;
        }
        if (command == "encrypt") {
            return argc == 4 ? Encrypt(argv[2], argv[3]) : Usage("encrypt takes IN.xml and OUT.did");
        }
        if (command == "decrypt") {
            if (argc == 3) {
                return Decrypt(argv[2], std::nullopt);
            }
            return argc == 4 ? Decrypt(argv[2], fs::path(argv[3]))
                             : Usage("decrypt takes IN.did and optionally OUT.xml");
        }
        if (command == "list") {
            return argc == 3 ? List(argv[2]) : Usage("list takes IN.did");
        }
        return Usage(command.empty() ? "no command given" : "unknown command");
    } catch (const Failure& failure) {
        std::fprintf(stderr, "dravo-did: %s\n", failure.message.c_str());
    } catch (const Dravo::Support::ErrorException& exception) {
        std::fprintf(stderr, "dravo-did: %s\n", exception.GetUnformattedText().GetAsUTF8().c_str());
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "dravo-did: %s\n", exception.what());
    }
    return EXIT_FAILED;
}
