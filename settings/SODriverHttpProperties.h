// The custom HTTP headers of the driver-wide configuration: loaded from the
// driver key snapshot, written to and removed from the driver key unfiltered.
#pragma once

#include "settings/SOHttpProperties.h"

namespace Dravo::VezurAVUZ {

class SODriverRegistryKey;

class SODriverHttpProperties final : public SOHttpProperties {
public:
    /// The key accessor is not owned and must outlive the set.
    explicit SODriverHttpProperties(SODriverRegistryKey& registryKey);
    ~SODriverHttpProperties() override;

    /// "HTTPPath" as stored, then every "http.header." value of the snapshot.
    void Load() override;
    [[nodiscard]] bool IsDriverWide() const override { return true; }

protected:
    [[nodiscard]] std::optional<std::string> WhyKeyCannotBeStored(const Support::WideString& key) const override;
    void RemoveKey(const Support::WideString& key) override;
    void WriteKey(const Support::WideString& key, const Support::WideString& value) override;

private:
    SODriverRegistryKey* m_registryKey;
};

} // namespace Dravo::VezurAVUZ
