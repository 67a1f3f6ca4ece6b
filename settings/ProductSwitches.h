// Product feature switches and the rules that tie the authentication
// mechanism, the Thrift transport and SSL together. Switches come from the
// product description file's attributes, each with a built-in default.
// Mechanisms are the stored "AuthMech" numbers 0..10; transports are
// 0 Binary, 1 SASL, 2 HTTP.
#pragma once

#include <cstdint>
#include <optional>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

inline constexpr uint32_t MECHANISM_COUNT = 11;
inline constexpr uint32_t TRANSPORT_BINARY = 0;
inline constexpr uint32_t TRANSPORT_SASL = 1;
inline constexpr uint32_t TRANSPORT_HTTP = 2;

/// Attribute "dsn-auth-mech" below 9, else 2 (user name).
[[nodiscard]] uint32_t GetDefaultAuthMech();
/// Attribute "default-string-column-length", else 255; fixed at first use.
[[nodiscard]] int32_t GetDefaultStringColumnLength();
/// Attribute "supress-hdinsight" equal to "1".
[[nodiscard]] bool IsHDInsightSuppressed();
/// Attribute "supress-service-discovery" equal to "1".
[[nodiscard]] bool IsServiceDiscoverySuppressed();
/// The default when the attribute is absent; otherwise on exactly when it is "1".
[[nodiscard]] bool GetProductSwitch(const Support::WideString& attributeName, bool defaultValue);
/// Off in this product.
[[nodiscard]] bool IsTempTableSupported();
/// "cacerts.pem" in the program's directory; fixed at first use.
[[nodiscard]] const Support::WideString& GetDefaultTrustedCertsFile();
/// Server types 2 and 3 get the further options.
[[nodiscard]] bool IsFullFeaturedServerType(uint32_t serverType);

/// False for every mechanism above 10.
[[nodiscard]] bool IsTransportAllowed(uint32_t mechanism, uint32_t transport);
/// Replaces a transport the mechanism does not allow by its default one. A
/// mechanism above 10 (only a hand-edited value gives one) is taken as the
/// product default mechanism, the one an unreadable value reads as.
void FixTransport(uint32_t mechanism, uint32_t& transport);
/// Turns the older mechanisms 4 and 7..10 into their current form plus
/// transport and SSL, forces the transport the mechanism needs and sets SSL
/// for the mechanisms that imply it. A mechanism above 10 first becomes the
/// product default mechanism.
void NormaliseMechanism(uint32_t& mechanism, uint32_t& transport, bool& ssl);
/// Whether a data source may be given the mechanism: every one the driver
/// knows, but for the HDInsight ones while they are suppressed.
[[nodiscard]] bool IsMechanismAccepted(uint32_t mechanism);
/// With HDInsight suppressed, mechanisms 5 and 6 become 3.
void SuppressHDInsightMechanism(uint32_t& mechanism);

/// How an attribute's text is read (empty counts as absent where the
/// attribute has a default).
[[nodiscard]] uint32_t ReadDefaultAuthMech(const Support::WideString& attribute);
[[nodiscard]] int32_t ReadDefaultStringColumnLength(const Support::WideString& attribute);
[[nodiscard]] bool ReadProductSwitch(const std::optional<Support::WideString>& attribute, bool defaultValue);

/// Test hook: the temporary-table dialog is hidden in this product, but tests
/// switch it on to reach it. nullopt restores the product's value.
void SetTempTableSupportedForTesting(std::optional<bool> supported);

} // namespace Dravo::VezurAVUZ
