// The temporary table dialog (template 142): whether the driver keeps
// temporary tables as data files on HDFS, and where. The product hides the
// button that opens it (IsTempTableSupported is false) but keeps it working.
#pragma once

#include <cstdint>

#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOConnectionSettings;

class SOTempTableDialog final : public UI::DialogHandler {
public:
    /// The settings must outlive the dialog; they change only on OK.
    explicit SOTempTableDialog(SOConnectionSettings& settings);

    /// Runs the dialog over its owner: 1 after OK, 0 after Cancel.
    static int32_t Show(UI::DialogHost& owner, SOConnectionSettings& settings);

    bool OnInit(UI::DialogHost& host) override;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override;

private:
    static void ApplyEnablingRule(UI::DialogHost& host);
    void Store(UI::DialogHost& host);

    SOConnectionSettings& m_settings;
};

} // namespace Dravo::VezurAVUZ
