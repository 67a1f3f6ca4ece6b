#include "driversupport/SharedLibraryHeader.h"

namespace Dravo::DriverSupport {
namespace {

constexpr size_t HEADER_START_SIZE = 20;
constexpr uint16_t SHARED_OBJECT_TYPE = 3;

uint16_t ReadHalf(std::string_view bytes, size_t offset, bool littleEndian)
{
    const auto low = static_cast<unsigned char>(bytes[offset + (littleEndian ? 0 : 1)]);
    const auto high = static_cast<unsigned char>(bytes[offset + (littleEndian ? 1 : 0)]);
    return static_cast<uint16_t>(low | (high << 8));
}

const char* MachineName(uint16_t machine)
{
    switch (machine) {
    case 3:
        return "x86";
    case 8:
        return "MIPS";
    case 20:
        return "PowerPC";
    case 21:
        return "PowerPC64";
    case 22:
        return "S/390";
    case 40:
        return "ARM";
    case 62:
        return "x86-64";
    case 183:
        return "AArch64";
    case 243:
        return "RISC-V";
    case 258:
        return "LoongArch";
    default:
        return nullptr;
    }
}

} // namespace

std::string SharedLibraryHeader::Describe() const
{
    const char* name = MachineName(machine);
    return std::to_string(bits) + "-bit " + (name ? std::string(name) : "machine " + std::to_string(machine));
}

std::optional<SharedLibraryHeader> ReadSharedLibraryHeader(std::string_view bytes)
{
    if (bytes.size() < HEADER_START_SIZE
        || bytes.substr(0, 4)
            != std::string_view("\x7f"
                                "ELF",
                4)) {
        return std::nullopt;
    }
    const auto wordClass = static_cast<unsigned char>(bytes[4]);
    const auto byteOrder = static_cast<unsigned char>(bytes[5]);
    if ((wordClass != 1 && wordClass != 2) || (byteOrder != 1 && byteOrder != 2)) {
        return std::nullopt;
    }
    SharedLibraryHeader header;
    header.bits = wordClass == 1 ? 32 : 64;
    header.littleEndian = byteOrder == 1;
    header.sharedObject = ReadHalf(bytes, 16, header.littleEndian) == SHARED_OBJECT_TYPE;
    header.machine = ReadHalf(bytes, 18, header.littleEndian);
    return header;
}

} // namespace Dravo::DriverSupport
