// What a server under test answers an HTTP request with: any bytes give a
// verdict, a complete head has a three-digit status, and a head found in a
// prefix is the head of every longer input too (the reader is fed as bytes
// arrive).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driversupport/HttpResponseHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Dravo::DriverSupport;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HttpResponseHead whole;
    const HttpHeadState state = ReadHttpResponseHead(bytes, whole);
    if (state == HttpHeadState::Complete && (whole.status < 0 || whole.status > 999)) {
        __builtin_trap();
    }
    HttpResponseHead part;
    if (ReadHttpResponseHead(bytes.substr(0, size / 2), part) == HttpHeadState::Complete
        && (state != HttpHeadState::Complete || part.status != whole.status || part.location != whole.location)) {
        __builtin_trap();
    }
    return 0;
}
