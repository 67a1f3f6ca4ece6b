// The server-side properties ("SSP_" + name) with their two switches,
// "LCaseSspKeyName" and "ApplySSPWithQueries", kept in a data source's section.
#pragma once

#include "settings/SOPropertySet.h"

namespace Dravo::VezurAVUZ {

class SOServerSideProperties : public SOPropertySet {
public:
    /// With manageApply set, saves also write "ApplySSPWithQueries".
    explicit SOServerSideProperties(bool manageApply);
    ~SOServerSideProperties() override;

    void LoadFromMap(const DriverSupport::DSSettingsMap& settings) override;
    /// From the data source's section; "ApplySSPWithQueries" and
    /// "LCaseSspKeyName" default to "1". DSSetupException 1 for a data source
    /// name the installer rejects.
    void Load() override;
    void SaveToMap(DriverSupport::DSSettingsMap& settings) override;
    void Save() override;

    [[nodiscard]] const Support::WideString& GetLCaseSspKeyName() const { return m_lcaseSspKeyName; }
    void SetLCaseSspKeyName(const Support::WideString& value) { m_lcaseSspKeyName = value; }
    [[nodiscard]] const Support::WideString& GetApplySSPWithQueries() const { return m_applySSPWithQueries; }
    void SetApplySSPWithQueries(const Support::WideString& value) { m_applySSPWithQueries = value; }
    [[nodiscard]] bool ManagesApply() const { return m_manageApply; }

protected:
    void RemoveKey(const Support::WideString& key) override;
    void WriteKey(const Support::WideString& key, const Support::WideString& value) override;

    Support::WideString m_lcaseSspKeyName;
    Support::WideString m_applySSPWithQueries;

private:
    bool m_manageApply;
};

} // namespace Dravo::VezurAVUZ
