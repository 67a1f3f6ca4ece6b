#include "app/LockWaitTelling.h"

#include "app/DialogBackend.h"
#include "platform/LockWait.h"

namespace Dravo::VezurAVUZ {
namespace {

// The notice is a plain function: who hears it is kept here while a save runs.
struct LockWaitListener {
    DialogBackend* backend = nullptr;
    std::ostream* errors = nullptr;
    std::string programName;
};
LockWaitListener g_lockWaitListener;

void TellLockWait(const std::string& path)
{
    const std::string text = "Waiting for " + path + ": another program holds it locked.";
    if (g_lockWaitListener.backend && g_lockWaitListener.backend->OwnsTerminal()) {
        g_lockWaitListener.backend->ShowStatusLine(text);
    } else if (g_lockWaitListener.errors) {
        *g_lockWaitListener.errors << g_lockWaitListener.programName << ": " << text << std::endl;
    }
}

} // namespace

LockWaitTelling::LockWaitTelling(DialogBackend* backend, std::ostream& errors, const std::string& programName)
{
    g_lockWaitListener = {backend, &errors, programName};
    OS::SetLockWaitNotice(&TellLockWait);
}

LockWaitTelling::~LockWaitTelling()
{
    OS::SetLockWaitNotice(nullptr);
    g_lockWaitListener = {};
}

} // namespace Dravo::VezurAVUZ
