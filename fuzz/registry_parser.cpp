// The hive and import file parser on any bytes: it must never crash, hang or
// read out of bounds, and a file parsed in two pieces (a base and appended
// records) must give what the whole file gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryFileParser.h"
#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"

namespace {

using Dravo::OS::RegistryFileParser;
using Dravo::OS::RegistryHive;

std::string Image(RegistryFileParser& parser, Dravo::OS::RegistryImage& image)
{
    for (const Dravo::OS::RegistryChange& change : parser.TakeChanges()) {
        image.Apply(change);
    }
    std::string text;
    Dravo::OS::RegistryFileWriter(text).WriteTree(image.GetRoot(), RegistryHive::LocalMachine, u"");
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    RegistryFileParser importParser;
    static_cast<void>(importParser.Parse(bytes));
    static_cast<void>(importParser.TakeChanges());

    RegistryFileParser whole(RegistryHive::LocalMachine);
    if (!whole.Parse(bytes)) {
        return 0;
    }
    Dravo::OS::RegistryImage wholeImage;
    const std::string expected = Image(whole, wholeImage);

    // Split where a writer could have appended: at a line end after the header.
    const size_t split = bytes.find('\n', size / 2);
    if (split == std::string_view::npos) {
        return 0;
    }
    RegistryFileParser base(RegistryHive::LocalMachine);
    if (!base.Parse(bytes.substr(0, split + 1)) || !base.CanAppend() || base.GetCommittedLength() != split + 1) {
        return 0;
    }
    Dravo::OS::RegistryImage pieceImage;
    static_cast<void>(Image(base, pieceImage));
    if (!base.ParseAppended(bytes.substr(split + 1))) {
        return 0;
    }
    if (Image(base, pieceImage) != expected || base.GetCommittedLength() != whole.GetCommittedLength()) {
        std::abort();
    }
    return 0;
}
