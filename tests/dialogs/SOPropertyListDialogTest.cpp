// The property list dialogs (server-side properties, HTTP headers) and Edit
// Property, driven by scripts over a settings model loaded from a real hive.
#include <string>

#include <gtest/gtest.h>

#include "dialogs/SOHttpPropertiesDialog.h"
#include "dialogs/SOPropertyListDialog.h"
#include "dialogs/SOServerSidePropertiesDialog.h"
#include "tests/dialogs/SubDialogHarness.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::SOHttpPropertiesDialog;
using VezurAVUZ::SOPropertyListDialog;
using VezurAVUZ::SOServerSidePropertiesDialog;

std::string Describe(const VezurAVUZ::SOPropertySet::PropertyMap& properties)
{
    std::string text;
    for (const auto& [name, value] : properties) {
        text += name.GetAsUTF8() + "=" + value.GetAsUTF8() + ";";
    }
    return text;
}

class PropertyListTest : public DriverSettingsTest {
protected:
    HeadlessRun RunServerSide(const std::string& script, int32_t serverTypeIndex = 2)
    {
        return RunOwner(script, serverTypeIndex, [this, serverTypeIndex](UI::DialogHost& owner, int32_t) {
            SOServerSidePropertiesDialog::Show(owner, m_settings->GetServerSideProperties(), serverTypeIndex != 0);
        });
    }

    HeadlessRun RunHttp(const std::string& script)
    {
        return RunOwner(script, 2, [this](UI::DialogHost& owner, int32_t) {
            SOHttpPropertiesDialog::Show(owner, m_settings->GetHttpProperties());
        });
    }
};

TEST(PropertyLineTest, LinesSplitAtTheFirstEqualsSign)
{
    const auto parse = [](const char16_t* line) {
        const auto pair = SOPropertyListDialog::ParseLine(WideString(line));
        return pair.name.GetAsUTF8() + "|" + pair.value.GetAsUTF8();
    };
    EXPECT_EQ(parse(u"Timeout=30"), "Timeout|30");
    EXPECT_EQ(parse(u"filter=a=b"), "filter|a=b");
    EXPECT_EQ(parse(u"lonely"), "lonely|");
    EXPECT_EQ(parse(u"=value"), "|value");
    EXPECT_EQ(SOPropertyListDialog::FormatLine({WideString(u" a "), WideString(u"b=c")}), WideString(u" a =b=c"));
}

TEST_F(PropertyListTest, AddEditRemoveAndOkStoreTheListAndTheSwitches)
{
    WriteDriverValues({{u"SSP_Timeout", u"30"}, {u"SSP_zeta", u"1"}, {u"SSP_Alpha", u"a=b"}, {u"ssp_NotMine", u"x"},
        {u"LCaseSspKeyName", u"0"}, {u"SparkServerType", u"3"}});
    LoadSettings();
    const HeadlessRun run =
        RunServerSide("click 1029\n"
                      "expect dialog 132\n"
                      "expect 1084 items Alpha=a=b|Timeout=30|zeta=1\n"
                      "expect 1084 selected Alpha=a=b\n"
                      "expect 1085 unchecked\n"
                      "expect 1078 checked\n"
                      "expect 1078 enabled\n"
                      "# a name that differs only in case is refused; Retry brings back what was typed\n"
                      "click 1080\n"
                      "expect dialog 131\n"
                      "expect 1049 text Server Side Properties\n"
                      "expect 1 disabled\n"
                      "type 1050    \n"
                      "expect 1 disabled\n"
                      "type 1050 TIMEOUT\n"
                      "type 1052 45\n"
                      "click 1\n"
                      "answer Retry\n"
                      "expect dialog 131\n"
                      "expect 1050 text TIMEOUT\n"
                      "expect 1052 text 45\n"
                      "# a prefix of a listed name is no duplicate; blanks are not stored\n"
                      "type 1050   Time \n"
                      "type 1052  99 \n"
                      "click 1\n"
                      "expect dialog 132\n"
                      "expect 1084 items Alpha=a=b|Time=99|Timeout=30|zeta=1\n"
                      "# editing a value under the same name is no duplicate of itself\n"
                      "select 1084 Timeout=30\n"
                      "click 1081\n"
                      "expect 1050 text Timeout\n"
                      "expect 1052 text 30\n"
                      "type 1052 60\n"
                      "click 1\n"
                      "expect 1084 items Alpha=a=b|Time=99|Timeout=60|zeta=1\n"
                      "expect 1084 selected Timeout=60\n"
                      "# renaming onto another line's name is refused, Cancel keeps the line\n"
                      "select 1084 Time=99\n"
                      "dblclick 1084\n"
                      "type 1050 alpha\n"
                      "click 1\n"
                      "answer Cancel\n"
                      "expect 1084 items Alpha=a=b|Time=99|Timeout=60|zeta=1\n"
                      "select 1084 zeta=1\n"
                      "click 1082\n"
                      "answer No\n"
                      "expect 1084 items Alpha=a=b|Time=99|Timeout=60|zeta=1\n"
                      "click 1082\n"
                      "answer Yes\n"
                      "expect 1084 items Alpha=a=b|Time=99|Timeout=60\n"
                      "expect 1084 selected Alpha=a=b\n"
                      "click 1085\n"
                      "click 1078\n"
                      "click 1\n"
                      "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.transcript,
        "message-box [Duplicate Error] Duplicate key detected -> Retry\n"
        "message-box [Duplicate Error] Duplicate key detected -> Cancel\n"
        "message-box [Remove Property] Are you sure you want to remove this property? -> No\n"
        "message-box [Remove Property] Are you sure you want to remove this property? -> Yes\n");
    auto& properties = m_settings->GetServerSideProperties();
    EXPECT_EQ(Describe(properties.GetProperties()), "Alpha=a=b;Time=99;Timeout=60;");
    EXPECT_EQ(properties.GetLCaseSspKeyName(), WideString(u"1"));
    EXPECT_EQ(properties.GetApplySSPWithQueries(), WideString(u"0"));

    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.count("SSP_zeta"), 0U);
    EXPECT_EQ(hive.at("SSP_Time"), "99");
    EXPECT_EQ(hive.at("SSP_Timeout"), "60");
    EXPECT_EQ(hive.at("SSP_Alpha"), "a=b");
    EXPECT_EQ(hive.at("ssp_NotMine"), "x");
    EXPECT_EQ(hive.at("LCaseSspKeyName"), "1");
    EXPECT_EQ(hive.at("ApplySSPWithQueries"), "0");
}

TEST_F(PropertyListTest, CancelDiscardsEveryChangeAndTheHiveStaysAsItWas)
{
    WriteDriverValues({{u"SSP_Timeout", u"30"}, {u"ApplySSPWithQueries", u"0"}});
    LoadSettings();
    const std::string before = HiveBytes();
    const HeadlessRun run = RunServerSide("click 1029\n"
                                          "expect 1078 unchecked\n"
                                          "expect 1085 checked\n"
                                          "click 1080\n"
                                          "type 1050 Added\n"
                                          "click 2\n"
                                          "expect 1084 items Timeout=30\n"
                                          "click 1080\n"
                                          "type 1050 Added\n"
                                          "click 1\n"
                                          "click 1082\n"
                                          "answer Yes\n"
                                          "click 1082\n"
                                          "answer Yes\n"
                                          "expect 1084 items \n"
                                          "expect 1081 disabled\n"
                                          "expect 1082 disabled\n"
                                          "click 1078\n"
                                          "click 2\n"
                                          "click 2\n");
    ASSERT_EQ(run.error, "");
    auto& properties = m_settings->GetServerSideProperties();
    EXPECT_EQ(Describe(properties.GetProperties()), "Timeout=30;");
    EXPECT_EQ(properties.GetApplySSPWithQueries(), WideString(u"0"));
    EXPECT_EQ(HiveBytes(), before);
}

TEST_F(PropertyListTest, WithSharkServerApplyWithQueriesShowsCheckedAndIsKept)
{
    WriteDriverValues({{u"ApplySSPWithQueries", u"0"}, {u"LCaseSspKeyName", u"yes"}});
    LoadSettings();
    const HeadlessRun run =
        RunServerSide("click 1029\n"
                      "expect 1078 checked\n"
                      "expect 1078 disabled\n"
                      "expect 1085 checked\n"
                      "expect 1081 disabled\n"
                      "# a name with \"=\" is refused as the command line refuses it, with what was typed kept\n"
                      "click 1080\n"
                      "type 1050 a=b\n"
                      "type 1052 c\n"
                      "click 1\n"
                      "expect dialog 131\n"
                      "expect 1050 text a=b\n"
                      "type 1050 a\n"
                      "click 1\n"
                      "click 1\n"
                      "click 2\n",
            0);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.transcript,
        "message-box [Driver Configuration Error] The name \"a=b\" cannot be stored in the driver's configuration: "
        "it holds \"=\", where a line of the configuration is split. Choose another name. -> OK\n");
    auto& properties = m_settings->GetServerSideProperties();
    EXPECT_EQ(properties.GetApplySSPWithQueries(), WideString(u"0"));
    EXPECT_EQ(properties.GetLCaseSspKeyName(), WideString(u"1"));
    ASSERT_EQ(properties.GetProperties().size(), 1U);
    EXPECT_EQ(properties.GetProperties().begin()->first, WideString(u"a"));
    EXPECT_EQ(properties.GetProperties().begin()->second, WideString(u"c"));
}

TEST_F(PropertyListTest, StoredNamesHoldingEqualsSignsSurviveOkUnchanged)
{
    // A hand-edited value name; confirming the dialog must not rewrite it.
    WriteDriverValues({{u"SSP_a=b", u"c"}, {u"SSP_plain", u"x=y"}});
    LoadSettings();
    const HeadlessRun run = RunServerSide("click 1029\n"
                                          "expect 1084 items a=b=c|plain=x=y\n"
                                          "select 1084 a=b=c\n"
                                          "click 1081\n"
                                          "expect 1050 text a=b\n"
                                          "expect 1052 text c\n"
                                          "type 1052 d\n"
                                          "click 1\n"
                                          "click 1\n"
                                          "click 2\n");
    ASSERT_EQ(run.error, "");
    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.at("SSP_a=b"), "d");
    EXPECT_EQ(hive.at("SSP_plain"), "x=y");
    EXPECT_EQ(hive.count("SSP_a"), 0U);
}

TEST_F(PropertyListTest, DuplicatesAreDecidedOnNamesAndEveryStoredPropertySurvivesOK)
{
    // "a" with "b=c" and "a=b" with "c" make the same line; "a=b" also makes
    // a line that begins with "a=".
    WriteDriverValues({{u"SSP_a", u"b=c"}, {u"SSP_a=b", u"c"}, {u"SSP_x=y", u"1"}});
    LoadSettings();
    const HeadlessRun run = RunServerSide("click 1029\n"
                                          "expect 1084 items a=b=c|a=b=c|x=y=1\n"
                                          // "x" is no name in the list, though "x=y=1" begins with "x=".
                                          "click 1080\n"
                                          "type 1050 x\n"
                                          "type 1052 2\n"
                                          "click 1\n"
                                          "expect 1084 items a=b=c|a=b=c|x=2|x=y=1\n"
                                          // "A" is: refused, whatever the case.
                                          "click 1080\n"
                                          "type 1050 A\n"
                                          "answer Cancel\n"
                                          "click 1\n"
                                          "click 1\n"
                                          "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.transcript, "message-box [Duplicate Error] Duplicate key detected -> Cancel\n");
    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.at("SSP_a"), "b=c");
    EXPECT_EQ(hive.at("SSP_a=b"), "c");
    EXPECT_EQ(hive.at("SSP_x=y"), "1");
    EXPECT_EQ(hive.at("SSP_x"), "2");
}

TEST_F(PropertyListTest, EditingOrRemovingOneOfTwoEqualLinesKeepsTheOther)
{
    WriteDriverValues({{u"SSP_a", u"b=c"}, {u"SSP_a=b", u"c"}});
    LoadSettings();
    const HeadlessRun run = RunServerSide("click 1029\n"
                                          "select 1084 a=b=c\n"
                                          "click 1081\n"
                                          "expect 1050 text a\n"
                                          "type 1052 changed\n"
                                          "click 1\n"
                                          "expect 1084 items a=b=c|a=changed\n"
                                          "select 1084 a=b=c\n"
                                          "click 1082\n"
                                          "answer Yes\n"
                                          "expect 1084 items a=changed\n"
                                          "click 1\n"
                                          "click 2\n");
    ASSERT_EQ(run.error, "");
    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.at("SSP_a"), "changed");
    EXPECT_EQ(hive.count("SSP_a=b"), 0U);
}

TEST_F(PropertyListTest, HttpPathIsTrimmedAndHeadersAreStored)
{
    WriteDriverValues({{u"HTTPPath", u"/cliservice"}, {u"http.header.X-Old", u"1"}, {u"ThriftTransport", u"2"}});
    LoadSettings();
    const HeadlessRun run = RunHttp("click 1098\n"
                                    "expect dialog 9110\n"
                                    "expect 1002 text /cliservice\n"
                                    "expect 1084 items X-Old=1\n"
                                    "click 1080\n"
                                    "expect 1049 text Custom HTTP Header\n"
                                    "type 1050 X-Trace\n"
                                    "type 1052 on\n"
                                    "click 1\n"
                                    "select 1084 X-Old=1\n"
                                    "click 1082\n"
                                    "answer Yes\n"
                                    "type 1002   /gateway/default  \n"
                                    "click 1\n"
                                    "click 2\n");
    ASSERT_EQ(run.error, "");
    auto& properties = m_settings->GetHttpProperties();
    EXPECT_EQ(properties.GetHTTPPath(), WideString(u"/gateway/default"));
    EXPECT_EQ(Describe(properties.GetProperties()), "X-Trace=on;");
}

TEST_F(PropertyListTest, HttpCancelLeavesPathAndHeadersAndAnEmptyPathIsStoredEmpty)
{
    WriteDriverValues({{u"HTTPPath", u"/cliservice"}, {u"http.header.X-Old", u"1"}});
    LoadSettings();
    HeadlessRun run = RunHttp("click 1098\n"
                              "type 1002 /changed\n"
                              "click 1082\n"
                              "answer Yes\n"
                              "click 2\n"
                              "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetHttpProperties().GetHTTPPath(), WideString(u"/cliservice"));
    EXPECT_EQ(Describe(m_settings->GetHttpProperties().GetProperties()), "X-Old=1;");

    run = RunHttp("click 1098\ntype 1002    \nclick 1\nclick 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetHttpProperties().GetHTTPPath(), WideString(u""));
}

} // namespace
} // namespace Dravo::Test
