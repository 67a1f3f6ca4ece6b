// Debian's static ICU is built for executables: its probe of the host's time
// zone reads glibc's timezone and tzname in a way that a shared library
// cannot link. The setup library's ICU has no time-zone data and no use for
// the probe, so the probe reads this library's own UTC instead.
namespace {
char utc[] = "UTC";
}
extern "C" {
[[gnu::visibility("hidden")]] long __timezone = 0;
[[gnu::visibility("hidden")]] char* __tzname[2] = {utc, utc};
[[gnu::visibility("hidden")]] char* tzname[2] = {utc, utc};
}
