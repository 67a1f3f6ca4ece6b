// The terminal backend's parts that need no terminal: safe text, the canvas,
// the layout of every template, and the message box and chooser views.
#include <clocale>
#include <fstream>

#include <gtest/gtest.h>

#include "resources/DialogTemplates.h"
#include "tests/common/TempDir.h"
#include "ui/terminal/Canvas.h"
#include "ui/terminal/DialogLayout.h"
#include "ui/terminal/DisplayText.h"
#include "ui/terminal/FileChooserView.h"
#include "ui/terminal/MessageBoxView.h"

namespace Dravo::Test {
namespace {

using namespace Dravo::UI::Terminal;
using Support::WideString;

class Utf8Locale : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

std::u32string Chars(const std::vector<Glyph>& glyphs)
{
    std::u32string text;
    for (const Glyph& glyph : glyphs) {
        text += glyph.ch;
    }
    return text;
}

/// Records what a view asked for.
class RecordingServices final : public ViewServices {
public:
    std::optional<int32_t> RunPopupList(const std::vector<WideString>&, int32_t, const CellRect&) override
    {
        return popupAnswer;
    }
    UI::MessageBoxResult AskMessageBox(const UI::MessageBoxRequest& request) override
    {
        asked.push_back(request.text.GetAsUTF8());
        return boxAnswer;
    }
    void Beep() override { ++beeps; }

    std::optional<int32_t> popupAnswer;
    UI::MessageBoxResult boxAnswer = UI::MessageBoxResult::Yes;
    std::vector<std::string> asked;
    int beeps = 0;
};

using DisplayTextTest = Utf8Locale;

TEST_F(DisplayTextTest, UntrustedTextIsEscapedNeverSentRaw)
{
    const DisplayOptions unicode;
    // ESC, BEL, DEL, a C1 control, a lone surrogate, a wide and a combining character.
    const std::u16string text = u"a\x1B[31m\x07\x7F\x85\xD800z\u65E5e\u0301";
    const std::vector<Glyph> glyphs = ToGlyphs(WideString(text), unicode);
    EXPECT_EQ(Chars(glyphs), U"a^[[31m^G^?<85>\uFFFDz\u65E5e");
    EXPECT_EQ(WidthOf(glyphs), 20);
    for (const Glyph& glyph : glyphs) {
        EXPECT_TRUE(glyph.ch >= 0x20 && glyph.ch != 0x7F && !(glyph.ch >= 0x80 && glyph.ch < 0xA0));
    }
    const DisplayOptions ascii{false};
    EXPECT_EQ(Chars(ToGlyphs(WideString(u"\u65E5\u00E9."), ascii)),
        U"?"
        "?.");
}

TEST_F(DisplayTextTest, CodePointsRoundTripAndCaptionsFindTheirMnemonic)
{
    const WideString text(u"a\U0001F600b\xDC00");
    const std::u32string codePoints = ToCodePoints(text);
    EXPECT_EQ(codePoints, (std::u32string{U'a', U'\U0001F600', U'b', U'\uFFFD'}));
    EXPECT_EQ(FromCodePoints(codePoints).GetAsU16String(), u"a\U0001F600b\uFFFD");

    const Caption caption = ParseCaption(WideString(u"Max &Number && Co"), DisplayOptions{});
    EXPECT_EQ(Chars(caption.glyphs), U"Max Number & Co");
    EXPECT_EQ(caption.mnemonicIndex, 4);
    EXPECT_EQ(caption.mnemonic, U'n');
    EXPECT_EQ(ParseCaption(WideString(u"Plain"), DisplayOptions{}).mnemonicIndex, -1);
    EXPECT_EQ(ParseCaption(WideString(u"Trailing&"), DisplayOptions{}).mnemonic, 0U);
}

using CanvasTest = Utf8Locale;

TEST_F(CanvasTest, FramesJoinAndTextNeverSplitsWideCharacters)
{
    Canvas canvas(5, 10, UI::Terminal::Role::Dialog);
    canvas.Frame(CellRect{0, 0, 3, 10}, Role::Dialog);
    canvas.Frame(CellRect{2, 0, 3, 10}, Role::Dialog);
    EXPECT_EQ(canvas.RowText(0), "┌────────┐");
    EXPECT_EQ(canvas.RowText(2), "├────────┤");
    EXPECT_EQ(canvas.RowText(4), "└────────┘");

    Canvas text(1, 6, Role::Dialog);
    EXPECT_EQ(text.Text(0, 0, 5, ToGlyphs(WideString(u"ab\u65E5\u65E5"), DisplayOptions{}), Role::Label), 4);
    EXPECT_EQ(text.RowText(0), "ab\u65E5  ");
    // Writing over half of a wide character blanks the other half.
    text.Text(0, 3, 1, U"x", Role::Label);
    EXPECT_EQ(text.RowText(0), "ab x  ");

    Canvas clipped(3, 4, Role::Dialog);
    clipped.ClipRows(1, 2);
    clipped.Fill(CellRect{0, 0, 3, 4}, Role::Field);
    EXPECT_EQ(clipped.At(0, 0).role, Role::Dialog);
    EXPECT_EQ(clipped.At(1, 0).role, Role::Field);
    EXPECT_EQ(clipped.At(2, 0).role, Role::Dialog);
}

using DialogLayoutTest = Utf8Locale;

TEST_F(DialogLayoutTest, EveryTemplateFitsEightyByTwentyFourWithoutOverlaps)
{
    for (const Resources::DialogTemplate& dialog : Resources::AllDialogTemplates()) {
        SCOPED_TRACE(dialog.id);
        const DialogLayout layout = DialogLayout::Fit(dialog, 24, 80);
        ASSERT_TRUE(layout.Fits());
        EXPECT_LE(layout.Rows(), 24);
        EXPECT_LE(layout.Cols(), 80);
        // Nothing scrolls at 80 x 24.
        EXPECT_EQ(layout.ViewportRows(), layout.BodyRows());
        const auto& placements = layout.Placements();
        for (size_t i = 0; i < placements.size(); ++i) {
            const ControlPlacement& a = placements[i];
            const Resources::ControlTemplate& control = dialog.controls[i];
            if (!a.drawn) {
                continue;
            }
            EXPECT_GE(a.rect.col, 1);
            EXPECT_LE(a.rect.Right(), layout.Cols() - 1) << control.id;
            EXPECT_LE(a.rect.Bottom(), a.inFooter ? layout.FooterRows() : layout.BodyRows()) << control.id;
            // Captions show whole.
            if (control.kind == Resources::ControlKind::Label || control.kind == Resources::ControlKind::PushButton
                || control.kind == Resources::ControlKind::DefaultPushButton) {
                const int32_t width = WidthOf(ParseCaption(WideString(control.text), DisplayOptions{}).glyphs);
                const int32_t extra = control.kind == Resources::ControlKind::Label ? 0 : 2;
                EXPECT_GE(a.rect.cols, width + extra) << control.id;
            }
            if (control.kind == Resources::ControlKind::GroupBox) {
                continue;
            }
            for (size_t j = i + 1; j < placements.size(); ++j) {
                const ControlPlacement& b = placements[j];
                if (!b.drawn || b.inFooter != a.inFooter
                    || dialog.controls[j].kind == Resources::ControlKind::GroupBox) {
                    continue;
                }
                const bool apart = a.rect.Right() <= b.rect.col || b.rect.Right() <= a.rect.col
                    || a.rect.Bottom() <= b.rect.row || b.rect.Bottom() <= a.rect.row;
                EXPECT_TRUE(apart) << control.id << " overlaps " << dialog.controls[j].id;
            }
        }
    }
}

TEST_F(DialogLayoutTest, TallTemplatesScrollTheirBodyAndTooSmallScreensAreRefused)
{
    const Resources::DialogTemplate& dsn = *Resources::FindDialogTemplate(1093);
    // 367 units would want 46 rows; compacted it fits 24.
    EXPECT_LE(DialogLayout::Fit(dsn, 24, 80).Rows(), 24);

    const DialogLayout small = DialogLayout::Fit(dsn, 12, 80);
    EXPECT_TRUE(small.Fits());
    EXPECT_EQ(small.Rows(), 12);
    EXPECT_LT(small.ViewportRows(), small.BodyRows());
    EXPECT_EQ(small.FooterRows(), 1);

    EXPECT_FALSE(DialogLayout::Fit(dsn, 5, 80).Fits());
    // Too narrow, it scrolls across, down to a width that still shows a field.
    const DialogLayout narrow = DialogLayout::Fit(dsn, 24, 40);
    EXPECT_TRUE(narrow.Fits());
    EXPECT_EQ(narrow.ViewCols(), 40);
    EXPECT_GT(narrow.Cols(), 40);
    EXPECT_FALSE(DialogLayout::Fit(dsn, 24, 20).Fits());
    EXPECT_GT(DialogLayout::Fit(dsn, 24, 20).MinimumSize().col, 20);

    // Narrow screens first lose the blank space between controls.
    const Resources::DialogTemplate& advanced = *Resources::FindDialogTemplate(129);
    EXPECT_LT(DialogLayout::Fit(advanced, 24, 78).Cols(), DialogLayout::Fit(advanced, 24, 120).Cols());
}

using MessageBoxViewTest = Utf8Locale;

TEST_F(MessageBoxViewTest, EscapeFollowsTheButtonsAndLettersAnswer)
{
    RecordingServices services;
    struct Case {
        UI::MessageBoxButtons buttons;
        std::optional<UI::MessageBoxResult> escape;
    };
    for (const Case c : {Case{UI::MessageBoxButtons::Ok, UI::MessageBoxResult::Ok},
             Case{UI::MessageBoxButtons::OkCancel, UI::MessageBoxResult::Cancel},
             Case{UI::MessageBoxButtons::RetryCancel, UI::MessageBoxResult::Cancel},
             Case{UI::MessageBoxButtons::YesNo, std::nullopt}}) {
        UI::MessageBoxRequest request;
        request.text = WideString(u"Text");
        request.buttons = c.buttons;
        MessageBoxView view(request, DisplayOptions{});
        ASSERT_TRUE(view.Arrange(24, 80));
        view.HandleEvent(InputEvent::KeyPress(Key::Escape), services);
        EXPECT_EQ(view.GetResult(), c.escape);
    }
    EXPECT_EQ(services.beeps, 1);

    UI::MessageBoxRequest request;
    request.text = WideString(u"Duplicate key detected");
    request.caption = WideString(u"Duplicate Error");
    request.icon = UI::MessageBoxIcon::Warning;
    request.buttons = UI::MessageBoxButtons::RetryCancel;
    request.defaultButton = UI::MessageBoxResult::Cancel;
    MessageBoxView view(request, DisplayOptions{});
    ASSERT_TRUE(view.Arrange(24, 80));
    Canvas canvas(view.GetPlacement().rows, view.GetPlacement().cols, Role::Dialog);
    view.Draw(canvas);
    EXPECT_NE(canvas.RowText(0).find(" Duplicate Error "), std::string::npos);
    EXPECT_NE(canvas.RowText(1).find("(!) Duplicate key detected"), std::string::npos);
    view.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    EXPECT_EQ(view.GetResult(), UI::MessageBoxResult::Cancel);

    MessageBoxView letters(request, DisplayOptions{});
    letters.HandleEvent(InputEvent::Character(U'R'), services);
    EXPECT_EQ(letters.GetResult(), UI::MessageBoxResult::Retry);
}

TEST_F(MessageBoxViewTest, LongTextWrapsAtBlanksAndLineBreaks)
{
    const auto lines = WrapText(WideString(u"one two three\r\nfour"), 8, DisplayOptions{});
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(Chars(lines[0]), U"one two ");
    EXPECT_EQ(Chars(lines[1]), U"three");
    EXPECT_EQ(Chars(lines[2]), U"four");
    const auto hard = WrapText(WideString(u"abcdefghij"), 4, DisplayOptions{});
    ASSERT_EQ(hard.size(), 3U);
    EXPECT_EQ(Chars(hard[2]), U"ij");
}

using FileChooserViewTest = Utf8Locale;

TEST_F(FileChooserViewTest, PatternsMatchLikeWindowsFilters)
{
    EXPECT_TRUE(MatchesPattern("backup.SDC", "*.sdc"));
    EXPECT_TRUE(MatchesPattern("a.b.sdc", "*.sdc"));
    EXPECT_FALSE(MatchesPattern("backup.sdc.txt", "*.sdc"));
    EXPECT_TRUE(MatchesPattern("x1.pem", "x?.*"));
    EXPECT_TRUE(MatchesPattern("anything", "*"));
    EXPECT_FALSE(MatchesPattern("", "?"));
}

TEST_F(FileChooserViewTest, AcceptingChecksTheRequestsFlags)
{
    const TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    std::ofstream(dir / "sub" / "kept.sdc") << "Host=x\r\n";
    std::ofstream(dir / "other.txt") << "x";
    RecordingServices services;

    UI::FileRequest open;
    open.kind = UI::FileRequestKind::Open;
    open.filters = {{WideString(u"DSN Definition"), WideString(u"*.sdc")}};
    open.initialDirectory = WideString(dir.Path().string());
    open.flags = UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_FILE_MUST_EXIST;
    FileChooserView view(open, DisplayOptions{});
    ASSERT_TRUE(view.Arrange(24, 80));
    for (const char32_t c : std::u32string(U"absent.sdc")) {
        view.HandleEvent(InputEvent::Character(c), services);
    }
    view.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    EXPECT_FALSE(view.IsDone());
    ASSERT_EQ(services.asked.size(), 1U);
    EXPECT_NE(services.asked[0].find("File not found."), std::string::npos);

    // Into "sub" through the directory list, then the only file it lists.
    view.HandleEvent(InputEvent::KeyPress(Key::ClearLine), services);
    view.HandleEvent(InputEvent::KeyPress(Key::BackTab), services);
    view.HandleEvent(InputEvent::KeyPress(Key::BackTab), services);
    view.HandleEvent(InputEvent::KeyPress(Key::Down), services);
    view.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    EXPECT_EQ(view.GetDirectory(), dir.Path() / "sub");
    view.HandleEvent(InputEvent::KeyPress(Key::Tab), services);
    view.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    ASSERT_TRUE(view.IsDone());
    EXPECT_EQ(view.GetResult()->GetAsUTF8(), (dir.Path() / "sub" / "kept.sdc").string());

    UI::FileRequest save;
    save.kind = UI::FileRequestKind::Save;
    save.defaultExtension = WideString(u"sdc");
    save.initialFile = WideString((dir.Path() / "backup").string());
    save.flags = UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_PROMPT_TO_CREATE;
    FileChooserView saver(save, DisplayOptions{});
    ASSERT_TRUE(saver.Arrange(24, 80));
    services.boxAnswer = UI::MessageBoxResult::No;
    saver.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    EXPECT_FALSE(saver.IsDone());
    services.boxAnswer = UI::MessageBoxResult::Yes;
    saver.HandleEvent(InputEvent::KeyPress(Key::Enter), services);
    ASSERT_TRUE(saver.IsDone());
    EXPECT_EQ(saver.GetResult()->GetAsUTF8(), (dir.Path() / "backup.sdc").string());
    EXPECT_NE(services.asked.back().find("Do you want to create it?"), std::string::npos);

    UI::FolderRequest folder;
    folder.initialFolder = WideString(dir.Path().string());
    FileChooserView folders(folder, DisplayOptions{});
    ASSERT_TRUE(folders.Arrange(24, 80));
    folders.HandleEvent(InputEvent::KeyPress(Key::Escape), services);
    EXPECT_TRUE(folders.IsDone());
    EXPECT_FALSE(folders.GetResult().has_value());
}

} // namespace
} // namespace Dravo::Test
