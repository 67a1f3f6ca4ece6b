// Parse, write, parse: whatever the parser accepts, the writer writes so that
// it parses back to the same keys and values, and writing that again gives the
// same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryFileParser.h"
#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"

namespace {

using Dravo::OS::RegistryHive;

std::string Write(const Dravo::OS::RegistryImage& image, RegistryHive hive)
{
    std::string text;
    Dravo::OS::RegistryFileWriter writer(text);
    writer.WriteHeader();
    writer.WriteTree(image.GetRoot(), hive, u"");
    return text;
}

bool SameKeys(const Dravo::OS::RegistryImageKey& a, const Dravo::OS::RegistryImageKey& b)
{
    if (a.GetName() != b.GetName() || a.GetValueCount() != b.GetValueCount()
        || a.GetSubKeyCount() != b.GetSubKeyCount()) {
        return false;
    }
    for (size_t i = 0; i < a.GetValueCount(); ++i) {
        if (!(a.GetValue(i) == b.GetValue(i))) {
            return false;
        }
    }
    for (size_t i = 0; i < a.GetSubKeyCount(); ++i) {
        if (!SameKeys(a.GetSubKey(i), b.GetSubKey(i))) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Dravo::OS::RegistryFileParser parser;
    if (!parser.Parse(bytes)) {
        return 0;
    }
    Dravo::OS::RegistryImage images[2];
    for (const Dravo::OS::RegistryChange& change : parser.TakeChanges()) {
        images[change.hive == RegistryHive::LocalMachine ? 0 : 1].Apply(change);
    }
    for (const RegistryHive hive : {RegistryHive::LocalMachine, RegistryHive::CurrentUser}) {
        const Dravo::OS::RegistryImage& image = images[hive == RegistryHive::LocalMachine ? 0 : 1];
        const std::string text = Write(image, hive);
        Dravo::OS::RegistryFileParser reparser(hive);
        if (!reparser.Parse(text)) {
            std::abort();
        }
        Dravo::OS::RegistryImage reread;
        for (const Dravo::OS::RegistryChange& change : reparser.TakeChanges()) {
            reread.Apply(change);
        }
        if (!SameKeys(image.GetRoot(), reread.GetRoot()) || Write(reread, hive) != text) {
            std::abort();
        }
    }
    return 0;
}
