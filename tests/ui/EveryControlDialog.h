// A test dialog that holds every kind of control and uses every notification,
// run by the headless tests and by the terminal test program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/DialogTemplates.h"
#include "support/WideString.h"
#include "ui/DialogHandler.h"

namespace Dravo::Test {

inline constexpr int32_t ID_NAME = 101;
inline constexpr int32_t ID_PASSWORD = 103;
inline constexpr int32_t ID_PORT = 105;
inline constexpr int32_t ID_EXTRAS = 106;
inline constexpr int32_t ID_EXTRAS_GROUP = 107;
inline constexpr int32_t ID_COLOUR = 108;
inline constexpr int32_t ID_ITEMS = 109;
inline constexpr int32_t ID_ASK = 110;
inline constexpr int32_t ID_STATUS = 111;
inline constexpr int32_t ID_FILE = 112;
inline constexpr int32_t ID_BROWSE = 113;
inline constexpr int32_t ID_FOLDER = 114;
inline constexpr int32_t ID_CHILD = 115;
inline constexpr int32_t ID_CHILD_KEY = 201;

/// Name limit set at initialisation.
inline constexpr int32_t NAME_LIMIT = 10;
/// Entries of the list box ("item 01" ... "item 12").
inline constexpr int32_t ITEM_COUNT = 12;

const Resources::DialogTemplate& EveryControlTemplate();
const Resources::DialogTemplate& ChildTemplate();

/// What the dialog held when it closed.
struct EveryControlResult {
    std::string name;
    std::string password;
    std::string port;
    bool extras = false;
    std::string colour;
    std::string item;
    std::string status;
    std::string file;
};

/// Rules: the extras (colour, items, Ask) are enabled exactly when "Enable
/// extras" is checked; OK is enabled exactly when the name is not empty.
/// The status label reports the last thing that happened.
class EveryControlDialog final : public UI::DialogHandler {
public:
    /// initialName is put into the name box at initialisation (through
    /// SetText, so it reports TextChanged while initialising).
    explicit EveryControlDialog(Support::WideString initialName = Support::WideString(u"start"));

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;
    void OnOtherMessage(UI::DialogHost& host, UI::OtherMessage message) override;
    void OnDestroy(UI::DialogHost& host) override;

    /// "101 TextChanged", "106 Clicked", ... in the order they came.
    [[nodiscard]] const std::vector<std::string>& GetLog() const { return m_log; }
    [[nodiscard]] int32_t GetOtherMessageCount() const { return m_otherMessages; }
    [[nodiscard]] const EveryControlResult& GetResult() const { return m_result; }

private:
    void ApplyRules(UI::DialogHost& host);
    void SetStatus(UI::DialogHost& host, const std::string& status);

    Support::WideString m_initialName;
    std::vector<std::string> m_log;
    int32_t m_otherMessages = 0;
    EveryControlResult m_result;
};

/// The child: one key box; OK stores the key, Cancel leaves it.
class ChildDialog final : public UI::DialogHandler {
public:
    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

    [[nodiscard]] const std::string& GetKey() const { return m_key; }

private:
    std::string m_key;
};

} // namespace Dravo::Test
