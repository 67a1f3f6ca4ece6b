// The advanced options dialog and the temporary table dialog behind it,
// driven by scripts over a settings model loaded from a real hive.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "dialogs/NumberBox.h"
#include "dialogs/SOAdvancedOptionsDialog.h"
#include "settings/ProductSwitches.h"
#include "tests/dialogs/SubDialogHarness.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::SOAdvancedOptionsDialog;

class AdvancedOptionsTest : public DriverSettingsTest {
protected:
    HeadlessRun RunAdvanced(const std::string& script, int32_t serverTypeIndex)
    {
        return RunOwner(script, serverTypeIndex,
            [this](UI::DialogHost& owner, int32_t) { SOAdvancedOptionsDialog::Show(owner, *m_settings); });
    }
};

/// Switches the temporary table dialog on for one test.
class TempTableSupported {
public:
    TempTableSupported() { VezurAVUZ::SetTempTableSupportedForTesting(true); }
    TempTableSupported(const TempTableSupported&) = delete;
    TempTableSupported& operator=(const TempTableSupported&) = delete;
    ~TempTableSupported() { VezurAVUZ::SetTempTableSupportedForTesting(std::nullopt); }
};

TEST(NumberBoxTest, BoxesReadTheLeadingUnsignedNumber)
{
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"38"), 38U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"  250 "), 250U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"12x"), 12U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u""), 0U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"x12"), 0U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"-5"), 0U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"4294967295"), 4294967295U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"4294967296"), 0U);
    EXPECT_EQ(VezurAVUZ::ParseNumberBoxText(u"99999999999999999999"), 0U);
}

TEST_F(AdvancedOptionsTest, StoredValuesShowWithTheirFallbacksAndOkAppliesTheLimits)
{
    WriteDriverValues({{u"DefaultStringColumnLength", u"0"}, {u"DecimalColumnScale", u"-5"},
        {u"RowsFetchedPerBlock", u"abc"}, {u"SocketTimeout", u"x"}, {u"UseNativeQuery", u"1"},
        {u"FastSQLPrepare", u"true"}, {u"EnableAsyncExec", u"1"}});
    LoadSettings();
    const HeadlessRun run = RunAdvanced("click 1029\n"
                                        "expect dialog 129\n"
                                        "expect 1026 text 255\n"
                                        "expect 1070 text 32767\n"
                                        "expect 1046 text 10\n"
                                        "expect 1033 text 10000\n"
                                        "expect 1063 text 100\n"
                                        "expect 1122 text 30\n"
                                        "expect 1019 checked\n"
                                        "expect 1020 unchecked\n"
                                        "expect 1075 checked\n"
                                        "expect 1075 enabled\n"
                                        "expect 1077 unchecked\n"
                                        "expect 1021 checked\n"
                                        "expect 1069 hidden\n"
                                        "type 1046 50\n"
                                        "type 1033 \n"
                                        "type 1122 \n"
                                        "type 1026 0\n"
                                        "type 1070 0\n"
                                        "type 1063  250 \n"
                                        "click 1019\n"
                                        "click 1077\n"
                                        "click 1075\n"
                                        "click 1123\n"
                                        "click 1\n"
                                        "click 2\n",
        2);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetDecimalColumnScale(), WideString(u"38"));
    EXPECT_EQ(m_settings->GetRowsFetchedPerBlock(), WideString(u"10000"));
    EXPECT_EQ(m_settings->GetSocketTimeout(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetDefaultStringColumnLength(), WideString(u"255"));
    EXPECT_EQ(m_settings->GetBinaryColumnLength(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetAsyncExecPollInterval(), WideString(u"250"));
    EXPECT_EQ(m_settings->GetUseNativeQuery(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetFastSQLPrepare(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetTablesWithQuery(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetEnableAsyncExec(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetUseOnlySSPI(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetInvalidSessionAutoRecover(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetDriverConfigTakePrecedence(), WideString(u"0"));
}

TEST_F(AdvancedOptionsTest, SharkServerKeepsAsyncExecAndTableQueriesAsStored)
{
    WriteDriverValues({{u"EnableAsyncExec", u"1"}, {u"GetTablesWithQuery", u"1"}, {u"AsyncExecPollInterval", u"70"}});
    LoadSettings();
    const HeadlessRun run = RunAdvanced("click 1029\n"
                                        "expect 1075 unchecked\n"
                                        "expect 1075 disabled\n"
                                        "expect 1077 unchecked\n"
                                        "expect 1077 disabled\n"
                                        "expect 1063 disabled\n"
                                        "expect 1063 text 70\n"
                                        "click 1\n"
                                        "click 2\n",
        0);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetEnableAsyncExec(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetTablesWithQuery(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetAsyncExecPollInterval(), WideString(u"70"));
}

TEST_F(AdvancedOptionsTest, TheServerTypeIsReadFromTheOwnerWhenItIsNeeded)
{
    WriteDriverValues({{u"GetTablesWithQuery", u"1"}});
    LoadSettings();
    // The user picks SharkServer2 in the main dialog before opening the
    // advanced options: the dialog follows the owner, not the stored type.
    const HeadlessRun run = RunAdvanced("select 1038 SharkServer2 (Shark 0.9.*)\n"
                                        "click 1029\n"
                                        "expect 1077 checked\n"
                                        "expect 1077 enabled\n"
                                        "click 1077\n"
                                        "click 1\n"
                                        "click 2\n",
        0);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetTablesWithQuery(), WideString(u"0"));
}

TEST_F(AdvancedOptionsTest, CancelStoresNothingButConfirmedSubDialogsStay)
{
    WriteDriverValues({{u"RowsFetchedPerBlock", u"500"}, {u"SSP_Old", u"1"}});
    LoadSettings();
    const std::string before = HiveBytes();
    const HeadlessRun run = RunAdvanced("click 1029\n"
                                        "type 1033 42\n"
                                        "click 1078\n"
                                        "expect dialog 132\n"
                                        "click 1080\n"
                                        "type 1050 New\n"
                                        "type 1052 2\n"
                                        "click 1\n"
                                        "click 1\n"
                                        "expect dialog 129\n"
                                        "click 2\n"
                                        "click 2\n",
        2);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetRowsFetchedPerBlock(), WideString(u"500"));
    EXPECT_EQ(m_settings->GetServerSideProperties().GetProperties().count(WideString(u"New")), 1U);
    EXPECT_EQ(HiveBytes(), before);
}

TEST_F(AdvancedOptionsTest, TheTemporaryTableDialogWorksWhenTheProductOffersIt)
{
    TempTableSupported supported;
    WriteDriverValues({{u"EnableTempTable", u"1"}, {u"WebHDFSPort", u"70000"}, {u"TempTableTTL", u"-1"},
        {u"WebHDFSHost", u"namenode"}});
    LoadSettings();
    const HeadlessRun run = RunAdvanced("click 1029\n"
                                        "expect 1069 visible\n"
                                        "click 1069\n"
                                        "expect dialog 142\n"
                                        "expect 1082 checked\n"
                                        "expect 1100 text namenode\n"
                                        "expect 1101 text 50070\n"
                                        "expect 1102 text hdfs\n"
                                        "expect 1067 text /tmp/dravo\n"
                                        "expect 1068 text 10\n"
                                        "type 1101 70000\n"
                                        "type 1100  hdfs.example \n"
                                        "type 1068 15\n"
                                        "click 1\n"
                                        "click 1069\n"
                                        "click 1082\n"
                                        "expect 1100 disabled\n"
                                        "expect 1101 disabled\n"
                                        "expect 1102 disabled\n"
                                        "expect 1067 disabled\n"
                                        "expect 1068 disabled\n"
                                        "click 2\n"
                                        "click 2\n"
                                        "click 2\n",
        2);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetEnableTempTable(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetWebHDFSHost(), WideString(u"hdfs.example"));
    EXPECT_EQ(m_settings->GetWebHDFSPort(), WideString(u"50070"));
    EXPECT_EQ(m_settings->GetHDFSUser(), WideString(u"hdfs"));
    EXPECT_EQ(m_settings->GetHDFSTempTableDir(), WideString(u"/tmp/dravo"));
    EXPECT_EQ(m_settings->GetTempTableTTL(), WideString(u"15"));

    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.at("HDFSUser"), "hdfs");
    EXPECT_EQ(hive.at("WebHDFSPort"), "50070");
}

TEST_F(AdvancedOptionsTest, DisablingTemporaryTablesStoresOnlyTheSwitch)
{
    TempTableSupported supported;
    WriteDriverValues({{u"EnableTempTable", u"1"}, {u"WebHDFSHost", u"namenode"}});
    LoadSettings();
    const HeadlessRun run = RunAdvanced("click 1029\n"
                                        "click 1069\n"
                                        "type 1100 other\n"
                                        "click 1082\n"
                                        "click 1\n"
                                        "click 2\n"
                                        "click 2\n",
        2);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetEnableTempTable(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetWebHDFSHost(), WideString(u"namenode"));
    EXPECT_TRUE(m_settings->GetHDFSUser().IsEmpty());
}

} // namespace
} // namespace Dravo::Test
