// The main configuration dialog: server type, authentication mechanism with
// its credentials, delegation user and Thrift transport of one configuration,
// and the buttons that open the sub-dialogs. This class is the data-source
// layout (template 1093); SODriverConfigurationDialog is the driver-wide one
// (template 1092), which lacks the data-source controls.
//
// The dialog never touches storage: it reads the settings model when it opens
// and writes into it only on OK. Sub-dialogs work on the same model.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "support/WideString.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOConnectionSettings;

class SOConfigurationDialog : public UI::DialogHandler {
public:
    /// The model must outlive the dialog. A title suffix of exactly
    /// "Connection Dialog" puts the dialog in connection-dialog mode, where
    /// the password is never offered for saving.
    SOConfigurationDialog(SOConnectionSettings& settings, const Support::WideString& titleSuffix);
    ~SOConfigurationDialog() override;

    /// Runs the dialog modally from its template: 1 after OK, 0 after Cancel.
    virtual int32_t DoModal(UI::DialogSystem& system, UI::DialogHost* owner);
    /// Tests a connection with the dialog's current entries.
    virtual void DoTestAction(UI::DialogHost& owner);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

protected:
    /// The control's text, at most 260 characters and not trimmed; the default
    /// when the control gives no text.
    virtual Support::WideString GetControlText(int32_t controlId, const Support::WideString& defaultText);
    virtual void SetControlText(int32_t controlId, const Support::WideString& text);
    /// Enables or disables the control as the enable map says.
    virtual void ApplyEnabling(int32_t controlId);
    virtual bool HasControl(int32_t controlId) const;
    virtual void LimitText(int32_t controlId, int32_t length);
    /// Stores a non-empty host; refuses an empty one with a message.
    virtual bool ValidateHost();
    /// Stores a port that is an unsigned 16-bit number; otherwise tells the
    /// user and puts the mechanism's default port into the box.
    virtual bool ValidatePort(uint32_t mechanism);

    /// The string id of the caption of this dialog's error boxes.
    [[nodiscard]] virtual uint32_t GetErrorCaptionId() const;

    // The sub-dialog buttons, one place each.
    virtual void OpenAdvancedOptions();
    virtual void OpenSSLOptions();
    virtual void OpenHttpOptions();
    virtual void OpenLoggingOptions();

    [[nodiscard]] SOConnectionSettings& GetSettings() { return m_settings; }
    /// The dialog's window while it is open, else nullptr.
    [[nodiscard]] UI::DialogHost* GetWindow() const { return m_window; }
    /// Cleared by the driver-wide variant, which has no data source name.
    void SetHasDSNName(bool hasDSNName) { m_hasDSNName = hasDSNName; }
    [[nodiscard]] bool IsConnectionDialog() const { return m_connectionDialog; }

private:
    void CentreWindow();
    void ShowVersion();
    void FillComboBoxes();
    void ShowStoredTexts();
    void ReadCurrentValues();
    void SelectInitialValues();
    void ShowCredentials();

    void RunEnablingRules();
    void ShowHint();
    void BuildEnableMap();
    [[nodiscard]] bool IsControlEmpty(int32_t controlId);

    void HandleChange(int32_t controlId, UI::Notification notification);
    void OnServerTypeChanged();
    void OnMechanismChanged();
    void OnOK();
    void RunButtonAction(const char* functionName, void (SOConfigurationDialog::*action)());
    void ShowMessage(uint32_t textId, uint32_t captionId);

    /// The selected entry's label mapped through the value table, or nothing
    /// when no entry is selected or the label is not in the table.
    [[nodiscard]] std::optional<uint32_t> GetSelectedServerType();
    [[nodiscard]] std::optional<uint32_t> GetSelectedMechanism();
    [[nodiscard]] std::optional<uint32_t> GetSelectedTransport();
    [[nodiscard]] int32_t GetDiscoveryIndex();
    [[nodiscard]] int32_t GetServerTypeIndex();
    void SelectServerTypeIndex(int32_t index);
    void SelectDiscoveryIndex(int32_t index);
    /// Selects the mechanism's label and offers the transports it allows.
    void SelectMechanism(uint32_t mechanism);
    void SelectTransport(uint32_t transport);
    void RebuildTransportList();
    /// The label shown in a combo box, read as the dialog reads labels.
    [[nodiscard]] Support::WideString GetComboLabel(int32_t controlId);

    UI::DialogHost* m_window = nullptr;
    SOConnectionSettings& m_settings;
    std::map<int32_t, bool> m_enableMap;
    /// Why OK is disabled: a string id, or nothing while it is enabled.
    std::optional<uint32_t> m_okNeeds;
    uint32_t m_serverType = 1;
    int32_t m_discoveryMode = 0;
    uint32_t m_transport = 1;
    Support::WideString m_titleSuffix;
    uint32_t m_mechanism = 0;
    bool m_hasDSNName = true;
    /// Set while initialising and while a change is handled: the
    /// notifications the dialog's own changes raise are ignored meanwhile.
    bool m_busy = true;
    bool m_connectionDialog = false;
};

} // namespace Dravo::VezurAVUZ
