// The dialog templates as data: every control fits its dialog, ids are
// unique, and each template holds what its dialog logic expects.
#include <algorithm>
#include <cctype>
#include <set>

#include <gtest/gtest.h>

#include "resources/ControlIds.h"
#include "resources/DialogTemplates.h"

namespace Dravo::Test {
namespace {

using namespace Dravo::Resources;

TEST(DialogTemplatesTest, EveryControlFitsItsDialogAndIdsAreUnique)
{
    const std::set<int32_t> expected{129, 131, 132, 133, 142, 1091, 1092, 1093, 9109, 9110};
    std::set<int32_t> found;
    for (const DialogTemplate& dialog : AllDialogTemplates()) {
        SCOPED_TRACE(dialog.id);
        found.insert(dialog.id);
        EXPECT_EQ(FindDialogTemplate(dialog.id), &dialog);
        EXPECT_EQ(dialog.fontName, u"MS Shell Dlg");
        EXPECT_EQ(dialog.fontPointSize, 8);
        std::set<int32_t> ids;
        for (const ControlTemplate& control : dialog.controls) {
            SCOPED_TRACE(control.id);
            EXPECT_GE(control.rect.x, 0);
            EXPECT_GE(control.rect.y, 0);
            EXPECT_GT(control.rect.width, 0);
            EXPECT_GT(control.rect.height, 0);
            EXPECT_LE(control.rect.Right(), dialog.width);
            // Combo heights include their dropped-down lists.
            if (control.kind != ControlKind::DropDownList) {
                EXPECT_LE(control.rect.Bottom(), dialog.height);
            }
            if (control.id != IDC_STATIC) {
                EXPECT_TRUE(ids.insert(control.id).second) << "duplicate id";
            } else {
                EXPECT_TRUE(control.kind == ControlKind::Label || control.kind == ControlKind::GroupBox);
            }
        }
        const ControlTemplate* ok = dialog.FindControl(IDC_OK);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->kind, ControlKind::DefaultPushButton);
        EXPECT_EQ(ok->text, u"OK");
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(FindDialogTemplate(4242), nullptr);
}

TEST(DialogTemplatesTest, MainTemplatesLeaveOutWhatTheirLayoutLacks)
{
    const DialogTemplate& driver = *FindDialogTemplate(IDD_DRIVER_CONFIGURATION);
    EXPECT_EQ(driver.width, 271);
    EXPECT_EQ(driver.height, 276);
    for (const int32_t id : {1000, 1002, 1004, 1003, 1024, 1030, 1011, 1013, 1027, 1032, 1022, 1084, 1087}) {
        EXPECT_EQ(driver.FindControl(id), nullptr) << id;
    }
    const DialogTemplate& dsn = *FindDialogTemplate(IDD_DSN_CONFIGURATION);
    EXPECT_EQ(dsn.height, 367);
    EXPECT_EQ(dsn.FindControl(IDC_MAIN_SERVICE_DISCOVERY), nullptr);
    EXPECT_EQ(dsn.FindControl(IDC_MAIN_ZOOKEEPER_NAMESPACE), nullptr);
    ASSERT_NE(dsn.FindControl(IDC_MAIN_TEST), nullptr);
    EXPECT_TRUE(dsn.FindControl(IDC_MAIN_TEST)->Has(STYLE_DISABLED));
    EXPECT_TRUE(dsn.FindControl(IDC_MAIN_PORT)->Has(STYLE_DIGITS_ONLY));
    EXPECT_EQ(dsn.FindControl(IDC_MAIN_LOGGING_OPTIONS)->text, u"Logg&ing Options...");
    EXPECT_EQ(driver.FindControl(IDC_MAIN_LOGGING_OPTIONS)->text, u"Logg&ing Opetions...");

    for (const DialogTemplate* main : {&driver, &dsn}) {
        EXPECT_TRUE(main->FindControl(IDC_MAIN_PASSWORD)->Has(STYLE_PASSWORD));
        EXPECT_TRUE(main->FindControl(IDC_MAIN_TRANSPORT)->Has(STYLE_SORTED));
        EXPECT_FALSE(main->FindControl(IDC_MAIN_SERVER_TYPE)->Has(STYLE_SORTED));
        EXPECT_EQ(main->FindControl(IDC_MAIN_SAVE_PASSWORD)->kind, ControlKind::CheckBox);
    }
}

TEST(DialogTemplatesTest, ControlsCarryTheStylesTheirDialogsNeed)
{
    const DialogTemplate& results = *FindDialogTemplate(IDD_TEST_RESULTS);
    const ControlTemplate& text = *results.FindControl(IDC_TEST_RESULTS_TEXT);
    EXPECT_TRUE(text.Has(STYLE_MULTI_LINE));
    EXPECT_TRUE(text.Has(STYLE_READ_ONLY));
    EXPECT_TRUE(text.Has(STYLE_VERTICAL_SCROLL));
    EXPECT_EQ(results.FindControl(IDC_CANCEL), nullptr);

    for (const int32_t id : {IDD_SERVER_SIDE_PROPERTIES, IDD_HTTP_PROPERTIES}) {
        const ControlTemplate& list = *FindDialogTemplate(id)->FindControl(IDC_PROPERTY_LIST);
        EXPECT_EQ(list.kind, ControlKind::ListBox);
        EXPECT_TRUE(list.Has(STYLE_SORTED));
        EXPECT_TRUE(list.Has(STYLE_NOTIFY));
    }
    const DialogTemplate& logging = *FindDialogTemplate(IDD_LOGGING_OPTIONS);
    EXPECT_EQ(logging.FindControl(IDC_LOG_LEVEL_LABEL)->text, u"Log &Level:");
    EXPECT_TRUE(logging.FindControl(IDC_LOG_FILE_COUNT)->Has(STYLE_DIGITS_ONLY));
    EXPECT_TRUE(logging.FindControl(IDC_LOG_FILE_SIZE)->Has(STYLE_DIGITS_ONLY));
    EXPECT_TRUE(FindDialogTemplate(IDD_SSL_OPTIONS)->FindControl(IDC_SSL_KEY_PASSWORD)->Has(STYLE_PASSWORD));
    EXPECT_EQ(
        FindDialogTemplate(IDD_ADVANCED_OPTIONS)->FindControl(IDC_ADVANCED_USE_ONLY_SSPI)->text, u"Use &only SSPI ");
    EXPECT_EQ(
        FindDialogTemplate(IDD_EDIT_PROPERTY)->FindControl(IDC_EDIT_PROPERTY_GROUP)->text, u"Server Side Properties");
}

/// The part of the dialog a control covers: a combo box closed.
DialogUnitRect Covered(const ControlTemplate& control)
{
    DialogUnitRect rect = control.rect;
    if (control.kind == ControlKind::DropDownList) {
        rect.height = std::min(rect.height, 12);
    }
    return rect;
}

bool Intersect(const DialogUnitRect& a, const DialogUnitRect& b)
{
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

bool Inside(const DialogUnitRect& inner, const DialogUnitRect& outer)
{
    return inner.x > outer.x && inner.Right() < outer.Right() && inner.y > outer.y && inner.Bottom() < outer.Bottom();
}

TEST(DialogTemplatesTest, ControlsNeitherOverlapNorCrossAGroupBoxFrame)
{
    // A widened label that runs into its edit box, or a frame drawn through a
    // control, is hidden in part on the user's screen.
    for (const DialogTemplate& dialog : AllDialogTemplates()) {
        for (const ControlTemplate& a : dialog.controls) {
            const bool frame = a.kind == ControlKind::GroupBox && !a.Has(STYLE_BORDERLESS);
            for (const ControlTemplate& b : dialog.controls) {
                if (&a == &b || !Intersect(Covered(a), Covered(b)) || b.kind == ControlKind::GroupBox) {
                    if (frame && &a != &b && b.kind == ControlKind::GroupBox && !b.Has(STYLE_BORDERLESS)) {
                        EXPECT_FALSE(Intersect(a.rect, b.rect))
                            << dialog.id << ": two group boxes at y " << a.rect.y << " and " << b.rect.y;
                    }
                    continue;
                }
                if (frame) {
                    EXPECT_TRUE(Inside(Covered(b), a.rect))
                        << dialog.id << ": " << b.id << " crosses the frame of the group box at y " << a.rect.y;
                } else if (a.kind != ControlKind::GroupBox && &a < &b) {
                    ADD_FAILURE() << dialog.id << ": " << a.id << " \"" << std::string(a.text.begin(), a.text.end())
                                  << "\" overlaps " << b.id;
                }
            }
        }
    }
}

TEST(DialogTemplatesTest, EveryLabelAndButtonHasAMnemonicOfItsOwn)
{
    // OK and Cancel have Enter and Escape; a letter used twice in a dialog
    // would reach only one of its controls.
    for (const DialogTemplate& dialog : AllDialogTemplates()) {
        std::set<char16_t> letters;
        for (const ControlTemplate& control : dialog.controls) {
            const bool captioned = control.kind == ControlKind::Label || control.kind == ControlKind::CheckBox
                || control.kind == ControlKind::PushButton || control.kind == ControlKind::DefaultPushButton;
            if (!captioned || control.text.empty() || control.id == IDC_OK || control.id == IDC_CANCEL
                || control.id == IDC_MAIN_VERSION) {
                continue;
            }
            const size_t mark = control.text.find(u'&');
            ASSERT_NE(mark, std::u16string_view::npos)
                << dialog.id << ": " << std::string(control.text.begin(), control.text.end());
            ASSERT_LT(mark + 1, control.text.size());
            const char16_t letter = static_cast<char16_t>(std::tolower(control.text[mark + 1]));
            EXPECT_TRUE(letters.insert(letter).second)
                << dialog.id << ": " << std::string(control.text.begin(), control.text.end()) << " repeats a letter";
        }
    }
}

} // namespace
} // namespace Dravo::Test
