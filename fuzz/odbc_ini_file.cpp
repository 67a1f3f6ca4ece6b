// unixODBC's files read and edited: a section that is edited reads back as
// the changes say, every other section reads as it did, and an edit is
// either made or refused with a line of the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/OdbcIniFile.h"

namespace {

using Dravo::Fuzz::AsciiFolded;
using Dravo::Fuzz::Check;
using Dravo::OS::IniEntry;
using Dravo::OS::IniSectionChanges;
using Dravo::OS::OdbcIniFile;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    OdbcIniFile file;
    if (!file.Parse(bytes)) {
        return 0;
    }
    OdbcIniFile::Fault refusal;
    const std::vector<std::u16string> sections = file.SectionNames();
    const std::u16string section = sections.empty() ? u"Sales" : sections.front();
    if (const auto same = file.Apply(section, IniSectionChanges(), refusal)) {
        Check(*same == bytes);
    }

    IniSectionChanges changes;
    const unsigned seed = size > 0 ? data[size - 1] : 0;
    if (seed % 7 == 6) {
        changes.RemoveSection();
    }
    changes.SetValue(u"Host", u"changed");
    if (seed % 3 == 0) {
        changes.DeleteValue(u"Port");
    }
    const auto edited = file.Apply(section, changes, refusal);
    if (!edited) {
        Check(refusal.line > 0 && !refusal.reason.empty());
        return 0;
    }
    OdbcIniFile reread;
    Check(reread.Parse(*edited));
    Check(reread.HasSection(section));
    bool hostSeen = false;
    for (const IniEntry& entry : reread.ReadSection(section)) {
        // Names keep the case they were written in; unixODBC compares them folded.
        Check(AsciiFolded(entry.name) != u"PORT" || seed % 3 != 0);
        hostSeen = hostSeen || (AsciiFolded(entry.name) == u"HOST" && entry.value == u"changed");
    }
    Check(hostSeen);
    // No other section changes.
    for (const std::u16string& other : sections) {
        if (AsciiFolded(other) != AsciiFolded(section)) {
            Check(reread.HasSection(other));
            Check(reread.ReadSection(other) == file.ReadSection(other));
        }
    }
    return 0;
}
