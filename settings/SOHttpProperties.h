// The custom HTTP headers ("http.header." + name) with "HTTPPath", kept in a
// data source's section.
#pragma once

#include "settings/SOPropertySet.h"

namespace Dravo::VezurAVUZ {

class SOHttpProperties : public SOPropertySet {
public:
    SOHttpProperties();
    ~SOHttpProperties() override;

    void LoadFromMap(const DriverSupport::DSSettingsMap& settings) override;
    /// From the data source's section; DSSetupException 1 for a data source
    /// name the installer rejects.
    void Load() override;
    void SaveToMap(DriverSupport::DSSettingsMap& settings) override;
    void Save() override;

    [[nodiscard]] const Support::WideString& GetHTTPPath() const { return m_httpPath; }
    void SetHTTPPath(const Support::WideString& path) { m_httpPath = path; }

protected:
    void RemoveKey(const Support::WideString& key) override;
    void WriteKey(const Support::WideString& key, const Support::WideString& value) override;

    Support::WideString m_httpPath;
};

} // namespace Dravo::VezurAVUZ
