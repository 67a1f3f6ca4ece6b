// What the POSIX registry's two kinds of file (the hive files and the
// driver's configuration file) keep alike: one object per file in the
// process. Private to the POSIX registry.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Dravo::OS {

/// The one object for each file in this process, made on first use and never
/// destroyed: open keys point into them until the very end of the process.
template <class File> class FileObjects {
public:
    /// The object for the path; make() builds it the first time.
    template <class Make> File& Get(const std::string& path, Make&& make)
    {
        std::lock_guard lock(m_mutex);
        auto& slot = m_objects[path];
        if (!slot) {
            slot = make();
        }
        return *slot;
    }
    /// The object made for the path earlier, or nullptr.
    File* Find(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_objects.find(path);
        return found == m_objects.end() ? nullptr : found->second.get();
    }
    /// Has every object forget what it parsed.
    void DiscardAll()
    {
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_objects) {
            entry.second->Discard();
        }
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<File>> m_objects;
};

} // namespace Dravo::OS
