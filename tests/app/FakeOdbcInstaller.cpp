// An ODBC installer library that misbehaves on purpose, loaded by the test
// build of the tool in place of unixODBC's. Every data source is new and every
// write succeeds. Built twice: one library lacks SQLValidDSN altogether; in
// the other, SQLValidDSN throws an exception of no standard type when asked
// about the (ASCII) name in DRAVO_FAKE_INSTALLER_THROW_FOR_NAME, as a broken
// library might, and accepts every name otherwise.
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// unixODBC's narrow functions are the ones the tool calls, with UTF-8.
using Text = const char*;

/// What the fake throws: deliberately not derived from std::exception.
struct FakeInstallerFailure {
    const char* name;
};

} // namespace

extern "C" {

#ifndef DRAVO_FAKE_INSTALLER_WITHOUT_VALID_DSN
__attribute__((visibility("default"))) int SQLValidDSN(Text name)
{
    const char* refused = std::getenv("DRAVO_FAKE_INSTALLER_THROW_FOR_NAME");
    if (refused != nullptr && name != nullptr && std::strcmp(refused, name) == 0) {
        throw FakeInstallerFailure{refused};
    }
    return 1;
}
#endif

__attribute__((visibility("default"))) int SQLWriteDSNToIni(Text, Text)
{
    return 1;
}

__attribute__((visibility("default"))) int SQLGetPrivateProfileString(Text, Text, Text, char* result, int size, Text)
{
    if (result != nullptr && size > 0) {
        result[0] = 0;
    }
    return 0;
}

__attribute__((visibility("default"))) int SQLGetConfigMode(unsigned short* mode)
{
    if (mode != nullptr) {
        *mode = 0;
    }
    return 1;
}

__attribute__((visibility("default"))) int SQLSetConfigMode(unsigned short)
{
    return 1;
}

__attribute__((visibility("default"))) int SQLWritePrivateProfileString(
    const char*, const char*, const char*, const char*)
{
    return 1;
}

} // extern "C"
