// The collaborator that turns a message key of a component into a sentence.
// The configuration tool never installs one; the interface exists so that
// exceptions can be formatted where a driver object does provide it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/WideString.h"

namespace Dravo::Support {

/// Which message file serves which component; the first registration of an
/// id wins.
class MessageFileRegistry {
public:
    void RegisterMessages(const std::string& fileName, const std::vector<int32_t>& componentIds);
    /// The file registered for a component, or the empty text.
    [[nodiscard]] std::string GetFileName(int32_t componentId) const;
    [[nodiscard]] const std::map<int32_t, std::string>& GetEntries() const { return m_files; }

private:
    std::map<int32_t, std::string> m_files;
};

class IMessageSource {
public:
    virtual ~IMessageSource() = default;
    /// Loads and fills in a message with parameters.
    virtual void LoadMessage(const std::string& locale, const WideString& key, int32_t componentId,
        const std::vector<WideString>& parameters, WideString& outMessage, int32_t& outNativeError) = 0;
    /// Loads a message without parameters.
    virtual void LoadMessage(const std::string& locale, const WideString& key, int32_t componentId,
        WideString& outMessage, int32_t& outNativeError) = 0;
    virtual MessageFileRegistry& GetRegistry() = 0;
};

/// The message source of the process-wide driver object, or nullptr when
/// there is none (always so in the configuration tool); loggers and message
/// boxes then show exceptions in their unformatted form.
IMessageSource* GetProcessMessageSource();
/// Installs or (with nullptr) removes it; the caller keeps it alive meanwhile.
void SetProcessMessageSource(IMessageSource* source);

// Names of the message files known to the system.
inline constexpr const char* DS_MESSAGES = "DSMessages";
inline constexpr const char* PRODUCT_MESSAGES = "VezurAVUZMessages";
inline constexpr const char* DSI_ODBC_MESSAGES = "ODBCMessages";
inline constexpr const char* DSI_OLEDB_MESSAGES = "OLEDBMessages";
inline constexpr const char* DSI_SQLENGINE_MESSAGES = "SQLEngineMessages";
inline constexpr const char* DSI_CSCOMMON_MESSAGES = "CSCommonMessages";
inline constexpr const char* DSI_SERVER_MESSAGES = "ServerMessages";

} // namespace Dravo::Support
