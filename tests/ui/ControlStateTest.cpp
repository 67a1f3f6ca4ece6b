// The list and text rules that every backend shares.
#include <gtest/gtest.h>

#include "ui/ControlState.h"

namespace Dravo::Test {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;
using Support::WideString;
using UI::ControlState;

constexpr ControlTemplate SORTED_COMBO{1, ControlKind::DropDownList, Resources::STYLE_SORTED, u"", {0, 0, 10, 10}};
constexpr ControlTemplate PLAIN_LIST{2, ControlKind::ListBox, Resources::STYLE_NONE, u"", {0, 0, 10, 10}};
constexpr ControlTemplate EDIT{3, ControlKind::Edit, Resources::STYLE_DISABLED, u"", {0, 0, 10, 10}};

std::vector<std::string> Items(const ControlState& control)
{
    std::vector<std::string> items;
    for (const auto& item : control.GetItems()) {
        items.push_back(item.GetAsUTF8());
    }
    return items;
}

TEST(ControlStateTest, SortedBoxesInsertCaseInsensitivelyAndKeepTheSelection)
{
    ControlState combo(SORTED_COMBO);
    EXPECT_EQ(combo.AddItem(WideString(u"SASL")), 0);
    combo.SetSelection(0);
    EXPECT_EQ(combo.AddItem(WideString(u"http")), 0);
    EXPECT_EQ(combo.AddItem(WideString(u"Binary")), 0);
    EXPECT_EQ(combo.AddItem(WideString(u"HTTP")), 2);
    EXPECT_EQ(Items(combo), (std::vector<std::string>{"Binary", "http", "HTTP", "SASL"}));
    EXPECT_EQ(combo.GetSelectedText().GetAsUTF8(), "SASL");
    EXPECT_EQ(combo.GetSelection(), 3);

    ControlState list(PLAIN_LIST);
    list.AddItem(WideString(u"b"));
    list.AddItem(WideString(u"A"));
    EXPECT_EQ(Items(list), (std::vector<std::string>{"b", "A"}));
}

TEST(ControlStateTest, DeletingMovesOrDropsTheSelection)
{
    ControlState list(PLAIN_LIST);
    for (const char16_t* item : {u"a", u"b", u"c", u"d"}) {
        list.AddItem(WideString(item));
    }
    list.SetSelection(2);
    EXPECT_EQ(list.DeleteItem(0), 3);
    EXPECT_EQ(list.GetSelection(), 1);
    EXPECT_EQ(list.DeleteItem(1), 2);
    EXPECT_EQ(list.GetSelection(), -1);
    EXPECT_EQ(list.DeleteItem(5), -1);
    EXPECT_EQ(list.DeleteItem(-1), -1);
    EXPECT_FALSE(list.SetSelection(7));
    EXPECT_EQ(list.GetSelection(), -1);
    EXPECT_EQ(list.GetItemText(7).GetAsUTF8(), "");
}

TEST(ControlStateTest, FindsWrapRoundFromAfterTheStart)
{
    ControlState list(PLAIN_LIST);
    for (const char16_t* item : {u"Key=1", u"key2=2", u"Other=3", u"KEY=4"}) {
        list.AddItem(WideString(item));
    }
    EXPECT_EQ(list.FindPrefixItem(-1, WideString(u"key=")), 0);
    EXPECT_EQ(list.FindPrefixItem(0, WideString(u"key=")), 3);
    EXPECT_EQ(list.FindPrefixItem(3, WideString(u"key=")), 0);
    // The start itself is searched last.
    EXPECT_EQ(list.FindPrefixItem(1, WideString(u"KEY2=")), 1);
    EXPECT_EQ(list.FindPrefixItem(-1, WideString(u"none")), -1);
    EXPECT_EQ(list.FindExactItem(-1, WideString(u"other=3")), 2);
    EXPECT_EQ(list.FindExactItem(-1, WideString(u"other=")), -1);
    EXPECT_EQ(list.FindExactItem(2, WideString(u"KEY=1")), 0);
    EXPECT_EQ(list.FindExactItem(99, WideString(u"KEY=1")), 0);
    EXPECT_EQ(list.FindItemCaseSensitive(WideString(u"key=4")), -1);
    EXPECT_EQ(list.FindItemCaseSensitive(WideString(u"KEY=4")), 3);

    const ControlState empty(PLAIN_LIST);
    EXPECT_EQ(empty.FindExactItem(-1, WideString(u"")), -1);
}

TEST(ControlStateTest, EditBoxesClipTypedTextWithoutSplittingCharacters)
{
    ControlState edit(EDIT);
    EXPECT_FALSE(edit.IsEnabled());
    EXPECT_FALSE(edit.TakesInput());
    EXPECT_EQ(edit.GetTextLimit(), ControlState::DEFAULT_TEXT_LIMIT);
    edit.SetTextLimit(3);
    EXPECT_EQ(edit.ClipToLimit(WideString(u"abcdef")).GetAsUTF8(), "abc");
    // U+1F600 takes two code units; cutting between them would leave half.
    EXPECT_EQ(edit.ClipToLimit(WideString(u"ab\U0001F600")).GetLength(), 2);
    edit.SetTextLimit(0);
    EXPECT_EQ(edit.ClipToLimit(WideString(u"abcdef")).GetAsUTF8(), "abcdef");
    EXPECT_EQ(edit.AddItem(WideString(u"x")), -1);
}

} // namespace
} // namespace Dravo::Test
