// One hive file on a POSIX system, with the parsed image of it that this
// process keeps. Private to the POSIX registry.
//
// Readers take no lock: writers change the file only by appending a complete,
// checksummed change record or by renaming a complete new file over it, so a
// reader sees the old hive or the new one. Writers take an exclusive advisory
// lock on the hive file and merge their change onto the file's latest content.
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
#include "platform/posix/RegistryFileSupport.h"

struct stat;

namespace Dravo::OS {

/// Fault injection for tests: every write to a hive file (or its
/// replacement) fails with ENOSPC once this many more bytes have been written;
/// a negative number turns the fault off.
void SetHiveWriteBudgetForTesting(int64_t bytes);

/// The text GetRegistryDiagnostic() returns, per thread.
void SetRegistryDiagnostic(std::string text);
void ClearRegistryDiagnostic();

/// The directory given to SetRegistryRoot, else DRAVO_REGISTRY_ROOT; empty
/// when the hives are in their usual places.
std::string GetRegistryRootDirectory();
/// $HOME, else the user's home directory from the password database.
std::string GetUserHomeDirectory();
/// The directory part of a path ("/" for a file at the root, "." for none).
std::string ParentDirectoryOf(const std::string& path);

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
    /// Brings the image up to the file open as fd; a full parse when forced
    /// or when the file is not the one last parsed plus appended records.
    ErrorCode LoadFrom(int fd, const Identity& identity, bool forceFull);
    ErrorCode LoadFull(int fd, const Identity& identity);
    void ResetToMissing();
    /// Opens the hive for writing, creating it when missing, and locks it.
    ErrorCode OpenLocked(int& fd);
    ErrorCode EnsureDirectory();
    ErrorCode Append(int fd, const std::string& body);
    ErrorCode Compact(int fd, const std::string& body);
    ErrorCode FlushDirectory() const;
    ErrorCode Fail(ErrorCode code, const std::string& what, int errnoValue) const;

    const RegistryHive m_hive;
    const std::string m_path;
    const std::string m_directory;
    const std::string m_fileName;

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
