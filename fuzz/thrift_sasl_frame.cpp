// A server's SASL frames: any bytes give a verdict, a complete frame is no
// longer than the bytes and the bound, and it encodes back to the bytes it
// was read from.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driversupport/ThriftSaslFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Dravo::DriverSupport;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ThriftSaslFrame frame;
    if (ReadThriftSaslFrame(bytes, frame) == ThriftSaslFrameState::Complete) {
        if (frame.payload.size() > LONGEST_SASL_PAYLOAD || frame.payload.size() + 5 > size) {
            __builtin_trap();
        }
        if (!bytes.starts_with(EncodeThriftSaslFrame(frame.status, frame.payload))) {
            __builtin_trap();
        }
    }
    return 0;
}
