// The main configuration dialog in its driver-wide layout (template 1092):
// no data source name, description, host, port, database or Test, so none of
// their checks or messages apply, and the service discovery controls count
// as absent when the product hides service discovery.
#pragma once

#include "dialogs/SOConfigurationDialog.h"

namespace Dravo::VezurAVUZ {

class SODriverConfigurationDialog final : public SOConfigurationDialog {
public:
    /// The model must outlive the dialog; the tool passes "Configuration".
    SODriverConfigurationDialog(SOConnectionSettings& settings, const Support::WideString& titleSuffix);

    int32_t DoModal(UI::DialogSystem& system, UI::DialogHost* owner) override;

protected:
    Support::WideString GetControlText(int32_t controlId, const Support::WideString& defaultText) override;
    void SetControlText(int32_t controlId, const Support::WideString& text) override;
    void ApplyEnabling(int32_t controlId) override;
    bool HasControl(int32_t controlId) const override;
    void LimitText(int32_t controlId, int32_t length) override;
    bool ValidateHost() override;
    bool ValidatePort(uint32_t mechanism) override;
    [[nodiscard]] uint32_t GetErrorCaptionId() const override;
};

} // namespace Dravo::VezurAVUZ
