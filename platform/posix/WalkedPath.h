// A path resolved once, part by part from directory descriptors, so that
// what is then opened, created, linked or renamed is what was checked: a
// folder on the way that its owner swaps for a link afterwards cannot send
// the work anywhere else, since everything is done relative to the folder's
// descriptor. A symbolic link on the way is followed only when root or this
// user made it; where others may plant links, a write by root must not land
// in a file someone else chose. Private to platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/SystemError.h"
#include "platform/posix/FileDescriptor.h"

namespace Dravo::OS {

class WalkedPath {
public:
    /// Why a walk stopped: a code, what went wrong (naming the part), and the
    /// system's errno where there is one.
    struct Failure {
        ErrorCode code = ERROR_SUCCESS_CODE;
        std::string what;
        int errnoValue = 0;
    };

    /// Walks path. A link at the last part is followed only with
    /// followFinalLink; otherwise it stays the name, for the caller to refuse.
    /// Folders that are missing are no failure: Folder() is then the nearest
    /// one that is there and MissingFolders() the names below it.
    [[nodiscard]] static bool Walk(const std::string& path, bool followFinalLink, WalkedPath& walked, Failure& failure);

    /// The folder that holds the last part (or the nearest one that exists),
    /// open for reading where this user may read it.
    [[nodiscard]] int Folder() const { return m_folder.Get(); }
    /// That folder's path as walked, for messages and the fault seam.
    [[nodiscard]] const std::string& FolderPath() const { return m_folderPath; }
    [[nodiscard]] const std::vector<std::string>& MissingFolders() const { return m_missing; }
    /// The last part of the path, with the links before it resolved.
    [[nodiscard]] const std::string& Name() const { return m_name; }
    /// The whole path as resolved.
    [[nodiscard]] std::string Path() const;

    /// Steps into the first missing folder once it has been made (fd open on it).
    void EnterMadeFolder(FileDescriptor fd);

private:
    FileDescriptor m_folder;
    std::string m_folderPath;
    std::vector<std::string> m_missing;
    std::string m_name;
};

} // namespace Dravo::OS
