// The setting keys that the configuration-support library itself reads or
// writes, and that the product's settings share with it. Registry value names
// compare without regard to case, but these are the spellings written.
#pragma once

#include <string_view>

namespace Dravo::DriverSupport {

/// The data source name of a data-source configuration.
inline constexpr std::u16string_view KEY_DSN = u"DSN";
/// The driver entry of a data source section; never written driver-wide.
inline constexpr std::u16string_view KEY_DRIVER = u"Driver";
/// The plain password, which the driver-wide configuration never stores.
inline constexpr std::u16string_view KEY_PWD = u"PWD";

// The driver's logging options, kept beside the settings under the driver key.
inline constexpr std::u16string_view KEY_LOG_LEVEL = u"LogLevel";
inline constexpr std::u16string_view KEY_LOG_PATH = u"LogPath";
inline constexpr std::u16string_view KEY_LOG_FILE_COUNT = u"LogFileCount";
inline constexpr std::u16string_view KEY_LOG_FILE_SIZE = u"LogFileSize";
/// Not edited by the logging options; it passes through like any setting.
inline constexpr std::u16string_view KEY_LOG_NAMESPACE = u"LogNamespace";

} // namespace Dravo::DriverSupport
