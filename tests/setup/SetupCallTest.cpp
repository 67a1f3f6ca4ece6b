// One call into the setup library, run in this process: what a failure tells
// the installer's caller, and what the call leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "driversupport/DSMessages.h"
#include "platform/OdbcInstaller.h"
#include "platform/ProcessState.h"
#include "platform/SharedLibrary.h"
#include "setup/SetupCall.h"
#include "support/ErrorException.h"
#include "support/WideString.h"

namespace Dravo::Test {
namespace {

using Support::WideString;

TEST(SetupCallTest, ASetupErrorReachesTheCallerWithTheSystemsReasonAndTheCallKeepsNothing)
{
    // The installer that calls the library has its own library loaded, and
    // keeps it: what the installer keeps of the error is its own.
    std::string reason;
    const OS::SharedLibraryHandle installer = OS::LoadSharedLibrary(OS::OdbcInstaller::GetLibraryPath(), reason);
    ASSERT_NE(installer, nullptr) << reason;

    WideString failure(u"");
    const bool succeeded = VezurAVUZ::RunSetupCall(
        "ConfigDSN",
        [](Support::DSIFileLogger&) {
            throw DriverSupport::DSSetupException(
                DriverSupport::DS_ERROR_REGISTRY_WRITE, WideString(u"/etc/vezuravuz.ini: No space left on device\r\n"));
        },
        &failure);
    EXPECT_FALSE(succeeded);
    // The code's text alone blames permissions; the reason says what happened.
    EXPECT_EQ(failure.GetAsUTF8(),
        DriverSupport::DSMessages::GetSetupErrorText(DriverSupport::DS_ERROR_REGISTRY_WRITE).GetAsUTF8()
            + "\n/etc/vezuravuz.ini: No space left on device");

    bool anyRegistered = false;
    for (const OS::ProcessStatePiece::Entry& entry : OS::ProcessStatePiece::ListAll()) {
        anyRegistered = true;
        EXPECT_FALSE(entry.held) << entry.name;
    }
    EXPECT_TRUE(anyRegistered) << "the call's start-up makes process state";
}

} // namespace
} // namespace Dravo::Test
