// What only unixODBC's installer asks of a setup library: the data-source
// properties its property-based editors offer (ODBCINSTGetProperties). Its
// ODBCINSTValidateProperty and ODBCINSTValidateProperties never reach a
// setup library, so this one has none.
#include <new>

#include "platform/InstallerProperties.h"
#include "setup/SetupCall.h"
#include "setup/SetupProperties.h"

extern "C" int ODBCINSTGetProperties(void* last)
{
    if (!last) {
        return 0;
    }
    const bool appended = Dravo::VezurAVUZ::RunSetupCall("ODBCINSTGetProperties", [last](auto&) {
        if (!Dravo::OS::AppendInstallerProperties(last, Dravo::VezurAVUZ::GetSetupProperties())) {
            throw std::bad_alloc();
        }
    });
    return appended ? 1 : 0;
}
