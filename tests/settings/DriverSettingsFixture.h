// Shared set-up of the driver-wide settings tests: a hive of their own, the
// snapshot forgotten before each test, and the objects start-up builds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/DriverKeySnapshot.h"
#include "settings/SODriverConnectionSettings.h"
#include "settings/SODriverHttpProperties.h"
#include "settings/SODriverRegistryKey.h"
#include "settings/SODriverServerSideProperties.h"
#include "support/ErrorException.h"
#include "tests/common/DriverKeyHive.h"

namespace Dravo::Test {

/// The registry key accessor, the two driver-wide property sets and the model,
/// built as start-up builds them.
struct DriverSettings {
    explicit DriverSettings(Support::DSIFileLogger* logger = nullptr)
        : serverSide(true, registryKey), http(registryKey), model(registryKey, serverSide, http, logger)
    {
    }

    VezurAVUZ::SODriverRegistryKey registryKey;
    VezurAVUZ::SODriverServerSideProperties serverSide;
    VezurAVUZ::SODriverHttpProperties http;
    VezurAVUZ::SODriverConnectionSettings model;
};

class DriverSettingsTest : public testing::Test {
protected:
    void SetUp() override { VezurAVUZ::DriverKeySnapshot::ResetForTesting(); }
    void TearDown() override { VezurAVUZ::DriverKeySnapshot::ResetForTesting(); }

    /// A model loaded from the hive as it is now.
    static std::unique_ptr<DriverSettings> Loaded()
    {
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
        auto settings = std::make_unique<DriverSettings>();
        settings->model.Load();
        return settings;
    }

    static std::vector<std::string> NamesUtf8()
    {
        std::vector<std::string> names;
        for (const std::u16string& name : DriverKeyHive::Names()) {
            names.push_back(Support::WideString(name).GetAsUTF8());
        }
        return names;
    }

    static std::string TextUtf8(const std::u16string& name)
    {
        return Support::WideString(DriverKeyHive::Text(name)).GetAsUTF8();
    }

    DriverKeyHive m_hive;
};

inline std::string Utf8(const Support::WideString& text)
{
    return text.GetAsUTF8();
}

} // namespace Dravo::Test
