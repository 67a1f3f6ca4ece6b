#include "tests/ui/EveryControlDialog.h"

#include "resources/ControlIds.h"
#include "ui/DialogHost.h"

namespace Dravo::Test {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;
using Resources::IDC_CANCEL;
using Resources::IDC_OK;
using Resources::IDC_STATIC;
using Support::WideString;
using UI::Notification;
using K = ControlKind;

constexpr ControlTemplate EVERY_CONTROL[] = {
    {100, K::Label, Resources::STYLE_NONE, u"&Name:", {7, 8, 40, 8}},
    {ID_NAME, K::Edit, Resources::STYLE_NONE, u"", {50, 6, 110, 12}},
    {102, K::Label, Resources::STYLE_NONE, u"&Password:", {7, 24, 40, 8}},
    {ID_PASSWORD, K::Edit, Resources::STYLE_PASSWORD, u"", {50, 22, 110, 12}},
    {104, K::Label, Resources::STYLE_NONE, u"P&ort:", {7, 40, 40, 8}},
    {ID_PORT, K::Edit, Resources::STYLE_DIGITS_ONLY, u"", {50, 38, 40, 12}},
    {ID_EXTRAS, K::CheckBox, Resources::STYLE_NONE, u"&Enable extras", {100, 40, 80, 10}},
    {ID_EXTRAS_GROUP, K::GroupBox, Resources::STYLE_NONE, u"Extras", {7, 54, 246, 56}},
    {IDC_STATIC, K::Label, Resources::STYLE_NONE, u"&Colour:", {12, 66, 34, 8}},
    {ID_COLOUR, K::DropDownList, Resources::STYLE_SORTED, u"", {50, 64, 80, 40}},
    {ID_ITEMS, K::ListBox,
        Resources::STYLE_SORTED | Resources::STYLE_NOTIFY | Resources::STYLE_VERTICAL_SCROLL | Resources::STYLE_BORDER,
        u"", {12, 80, 118, 26}},
    {ID_ASK, K::PushButton, Resources::STYLE_NONE, u"&Ask...", {140, 64, 50, 14}},
    {ID_STATUS, K::Label, Resources::STYLE_NONE, u"", {140, 84, 108, 8}},
    {IDC_STATIC, K::Label, Resources::STYLE_NONE, u"File:", {7, 118, 40, 8}},
    {ID_FILE, K::Edit, Resources::STYLE_READ_ONLY, u"", {50, 116, 140, 12}},
    {ID_BROWSE, K::PushButton, Resources::STYLE_NONE, u"&Browse...", {196, 115, 57, 14}},
    {ID_FOLDER, K::PushButton, Resources::STYLE_NONE, u"Fol&der...", {7, 138, 50, 14}},
    {ID_CHILD, K::PushButton, Resources::STYLE_NONE, u"C&hild...", {62, 138, 50, 14}},
    {IDC_OK, K::DefaultPushButton, Resources::STYLE_NONE, u"OK", {150, 138, 50, 14}},
    {IDC_CANCEL, K::PushButton, Resources::STYLE_NONE, u"Cancel", {203, 138, 50, 14}},
};

constexpr ControlTemplate CHILD[] = {
    {IDC_STATIC, K::Label, Resources::STYLE_NONE, u"&Key:", {7, 8, 30, 8}},
    {ID_CHILD_KEY, K::Edit, Resources::STYLE_NONE, u"", {40, 6, 113, 12}},
    {IDC_OK, K::DefaultPushButton, Resources::STYLE_NONE, u"OK", {50, 28, 50, 14}},
    {IDC_CANCEL, K::PushButton, Resources::STYLE_NONE, u"Cancel", {103, 28, 50, 14}},
};

constexpr Resources::DialogTemplate EVERY_CONTROL_TEMPLATE{
    60001, u"Every Control (template)", 260, 160, u"MS Shell Dlg", 8, EVERY_CONTROL};
constexpr Resources::DialogTemplate CHILD_TEMPLATE{60002, u"Child", 160, 50, u"MS Shell Dlg", 8, CHILD};

const char* NotificationName(Notification notification)
{
    switch (notification) {
    case Notification::Clicked:
        return "Clicked";
    case Notification::TextChanged:
        return "TextChanged";
    case Notification::SelectionChanged:
        return "SelectionChanged";
    case Notification::DoubleClicked:
        return "DoubleClicked";
    }
    return "?";
}

} // namespace

const Resources::DialogTemplate& EveryControlTemplate()
{
    return EVERY_CONTROL_TEMPLATE;
}

const Resources::DialogTemplate& ChildTemplate()
{
    return CHILD_TEMPLATE;
}

EveryControlDialog::EveryControlDialog(WideString initialName) : m_initialName(std::move(initialName)) {}

bool EveryControlDialog::OnInit(UI::DialogHost& host)
{
    host.SetTitle(WideString(u"Every Control"));
    host.LimitText(ID_NAME, NAME_LIMIT);
    for (const char16_t* colour : {u"Gamma", u"alpha", u"Beta"}) {
        host.AddItem(ID_COLOUR, WideString(colour));
    }
    host.SetSelection(ID_COLOUR, 1);
    for (int32_t i = ITEM_COUNT; i >= 1; --i) {
        const std::string item = std::string("item ") + (i < 10 ? "0" : "") + std::to_string(i);
        host.AddItem(ID_ITEMS, WideString(item));
    }
    host.SetText(ID_NAME, m_initialName);
    ApplyRules(host);
    return true;
}

void EveryControlDialog::ApplyRules(UI::DialogHost& host)
{
    const bool extras = host.IsChecked(ID_EXTRAS);
    for (const int32_t id : {ID_COLOUR, ID_ITEMS, ID_ASK}) {
        host.Enable(id, extras);
    }
    host.Enable(IDC_OK, !host.GetText(ID_NAME).IsEmpty());
}

void EveryControlDialog::SetStatus(UI::DialogHost& host, const std::string& status)
{
    host.SetText(ID_STATUS, WideString(status));
}

void EveryControlDialog::OnCommand(UI::DialogHost& host, int32_t controlId, Notification notification)
{
    m_log.push_back(std::to_string(controlId) + " " + NotificationName(notification));
    switch (controlId) {
    case ID_NAME:
        if (notification == Notification::TextChanged) {
            ApplyRules(host);
        }
        break;
    case ID_EXTRAS:
        ApplyRules(host);
        SetStatus(host, host.IsChecked(ID_EXTRAS) ? "extras on" : "extras off");
        break;
    case ID_COLOUR:
        SetStatus(host, "colour " + host.GetText(ID_COLOUR).GetAsUTF8());
        break;
    case ID_ITEMS: {
        const std::string item = host.GetItemText(ID_ITEMS, host.GetSelection(ID_ITEMS)).GetAsUTF8();
        SetStatus(host, (notification == Notification::DoubleClicked ? "opened " : "item ") + item);
        break;
    }
    case ID_ASK: {
        UI::MessageBoxRequest request;
        request.text = WideString(u"Apply the extras?");
        request.caption = WideString(u"Extras");
        request.icon = UI::MessageBoxIcon::Question;
        request.buttons = UI::MessageBoxButtons::YesNo;
        request.defaultButton = UI::MessageBoxResult::No;
        SetStatus(host, "answer " + std::string(UI::ButtonName(host.ShowMessageBox(request))));
        break;
    }
    case ID_BROWSE: {
        UI::FileRequest request;
        request.kind = UI::FileRequestKind::Open;
        request.title = WideString(u"Pick a file");
        request.filters = {
            {WideString(u"Text files"), WideString(u"*.txt")}, {WideString(u"All files"), WideString(u"*")}};
        request.flags = UI::FILE_FLAG_PATH_MUST_EXIST | UI::FILE_FLAG_FILE_MUST_EXIST;
        if (const auto chosen = host.ChooseFile(request)) {
            host.SetText(ID_FILE, *chosen);
        }
        break;
    }
    case ID_FOLDER: {
        UI::FolderRequest request;
        request.title = WideString(u"Pick a folder");
        if (const auto chosen = host.ChooseFolder(request)) {
            host.SetText(ID_FILE, *chosen);
        }
        break;
    }
    case ID_CHILD: {
        ChildDialog child;
        const int32_t result = host.GetSystem().RunModalTemplate(ChildTemplate(), child, &host);
        SetStatus(host, "child " + std::to_string(result) + " " + child.GetKey());
        break;
    }
    case IDC_OK:
        host.EndDialog(1);
        break;
    case IDC_CANCEL:
        host.EndDialog(0);
        break;
    default:
        break;
    }
}

void EveryControlDialog::OnOtherMessage(UI::DialogHost& host, UI::OtherMessage message)
{
    (void)host;
    (void)message;
    ++m_otherMessages;
}

void EveryControlDialog::OnDestroy(UI::DialogHost& host)
{
    m_result.name = host.GetText(ID_NAME).GetAsUTF8();
    m_result.password = host.GetText(ID_PASSWORD).GetAsUTF8();
    m_result.port = host.GetText(ID_PORT).GetAsUTF8();
    m_result.extras = host.IsChecked(ID_EXTRAS);
    m_result.colour = host.GetText(ID_COLOUR).GetAsUTF8();
    m_result.item = host.GetItemText(ID_ITEMS, host.GetSelection(ID_ITEMS)).GetAsUTF8();
    m_result.status = host.GetText(ID_STATUS).GetAsUTF8();
    m_result.file = host.GetText(ID_FILE).GetAsUTF8();
}

bool ChildDialog::OnInit(UI::DialogHost& host)
{
    host.SetText(ID_CHILD_KEY, WideString(u"key"));
    return true;
}

void ChildDialog::OnCommand(UI::DialogHost& host, int32_t controlId, Notification notification)
{
    if (notification != Notification::Clicked) {
        return;
    }
    if (controlId == IDC_OK) {
        m_key = host.GetText(ID_CHILD_KEY).GetAsUTF8();
        host.EndDialog(1);
    } else if (controlId == IDC_CANCEL) {
        host.EndDialog(0);
    }
}

} // namespace Dravo::Test
