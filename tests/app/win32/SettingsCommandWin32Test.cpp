// The settings commands of dravo-spark-config.exe against the registry, as a
// deployment script runs them: values stored as REG_SZ in the driver key,
// the password enciphered from standard input, a second run that changes
// nothing, a refused value that writes nothing, and check on a hand-edited key.
#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

class SettingsCommandWin32Test : public ProgramWin32Fixture {};

TEST_F(SettingsCommandWin32Test, SetStoresWhatTheDialogWouldAndASecondRunChangesNothing)
{
    const ProgramRun first = RunCommand(
        {"set", "SparkServerType=3", "AuthMech=User Name and Password", "UID=alice", "--password-stdin", "--json"},
        "s3cret\r\n");
    ASSERT_EQ(first.exitCode, 0u) << first.errors;
    EXPECT_NE(first.output.find("\"changed\":true"), std::string::npos) << first.output;
    EXPECT_EQ(first.output.find("s3cret"), std::string::npos) << first.output;
    const std::vector<StoredValue> stored = DriverValues();
    EXPECT_EQ(Find(stored, L"AuthMech"), Sz("AuthMech", "3"));
    EXPECT_EQ(Find(stored, L"UID"), Sz("UID", "alice"));
    EXPECT_EQ(Find(stored, L"RowsFetchedPerBlock"), Sz("RowsFetchedPerBlock", "10000"));
    const auto password = Find(stored, L"EncryptedPWD");
    ASSERT_TRUE(password);
    EXPECT_EQ(password->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(password->data.at(0), '_');

    const ProgramRun again = RunCommand({"set", "AuthMech=3", "UID=alice", "--password-stdin", "--json"}, "s3cret\n");
    ASSERT_EQ(again.exitCode, 0u) << again.errors;
    EXPECT_NE(again.output.find("\"changed\":false"), std::string::npos) << again.output;
    EXPECT_EQ(DriverValues(), stored);
}

TEST_F(SettingsCommandWin32Test, ARefusedValueWritesNothingAndCheckNamesWhatTheDialogShowsDifferently)
{
    WriteDriverValues(
        {Sz("SparkServerType", "3"), Sz("AuthMech", "9"), Sz("KrbHostFQDN", "h"), Sz("KrbServiceName", "s")});
    const std::vector<StoredValue> before = DriverValues();
    const ProgramRun refused = RunCommand({"set", "ThriftTransport=Binary"});
    EXPECT_EQ(refused.exitCode, 65u) << refused.errors;
    EXPECT_NE(
        refused.errors.find("Binary cannot be used with the authentication mechanism Kerberos"), std::string::npos)
        << refused.errors;
    EXPECT_EQ(DriverValues(), before);

    const ProgramRun check = RunCommand({"check"});
    EXPECT_EQ(check.exitCode, 65u) << check.errors;
    EXPECT_NE(check.output.find("AuthMech=9 is an older mechanism; the dialog shows Kerberos (1) over HTTP (2)"),
        std::string::npos)
        << check.output;
    EXPECT_EQ(DriverValues(), before);
}

} // namespace
} // namespace Dravo::Test
