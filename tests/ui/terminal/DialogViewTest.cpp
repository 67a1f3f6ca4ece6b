// Keys and clicks on the every-control dialog through the terminal view,
// without a terminal: the view drives the same DialogWindow that a real
// session would, and draws on a canvas.
#include <algorithm>
#include <clocale>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/ui/EveryControlDialog.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/ScriptRunner.h"
#include "ui/terminal/DialogView.h"

namespace Dravo::Test {
namespace {

using namespace Dravo::UI::Terminal;
using Support::WideString;

class FakeServices final : public ViewServices {
public:
    std::optional<int32_t> RunPopupList(
        const std::vector<WideString>& items, int32_t selected, const CellRect&) override
    {
        popupItems = items.size();
        popupSelected = selected;
        return popupAnswer;
    }
    UI::MessageBoxResult AskMessageBox(const UI::MessageBoxRequest&) override { return UI::MessageBoxResult::Ok; }
    void Beep() override { ++beeps; }

    std::optional<int32_t> popupAnswer;
    size_t popupItems = 0;
    int32_t popupSelected = -2;
    int beeps = 0;
};

/// The every-control dialog in a view, on a headless system that only
/// supplies the desktop size.
class DialogViewTest : public ::testing::Test {
protected:
    DialogViewTest()
        : runner(UI::ParseScript("", "none"), "none"), system(runner, transcript),
          window(EveryControlTemplate(), dialog, system, nullptr), view(window, DisplayOptions{})
    {
        std::setlocale(LC_ALL, "C.UTF-8");
        window.Initialize();
        EXPECT_TRUE(view.Arrange(24, 80));
    }

    void Key(Key key) { view.HandleEvent(InputEvent::KeyPress(key), services); }
    void Alt(char32_t letter) { view.HandleEvent(InputEvent::Character(letter, true), services); }
    void Type(std::u32string_view text)
    {
        for (const char32_t c : text) {
            view.HandleEvent(InputEvent::Character(c), services);
        }
    }
    std::string Screen()
    {
        Canvas canvas(view.GetPlacement().rows, view.GetPlacement().cols, Role::Dialog);
        view.Draw(canvas);
        std::string text;
        for (int32_t row = 0; row < canvas.Rows(); ++row) {
            text += canvas.RowText(row) + "\n";
        }
        return text;
    }
    std::vector<std::string> Commands() const
    {
        // Without the one the initial name raised.
        return std::vector<std::string>(dialog.GetLog().begin() + 1, dialog.GetLog().end());
    }

    std::ostringstream transcript;
    UI::ScriptRunner runner;
    UI::HeadlessDialogSystem system;
    EveryControlDialog dialog;
    UI::DialogWindow window;
    DialogView view;
    FakeServices services;
};

TEST_F(DialogViewTest, TabFollowsTemplateOrderSkippingWhatTakesNoInput)
{
    std::vector<int32_t> order;
    for (int i = 0; i < 8; ++i) {
        order.push_back(*window.GetFocus());
        Key(Key::Tab);
    }
    // Colour, items and Ask are disabled; labels and the group never focus.
    EXPECT_EQ(order,
        (std::vector<int32_t>{ID_NAME, ID_PASSWORD, ID_PORT, ID_EXTRAS, ID_FILE, ID_BROWSE, ID_FOLDER, ID_CHILD}));
    EXPECT_EQ(window.GetFocus(), 1);
    Key(Key::Tab);
    EXPECT_EQ(window.GetFocus(), 2);
    Key(Key::Tab);
    EXPECT_EQ(window.GetFocus(), ID_NAME);
    Key(Key::BackTab);
    EXPECT_EQ(window.GetFocus(), 2);
}

TEST_F(DialogViewTest, EditBoxesKeepTheirStylesAndLimits)
{
    Type(U"ab");
    EXPECT_EQ(window.GetText(ID_NAME).GetAsUTF8(), "startab");
    Key(Key::Left);
    Key(Key::Backspace);
    Key(Key::Home);
    Key(Key::Delete);
    EXPECT_EQ(window.GetText(ID_NAME).GetAsUTF8(), "tartb");
    Type(U"123456");
    EXPECT_EQ(window.GetText(ID_NAME).GetAsUTF8(), "12345tartb");
    EXPECT_EQ(services.beeps, 1); // the tenth character filled the limit
    Key(Key::ClearLine);
    EXPECT_EQ(window.GetText(ID_NAME).GetAsUTF8(), "");
    EXPECT_FALSE(window.IsEnabled(1));

    Key(Key::Tab);
    Type(U"pw");
    Key(Key::Tab);
    Type(U"8x0");
    EXPECT_EQ(window.GetText(ID_PORT).GetAsUTF8(), "80");
    EXPECT_EQ(services.beeps, 2);
    const std::string screen = Screen();
    EXPECT_NE(screen.find("Password:  **"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("pw"), std::string::npos);
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "101 TextChanged"), 10);
}

TEST_F(DialogViewTest, EnterPressesTheDefaultButtonOnlyWhileItIsEnabled)
{
    Key(Key::ClearLine);
    Key(Key::Enter);
    EXPECT_FALSE(window.IsEnding());
    EXPECT_EQ(services.beeps, 1);
    Type(U"x");
    Key(Key::Enter);
    EXPECT_TRUE(window.IsEnding());
    EXPECT_EQ(window.GetResult(), 1);
}

TEST_F(DialogViewTest, EscapeCancelsAndSpaceTogglesTheCheckBox)
{
    Alt(U'e');
    EXPECT_TRUE(window.IsChecked(ID_EXTRAS));
    EXPECT_EQ(window.GetFocus(), ID_EXTRAS);
    Type(U" ");
    EXPECT_FALSE(window.IsChecked(ID_EXTRAS));
    Type(U" ");
    EXPECT_NE(Screen().find("[X] Enable extras"), std::string::npos);
    Key(Key::Escape);
    EXPECT_TRUE(window.IsEnding());
    EXPECT_EQ(window.GetResult(), 0);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"106 Clicked", "106 Clicked", "106 Clicked", "2 Clicked"}));
}

TEST_F(DialogViewTest, DropDownListsOpenAsPopUpsAndListsFollowTheArrows)
{
    Alt(U'e');
    // A label's mnemonic leads to the control after it.
    Alt(U'c');
    EXPECT_EQ(window.GetFocus(), ID_COLOUR);
    services.popupAnswer = std::nullopt;
    Key(Key::Enter);
    EXPECT_EQ(services.popupItems, 3U);
    EXPECT_FALSE(window.IsEnding());
    services.popupItems = 0;
    Type(U" ");
    EXPECT_EQ(services.popupItems, 3U);
    EXPECT_EQ(services.popupSelected, 1);
    EXPECT_EQ(window.GetText(ID_COLOUR).GetAsUTF8(), "Beta");
    services.popupAnswer = 2;
    view.HandleEvent(InputEvent::KeyPress(Key::Down, true), services);
    EXPECT_EQ(window.GetText(ID_COLOUR).GetAsUTF8(), "Gamma");
    // Arrows on a closed list move between fields and leave it as it is.
    Key(Key::Up);
    EXPECT_EQ(window.GetText(ID_COLOUR).GetAsUTF8(), "Gamma");
    EXPECT_EQ(window.GetFocus(), ID_EXTRAS);
    Key(Key::Down);
    EXPECT_EQ(window.GetFocus(), ID_COLOUR);
    Key(Key::Right);
    EXPECT_EQ(window.GetText(ID_COLOUR).GetAsUTF8(), "Gamma");
    EXPECT_EQ(window.GetFocus(), ID_ITEMS);
    Key(Key::Down);
    Key(Key::End);
    EXPECT_EQ(window.GetSelection(ID_ITEMS), ITEM_COUNT - 1);
    Key(Key::Home);
    Type(U"i");
    EXPECT_EQ(window.GetSelection(ID_ITEMS), 1);
    const std::string screen = Screen();
    EXPECT_NE(screen.find("item 01"), std::string::npos) << screen;
    EXPECT_EQ(Commands(),
        (std::vector<std::string>{"106 Clicked", "108 SelectionChanged", "109 SelectionChanged", "109 SelectionChanged",
            "109 SelectionChanged", "109 SelectionChanged"}));
}

TEST_F(DialogViewTest, MouseClicksActOnWhatTheyHit)
{
    const CellRect placement = view.GetPlacement();
    const auto click = [&](int32_t id, MouseAction action) {
        const auto& controls = window.GetControls();
        const auto found =
            std::find_if(controls.begin(), controls.end(), [id](const UI::ControlState& c) { return c.GetId() == id; });
        const auto rect = view.VisibleRect(static_cast<size_t>(found - controls.begin()));
        ASSERT_TRUE(rect.has_value());
        view.HandleEvent(
            InputEvent::Mouse(action, CellPoint{placement.row + rect->row, placement.col + rect->col + 1}), services);
    };
    click(ID_EXTRAS, MouseAction::Press);
    EXPECT_FALSE(window.IsChecked(ID_EXTRAS));
    EXPECT_EQ(window.GetFocus(), ID_EXTRAS);
    click(ID_EXTRAS, MouseAction::Release);
    EXPECT_TRUE(window.IsChecked(ID_EXTRAS));
    click(ID_ITEMS, MouseAction::Click);
    EXPECT_EQ(window.GetSelection(ID_ITEMS), 0);
    click(ID_ITEMS, MouseAction::DoubleClick);
    EXPECT_EQ(window.GetText(ID_STATUS).GetAsUTF8(), "opened item 01");
    click(2, MouseAction::Click);
    EXPECT_EQ(window.GetResult(), 0);
    EXPECT_TRUE(window.IsEnding());
}

TEST_F(DialogViewTest, ASmallScreenScrollsTheBodyToTheFocus)
{
    ASSERT_TRUE(view.Arrange(9, 80));
    EXPECT_EQ(view.GetScroll(), 0);
    std::string screen = Screen();
    EXPECT_NE(screen.find("\u25BC"), std::string::npos);
    EXPECT_NE(screen.find("Cancel"), std::string::npos);
    for (int i = 0; i < 5; ++i) {
        Key(Key::Tab);
    }
    EXPECT_EQ(window.GetFocus(), ID_BROWSE);
    EXPECT_GT(view.GetScroll(), 0);
    screen = Screen();
    EXPECT_NE(screen.find("Browse..."), std::string::npos);
    EXPECT_NE(screen.find("\u25B2"), std::string::npos);
    EXPECT_FALSE(view.Arrange(9, 20));
}

TEST_F(DialogViewTest, ANarrowScreenScrollsAcrossToTheFocus)
{
    // Too narrow for the dialog: it scrolls across rather than refusing.
    ASSERT_TRUE(view.Arrange(24, 40));
    EXPECT_EQ(view.GetPlacement().cols, 40);
    while (window.GetFocus() != ID_BROWSE) {
        Key(Key::Tab);
    }
    const std::string screen = Screen();
    EXPECT_NE(screen.find("Browse..."), std::string::npos) << screen;
    EXPECT_NE(screen.find("\u25C0"), std::string::npos) << screen;
    // Left and Right stay on the button row, without wrapping onto a field.
    while (window.GetFocus() != 2) {
        Key(Key::Tab);
    }
    Key(Key::Right);
    EXPECT_EQ(window.GetFocus(), 2);
    Key(Key::Left);
    EXPECT_EQ(window.GetFocus(), 1);
    Key(Key::Left);
    Key(Key::Left);
    Key(Key::Left);
    EXPECT_EQ(window.GetFocus(), ID_FOLDER);
}

TEST_F(DialogViewTest, FocusShowsOnlyInTheTopDialogAndNumbersShowWhole)
{
    const auto focusedCells = [&] {
        Canvas canvas(view.GetPlacement().rows, view.GetPlacement().cols, Role::Dialog);
        view.Draw(canvas);
        int cells = 0;
        for (int32_t row = 0; row < canvas.Rows(); ++row) {
            for (int32_t col = 0; col < canvas.Cols(); ++col) {
                const Role role = canvas.At(row, col).role;
                cells += role == Role::FieldFocused || role == Role::ButtonFocused ? 1 : 0;
            }
        }
        return cells;
    };
    EXPECT_GT(focusedCells(), 0);
    view.SetActive(false);
    EXPECT_EQ(focusedCells(), 0);
    view.SetActive(true);

    // A number as wide as its box shows whole, focused or not.
    Key(Key::Tab);
    Key(Key::Tab);
    const auto& controls = window.GetControls();
    const auto port = static_cast<size_t>(std::find_if(controls.begin(), controls.end(), [](const UI::ControlState& c) {
        return c.GetId() == ID_PORT;
    }) - controls.begin());
    const int32_t width = view.VisibleRect(port)->cols;
    const std::string digits = std::string("1234567890123").substr(0, static_cast<size_t>(width));
    Type(std::u32string(digits.begin(), digits.end()));
    EXPECT_NE(Screen().find(digits), std::string::npos) << Screen();
    Key(Key::Tab);
    EXPECT_NE(Screen().find(digits), std::string::npos) << Screen();
}

} // namespace
} // namespace Dravo::Test
