#include "driversupport/ThriftSaslFrame.h"

namespace Dravo::DriverSupport {

std::string EncodeThriftSaslFrame(ThriftSaslStatus status, std::string_view payload)
{
    const auto length = static_cast<uint32_t>(payload.size());
    std::string frame;
    frame.reserve(5 + payload.size());
    frame.push_back(static_cast<char>(status));
    for (int shift = 24; shift >= 0; shift -= 8) {
        frame.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    frame.append(payload);
    return frame;
}

ThriftSaslFrameState ReadThriftSaslFrame(std::string_view received, ThriftSaslFrame& frame)
{
    if (received.empty()) {
        return ThriftSaslFrameState::Incomplete;
    }
    const auto status = static_cast<uint8_t>(received[0]);
    if (status < static_cast<uint8_t>(ThriftSaslStatus::Start)
        || status > static_cast<uint8_t>(ThriftSaslStatus::Complete)) {
        return ThriftSaslFrameState::Malformed;
    }
    if (received.size() < 5) {
        return ThriftSaslFrameState::Incomplete;
    }
    uint32_t length = 0;
    for (size_t index = 1; index < 5; ++index) {
        length = (length << 8) | static_cast<uint8_t>(received[index]);
    }
    if (length > LONGEST_SASL_PAYLOAD) {
        return ThriftSaslFrameState::Malformed;
    }
    if (received.size() - 5 < length) {
        return ThriftSaslFrameState::Incomplete;
    }
    frame.status = static_cast<ThriftSaslStatus>(status);
    frame.payload = std::string(received.substr(5, length));
    return ThriftSaslFrameState::Complete;
}

} // namespace Dravo::DriverSupport
