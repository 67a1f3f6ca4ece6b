// The Test Results dialog with the connection diagnosis behind it on Windows,
// on the headless backend over the system's driver manager: a failed driver
// test gets the steps that failed and their hints below the driver's message.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dialogs/ConnectionFailureSteps.h"
#include "driversupport/DSConnectionTester.h"
#include "driversupport/DSTestResultDialog.h"
#include "resources/ControlIds.h"
#include "settings/LoggingOptionsModel.h"
#include "support/Platform.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/HeadlessDriver.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSConnectionTester;
using Support::WideString;

class ReportReader final : public UI::HeadlessDriver {
public:
    void Act(UI::DialogWindow& dialog) override
    {
        report = dialog.GetText(Resources::IDC_TEST_RESULTS_TEXT).GetAsUTF8();
        (void)dialog.Click(Resources::IDC_OK);
    }
    UI::MessageBoxResult AnswerMessageBox(const UI::MessageBoxRequest&) override { return UI::MessageBoxResult::Ok; }
    std::optional<WideString> AnswerFileRequest(const UI::FileRequest&) override { return std::nullopt; }
    std::optional<WideString> AnswerFolderRequest(const UI::FolderRequest&) override { return std::nullopt; }

    std::string report;
};

std::string ShowReport(VezurAVUZ::LoggingOptionsModel& store, const std::string& driver)
{
    ReportReader reader;
    std::ostringstream transcript;
    UI::HeadlessDialogSystem system(reader, transcript);
    const DSConnectionTester tester{WideString(driver), WideString(u"")};
    (void)DriverSupport::DSTestResultDialog::Show(
        system, store, tester, VezurAVUZ::MakeConnectionFailureSteps(WideString(driver), WideString(u"")));
    return reader.report;
}

TEST(FailureStepsDialogWin32Test, AFailedDriverTestAddsTheStepsThatFailedBelowTheDriversMessage)
{
    Support::InitializePlatform(false);
    {
        VezurAVUZ::LoggingOptionsModel store(WideString(u""), nullptr, 2, true);
        store[WideString(u"Host")] = WideString(u"nowhere.invalid");
        store[WideString(u"PWD")] = WideString(u"s3cret");

        const std::string failed = ShowReport(store, "No Such Driver");
        EXPECT_EQ(failed.rfind("FAILED!", 0), 0U) << failed;
        const size_t steps = failed.find("\r\n\r\nFailed steps:\r\ndriver: ");
        EXPECT_NE(steps, std::string::npos) << failed;
        EXPECT_LT(failed.find("No Such Driver"), steps) << failed;
        EXPECT_NE(failed.find("\r\nname: nowhere.invalid: "), std::string::npos) << failed;
        EXPECT_NE(failed.find("\r\n    -> Host: check the name"), std::string::npos) << failed;
        EXPECT_EQ(failed.find("s3cret"), std::string::npos) << failed;
    }
    Support::UninitializePlatform();
}

} // namespace
} // namespace Dravo::Test
