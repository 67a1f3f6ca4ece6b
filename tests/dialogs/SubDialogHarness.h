// Test harness for the sub-dialogs: a driver-wide settings model loaded from
// a real hive in a temporary registry root, and a stand-in for the main
// dialog (template 1092 with its server type box filled) whose buttons open
// the sub-dialog under test, so that scripts drive them as a user would.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "resources/ControlIds.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/SODriverConnectionSettings.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"
#include "settings/SettingsCatalogue.h"
#include "tests/common/HeadlessRun.h"
#include "tests/common/TempDir.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::Test {

/// Template 1092 with only what the sub-dialogs read from their owner: the
/// server type box, at a chosen entry. Clicking any other button runs the
/// test's action with the owner's host.
class OwnerDialog final : public UI::DialogHandler {
public:
    using Action = std::function<void(UI::DialogHost& owner, int32_t button)>;

    OwnerDialog(int32_t serverTypeIndex, Action action)
        : m_serverTypeIndex(serverTypeIndex), m_action(std::move(action))
    {
    }

    bool OnInit(UI::DialogHost& host) override
    {
        for (const std::u16string_view label : VezurAVUZ::SERVER_TYPE_LABELS) {
            host.AddItem(Resources::IDC_MAIN_SERVER_TYPE, Support::WideString(label));
        }
        host.SetSelection(Resources::IDC_MAIN_SERVER_TYPE, m_serverTypeIndex);
        return true;
    }

    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override
    {
        if (controlId == Resources::IDC_OK || controlId == Resources::IDC_CANCEL) {
            host.EndDialog(controlId == Resources::IDC_OK ? 1 : 0);
        } else if (notification == UI::Notification::Clicked) {
            m_action(host, controlId);
        }
    }

private:
    int32_t m_serverTypeIndex;
    Action m_action;
};

class DriverSettingsTest : public ::testing::Test {
protected:
    DriverSettingsTest()
    {
        OS::SetRegistryRoot((m_root / "registry").string());
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
    }
    ~DriverSettingsTest() override
    {
        m_settings.reset();
        m_httpProperties.reset();
        m_serverSideProperties.reset();
        m_registryKey.reset();
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
        OS::SetRegistryRoot("");
    }

    void WriteDriverValues(const std::map<std::u16string, std::u16string>& values)
    {
        auto key =
            OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String());
        ASSERT_TRUE(key);
        for (const auto& [name, value] : values) {
            ASSERT_EQ(key->SetStringValue(name, value), OS::ERROR_SUCCESS_CODE);
        }
    }

    /// Every value under the driver key, "name=text" in creation order.
    std::map<std::string, std::string> ReadDriverValues()
    {
        std::map<std::string, std::string> values;
        auto key =
            OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String());
        if (!key) {
            return values;
        }
        for (uint32_t index = 0;; ++index) {
            auto value = key->EnumValue(index);
            if (!value) {
                break;
            }
            values[Support::WideString(value->name).GetAsUTF8()] =
                Support::WideString(OS::GetRegistryStringText(value->data)).GetAsUTF8();
        }
        return values;
    }

    std::string HiveBytes()
    {
        std::ifstream in(OS::GetHiveFilePath(OS::RegistryHive::LocalMachine), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    /// The model as the tool builds it, loaded from the hive.
    VezurAVUZ::SODriverConnectionSettings& LoadSettings()
    {
        m_registryKey = std::make_unique<VezurAVUZ::SODriverRegistryKey>();
        m_serverSideProperties = std::make_unique<VezurAVUZ::SODriverServerSideProperties>(true, *m_registryKey);
        m_httpProperties = std::make_unique<VezurAVUZ::SODriverHttpProperties>(*m_registryKey);
        m_settings = std::make_unique<VezurAVUZ::SODriverConnectionSettings>(
            *m_registryKey, *m_serverSideProperties, *m_httpProperties, nullptr);
        m_settings->Load();
        return *m_settings;
    }

    /// Runs the owner at a server type entry and plays the script; the action
    /// opens the sub-dialog when the script clicks one of the owner's buttons.
    HeadlessRun RunOwner(const std::string& script, int32_t serverTypeIndex, OwnerDialog::Action action)
    {
        return RunHeadless(script, [&](UI::DialogSystem& system) {
            OwnerDialog owner(serverTypeIndex, std::move(action));
            return system.RunModal(Resources::IDD_DRIVER_CONFIGURATION, owner, nullptr);
        });
    }

    TempDir m_root;
    std::unique_ptr<VezurAVUZ::SODriverRegistryKey> m_registryKey;
    std::unique_ptr<VezurAVUZ::SODriverServerSideProperties> m_serverSideProperties;
    std::unique_ptr<VezurAVUZ::SODriverHttpProperties> m_httpProperties;
    std::unique_ptr<VezurAVUZ::SODriverConnectionSettings> m_settings;
};

} // namespace Dravo::Test
