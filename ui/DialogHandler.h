// The product side of a dialog: what a dialog class implements. The toolkit
// calls it on the dialog's own thread, one message at a time; calls made from
// a handler back into its host (SetText on an edit box) may call it again
// before they return, as native dialogs do.
#pragma once

#include <cstdint>

#include "ui/Notification.h"

namespace Dravo::UI {

class DialogHost;

class DialogHandler {
public:
    DialogHandler() = default;
    DialogHandler(const DialogHandler&) = delete;
    DialogHandler& operator=(const DialogHandler&) = delete;
    virtual ~DialogHandler() = default;

    /// The controls exist with their template state and the dialog is not
    /// shown yet. Return true to let the toolkit focus the first control that
    /// takes input, false when the handler has set the focus itself. Ending
    /// the dialog here closes it before it is shown.
    virtual bool OnInit(DialogHost& host) = 0;

    /// A control reported something. Commands 1 (OK) and 2 (Cancel) also come
    /// from Enter and Escape; the dialog stays open until the handler ends it.
    virtual void OnCommand(DialogHost& host, int32_t controlId, Notification notification) = 0;

    /// Anything else that reached the dialog; see OtherMessage.
    virtual void OnOtherMessage(DialogHost& host, OtherMessage message)
    {
        (void)host;
        (void)message;
    }

    /// The dialog has ended and is about to go away; its controls can still be
    /// read. Not called when an exception leaves the dialog.
    virtual void OnDestroy(DialogHost& host) { (void)host; }
};

} // namespace Dravo::UI
