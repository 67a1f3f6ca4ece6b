// Systems without the connection diagnosis: the Test Results dialog shows the
// driver's message alone.
#include "dialogs/ConnectionFailureSteps.h"

namespace Dravo::VezurAVUZ {

DriverSupport::DSFailureSteps MakeConnectionFailureSteps(const Support::WideString&, const Support::WideString&)
{
    return {};
}

} // namespace Dravo::VezurAVUZ
