// The string table: every id the dialogs load is there, with its exact text.
#include <gtest/gtest.h>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace Dravo::Test {
namespace {

using Resources::FindString;

TEST(StringTableTest, EveryIdTheDialogsLoadIsPresentAndClean)
{
    const uint32_t ids[] = {109, 111, 112, 126, 127, 128, 130, 138, 139, 1088, 1089, 1090, 1092, 1093, 1094, 1095, 1096,
        1097, 1098, 1099, 9101, 9102, 9103, 9104, 9105, 9106, 9107, 9108, 9109, 9110, 9111, 9112, 9113, 9114, 9115,
        9116, 9117, 9118, 9119, 9124, 9125, 9126};
    for (const uint32_t id : ids) {
        SCOPED_TRACE(id);
        const auto text = FindString(id);
        ASSERT_TRUE(text.has_value());
        EXPECT_FALSE(text->empty());
        // A written-out escape would show as a backslash and a letter.
        EXPECT_EQ(text->find(u"\\r"), std::u16string_view::npos);
        EXPECT_EQ(text->find(u"\\n"), std::u16string_view::npos);
    }
    for (const uint32_t absent : {0U, 110U, 1091U, 9120U, 9129U, 4294967295U}) {
        EXPECT_FALSE(FindString(absent).has_value()) << absent;
    }
}

TEST(StringTableTest, TextsThatAreEasyToGetWrong)
{
    EXPECT_EQ(*FindString(Resources::IDS_REPORT_FAILED), u"FAILED!\r\n\r\n");
    EXPECT_EQ(*FindString(Resources::IDS_REPORT_SUCCESS), u"SUCCESS! \r\n\r\nSuccessfully connected to data source!");
    EXPECT_EQ(*FindString(Resources::IDS_REPORT_ODBC_VERSION), u"\r\n\r\nODBC Version: ");
    EXPECT_EQ(*FindString(Resources::IDS_REPORT_LOCALE), u"\r\nLocale: ");
    const std::u16string_view forbidden =
        u"Data Source Name value cannot contain any of the following characters: []{}(),;?*=!@\\";
    EXPECT_EQ(*FindString(Resources::IDS_DSN_INVALID_CHARACTERS), forbidden);
    EXPECT_EQ(*FindString(Resources::IDS_ERROR_DSN_INVALID_CHARACTERS), forbidden);
    EXPECT_EQ(forbidden.back(), u'\\');
    EXPECT_EQ(*FindString(Resources::IDS_BITNESS_32), u" (32 bit)");
    EXPECT_EQ(*FindString(Resources::IDS_ERROR_REGISTRY_WRITE),
        u"Error writing changes to registry, ensure proper permissions have been granted.");
    EXPECT_EQ(*FindString(Resources::IDS_ERROR_LOG_FILE_COUNT),
        u"Invalid value for the maximum number of log files to use in rotation, valid values are [0, 4294967295].");
    EXPECT_EQ(*FindString(Resources::IDS_LOG_PATH), u"Log &Path:");
}

} // namespace
} // namespace Dravo::Test
