// One hive file on a POSIX system, with the parsed image of it that this
// process keeps. Private to the POSIX registry.
//
// Saved by the durable file engine (DurableFile.h): a change is appended as
// a complete, checksummed change record in place, or written with the whole
// hive as a new file that replaces the old one, under the writers' lock and
// merged onto the file's latest content.
// The image is reused while the file's identity (device, inode, size, times)
// is unchanged; appended records are parsed alone.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/RegistryFileParser.h"
#include "platform/RegistryImage.h"
#include "platform/SystemError.h"
#include "platform/posix/DurableFile.h"
#include "platform/posix/RegistryFileSupport.h"

namespace Dravo::OS {

/// The text GetRegistryDiagnostic() returns, per thread.
void SetRegistryDiagnostic(std::string text);
void ClearRegistryDiagnostic();

/// The directory given to SetRegistryRoot, else DRAVO_REGISTRY_ROOT; empty
/// when the hives are in their usual places.
std::string GetRegistryRootDirectory();
/// $HOME, else the user's home directory from the password database.
std::string GetUserHomeDirectory();

class HiveFile {
public:
    /// Decides which changes to make, given the latest image; an error stops
    /// the write with nothing changed.
    using Planner = std::function<ErrorCode(const RegistryImage&, std::vector<RegistryChange>&)>;
    using Reader = std::function<ErrorCode(const RegistryImage&)>;

    /// The process-wide object for the file that holds the hive now.
    static HiveFile& Get(RegistryHive hive);
    /// Forgets every parsed image.
    static void DiscardAll();
    /// Destroys every object: nobody may hold one.
    static void ReleaseAll();

    HiveFile(RegistryHive hive, std::string path);
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;
    ~HiveFile();

    [[nodiscard]] RegistryHive GetHive() const { return m_hive; }
    [[nodiscard]] const std::string& GetPath() const { return m_path; }

    /// Runs the reader on the current image.
    ErrorCode Read(const Reader& reader);
    /// Plans and makes one atomic change.
    ErrorCode Write(const Planner& planner);
    /// ERROR_ACCESS_DENIED when this user could not write the hive.
    ErrorCode CheckWritable();
    /// Waits until the file and its directory entry are on disk; appended
    /// change records are folded into a fresh file first, when this user may
    /// write the hive.
    ErrorCode Flush();
    void Discard();

private:
    using Identity = FileIdentity;

    ErrorCode Refresh();
    /// Brings the image up to the file as opened; a full parse when forced
    /// or when the file is not the one last parsed plus appended records.
    ErrorCode LoadFrom(const OpenedFile& file, bool forceFull);
    ErrorCode LoadFull(const OpenedFile& file);
    void ResetToMissing();
    ErrorCode Append(const LockedFile& file, const std::string& body);
    ErrorCode Compact(const LockedFile& file, const std::string& body);

    const RegistryHive m_hive;
    const std::string m_path;
    const DurableFile m_durable;

    std::mutex m_mutex;
    bool m_loaded = false;
    Identity m_identity;
    std::unique_ptr<RegistryFileParser> m_parser;
    RegistryImage m_image;
    /// Set while the file as identified does not parse.
    std::string m_loadError;
    /// The last bytes before the committed length, to recognise the same file.
    std::string m_tail;
};

} // namespace Dravo::OS
