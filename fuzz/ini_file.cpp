// Read, edit, read back: a file read and written without a change is the same
// bytes; with changes (chosen from the input itself), it reads back as the
// changes say and every other section as it was; and the same changes made
// again change nothing.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/IniFile.h"
#include "platform/RegistryImage.h"

namespace {

using Dravo::Fuzz::Check;
using Dravo::OS::IniEntry;
using Dravo::OS::IniFile;
using Dravo::OS::IniSectionChanges;

std::map<std::u16string, std::u16string> ByName(const std::vector<IniEntry>& entries)
{
    std::map<std::u16string, std::u16string> byName;
    for (const IniEntry& entry : entries) {
        byName.emplace(Dravo::OS::FoldRegistryName(entry.name), entry.value);
    }
    return byName;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniFile file;
    if (!file.Parse(bytes)) {
        return 0;
    }
    Check(file.Apply(u"Driver", IniSectionChanges()) == bytes);

    // Names and values read from a file can always be written back.
    const std::vector<IniEntry> before = file.ReadSection(u"Driver");
    IniSectionChanges changes;
    const unsigned seed = size > 0 ? data[size - 1] : 0;
    if (seed % 11 == 10) {
        changes.RemoveSection();
    }
    for (size_t i = 0; i < before.size(); ++i) {
        switch ((seed + i) % 4) {
        case 0:
            changes.SetValue(before[i].name, u"changed " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
            break;
        case 1:
            changes.DeleteValue(before[i].name);
            break;
        case 2:
            changes.SetValue(before[i].name, before[(i + 1) % before.size()].value);
            break;
        default:
            break;
        }
    }
    if (seed % 3 == 0) {
        changes.SetValue(u"AddedByTheFuzzer", u"new value");
    }
    if (seed % 5 == 0) {
        changes.CreateSection();
    }

    const std::string edited = file.Apply(u"Driver", changes);
    IniFile reread;
    Check(reread.Parse(edited));
    Check(reread.HasSection(u"Driver") == changes.SectionExistsOver(file.HasSection(u"Driver")));
    Check(ByName(reread.ReadSection(u"Driver")) == ByName(changes.EntriesOver(before)));
    Check(reread.ReadSection(u"ODBC") == file.ReadSection(u"ODBC"));
    if (!changes.DropsExisting()) {
        Check(reread.Apply(u"Driver", changes) == edited);
    }
    return 0;
}
