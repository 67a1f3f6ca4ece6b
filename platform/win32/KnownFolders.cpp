// Folders the system keeps for the user, on Windows.
#include "platform/KnownFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {

namespace {

std::optional<std::string> ShellFolder(int id)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::nullopt;
    }
    std::u16string folder = FromWide(path);
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) {
        folder.pop_back();
    }
    std::string utf8;
    if (folder.empty() || !AppendUtf8FromUtf16(folder, utf8)) {
        return std::nullopt;
    }
    return utf8;
}

} // namespace

std::optional<std::string> GetHomeFolder()
{
    return ShellFolder(CSIDL_PROFILE);
}

std::optional<std::string> GetDocumentsFolder()
{
    return ShellFolder(CSIDL_PERSONAL);
}

} // namespace Dravo::OS
