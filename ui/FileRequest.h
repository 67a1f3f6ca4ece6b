// Requests for a file or a folder, as the native open, save and folder
// choosers take them.
#pragma once

#include <cstdint>
#include <vector>

#include "support/WideString.h"

namespace Dravo::UI {

struct FileFilter {
    /// Shown to the user, e.g. "DSN Definition".
    Support::WideString name;
    /// Patterns separated by ";", e.g. "*.sdc" or "*.pem;*.crt".
    Support::WideString pattern;
};

enum class FileRequestKind : uint8_t { Open, Save };

/// Flags of a file request; combine with |.
enum FileRequestFlag : uint32_t {
    FILE_FLAG_NONE = 0,
    /// The chosen file's directory must exist.
    FILE_FLAG_PATH_MUST_EXIST = 1U << 0,
    /// The chosen file must exist (open requests).
    FILE_FLAG_FILE_MUST_EXIST = 1U << 1,
    /// Ask before naming a file that does not exist yet.
    FILE_FLAG_PROMPT_TO_CREATE = 1U << 2,
    /// The chooser's "open read-only" box starts checked.
    FILE_FLAG_READ_ONLY_CHECKED = 1U << 3,
    /// Ask before choosing a file that exists (save requests).
    FILE_FLAG_OVERWRITE_PROMPT = 1U << 4,
};

struct FileRequest {
    FileRequestKind kind = FileRequestKind::Open;
    /// Empty: the chooser's own title ("Open" or "Save As").
    Support::WideString title;
    /// Empty: every file is listed.
    std::vector<FileFilter> filters;
    /// Appended, after a ".", to a chosen name that has no extension.
    Support::WideString defaultExtension;
    /// The name (or full path) the chooser starts with.
    Support::WideString initialFile;
    /// Empty: the directory of the initial file, else the working directory.
    Support::WideString initialDirectory;
    uint32_t flags = FILE_FLAG_NONE;

    [[nodiscard]] bool Has(FileRequestFlag flag) const { return (flags & flag) != 0; }
};

struct FolderRequest {
    /// Shown above the folder tree, e.g. "Choose log file target directory."
    Support::WideString title;
    /// Empty: the working directory.
    Support::WideString initialFolder;
};

} // namespace Dravo::UI
