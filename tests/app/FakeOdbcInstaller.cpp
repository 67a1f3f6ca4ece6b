// An ODBC installer library that misbehaves on purpose, loaded by the test
// build of the tool in place of unixODBC's. Every data source is new and every
// write succeeds. Built twice: one library lacks SQLValidDSNW altogether; in
// the other, SQLValidDSNW throws an exception of no standard type when asked
// about the (ASCII) name in DRAVO_FAKE_INSTALLER_THROW_FOR_NAME, as a broken
// library might, and accepts every name otherwise.
#include <cstddef>
#include <cstdlib>

namespace {

using WideText = const unsigned short*;

/// What the fake throws: deliberately not derived from std::exception.
struct FakeInstallerFailure {
    const char* name;
};

} // namespace

extern "C" {

#ifndef DRAVO_FAKE_INSTALLER_WITHOUT_VALID_DSN
__attribute__((visibility("default"))) int SQLValidDSNW(WideText name)
{
    const char* refused = std::getenv("DRAVO_FAKE_INSTALLER_THROW_FOR_NAME");
    if (refused != nullptr && name != nullptr) {
        size_t at = 0;
        while (refused[at] != 0 && name[at] == static_cast<unsigned char>(refused[at])) {
            ++at;
        }
        if (refused[at] == 0 && name[at] == 0) {
            throw FakeInstallerFailure{refused};
        }
    }
    return 1;
}
#endif

__attribute__((visibility("default"))) int SQLWriteDSNToIniW(WideText, WideText)
{
    return 1;
}

__attribute__((visibility("default"))) int SQLGetPrivateProfileStringW(
    WideText, WideText, WideText, unsigned short* result, int size, WideText)
{
    if (result != nullptr && size > 0) {
        result[0] = 0;
    }
    return 0;
}

__attribute__((visibility("default"))) int SQLWritePrivateProfileStringW(WideText, WideText, WideText, WideText)
{
    return 1;
}

__attribute__((visibility("default"))) int SQLWritePrivateProfileString(
    const char*, const char*, const char*, const char*)
{
    return 1;
}

} // extern "C"
