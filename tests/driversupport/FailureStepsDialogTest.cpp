// The Test Results dialog with the connection diagnosis behind it, on the
// headless backend over unixODBC's real driver manager: a failed driver test
// gets the steps that failed and their hints below the driver's message; a
// test that connects shows what it always showed.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dialogs/ConnectionFailureSteps.h"
#include "driversupport/DSConnectionTester.h"
#include "driversupport/DSTestResultDialog.h"
#include "resources/ControlIds.h"
#include "settings/LoggingOptionsModel.h"
#include "support/Platform.h"
#include "tests/common/OdbcIniDirectory.h"
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

TEST(FailureStepsDialogTest, AFailedDriverTestAddsTheStepsThatFailedBelowTheDriversMessage)
{
    Support::InitializePlatform(false);
    {
        OdbcIniDirectory ini;
        VezurAVUZ::LoggingOptionsModel store(WideString(u""), nullptr, 2, true);
        store[WideString(u"Database")] = WideString((ini.Path() / "test.sqlite").string());
        store[WideString(u"Host")] = WideString(u"nowhere.invalid");
        store[WideString(u"PWD")] = WideString(u"s3cret");

        const std::string failed = ShowReport(store, "No Such Driver");
        EXPECT_EQ(
            failed.rfind("FAILED!\r\n\r\n[01000] [unixODBC][Driver Manager]Can't open lib 'No Such Driver' : file "
                         "not found\r\n\r\nFailed steps:\r\ndriver: odbcinst.ini has no driver [No Such Driver]",
                0),
            0U)
            << failed;
        EXPECT_NE(failed.find("\r\nname: nowhere.invalid: "), std::string::npos) << failed;
        EXPECT_NE(failed.find("\r\n    -> Host: check the name"), std::string::npos) << failed;
        EXPECT_EQ(failed.find("s3cret"), std::string::npos) << failed;

        const std::string connected = ShowReport(store, OdbcIniDirectory::PRODUCT_DRIVER);
        EXPECT_EQ(connected.rfind("SUCCESS! \r\n\r\nSuccessfully connected to data source!", 0), 0U) << connected;
        EXPECT_EQ(connected.find("steps"), std::string::npos) << connected;
    }
    Support::UninitializePlatform();
}

} // namespace
} // namespace Dravo::Test
