#include "ui/headless/ScriptRunner.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDialogSystem.h"

namespace Dravo::UI {
namespace {

using Support::WideString;

std::string Quote(const WideString& text)
{
    return "\"" + EscapeForTranscript(text) + "\"";
}

std::string Quote(const std::string& utf8)
{
    return Quote(WideString(utf8));
}

std::string DescribeDialog(const ScriptTarget& dialog)
{
    return "dialog " + std::to_string(dialog.GetTemplateId()) + " " + Quote(dialog.GetTitle());
}

std::string JoinItems(const std::vector<std::string>& items)
{
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        joined += (i == 0 ? "" : "|") + items[i];
    }
    return joined;
}

// Paths are UTF-8 here whatever the platform's narrow encoding is.
std::filesystem::path PathFromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

/// The headless dialog as a script target.
class DialogWindowTarget final : public ScriptTarget {
public:
    explicit DialogWindowTarget(DialogWindow& window) : m_window(window) {}

    [[nodiscard]] int32_t GetTemplateId() const override { return m_window.GetTemplateId(); }
    [[nodiscard]] WideString GetTitle() const override { return m_window.GetTitle(); }
    [[nodiscard]] WideString GetHint() const override { return m_window.GetHint(); }
    [[nodiscard]] bool HasControl(int32_t controlId) const override { return m_window.FindControl(controlId); }
    [[nodiscard]] WideString GetText(int32_t controlId) const override { return m_window.GetText(controlId); }
    [[nodiscard]] bool IsEnabled(int32_t controlId) const override
    {
        const ControlState* control = m_window.FindControl(controlId);
        return control && control->IsEnabled();
    }
    [[nodiscard]] bool IsVisible(int32_t controlId) const override
    {
        const ControlState* control = m_window.FindControl(controlId);
        return control && control->IsVisible();
    }
    [[nodiscard]] bool IsChecked(int32_t controlId) const override
    {
        const ControlState* control = m_window.FindControl(controlId);
        return control && control->IsChecked();
    }
    [[nodiscard]] std::vector<WideString> GetItems(int32_t controlId) const override
    {
        const ControlState* control = m_window.FindControl(controlId);
        return control ? control->GetItems() : std::vector<WideString>();
    }
    [[nodiscard]] int32_t GetSelection(int32_t controlId) const override
    {
        const ControlState* control = m_window.FindControl(controlId);
        return control ? control->GetSelection() : -1;
    }
    UserActionError TypeText(int32_t controlId, const WideString& text) override
    {
        return m_window.TypeText(controlId, text);
    }
    UserActionError SelectItem(int32_t controlId, int32_t index) override
    {
        return m_window.SelectItem(controlId, index);
    }
    UserActionError Click(int32_t controlId) override { return m_window.Click(controlId); }
    UserActionError DoubleClick(int32_t controlId) override { return m_window.DoubleClick(controlId); }

private:
    DialogWindow& m_window;
};

/// The entry equal to the text, case-sensitively, or -1.
int32_t FindItemCaseSensitive(const std::vector<WideString>& items, const WideString& text)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::string ListButtons(MessageBoxButtons buttons)
{
    std::string names;
    for (const MessageBoxResult button : ButtonsOf(buttons)) {
        names += (names.empty() ? "" : " ") + std::string(ButtonName(button));
    }
    return names;
}

} // namespace

ScriptRunner::ScriptRunner(Script script, std::string sourceName)
    : m_script(std::move(script)), m_sourceName(std::move(sourceName))
{
}

void ScriptRunner::Fail(const ScriptCommand& command, const std::string& message)
{
    Fail(command.line, command.source + ": " + message);
}

void ScriptRunner::Fail(int32_t line, const std::string& message)
{
    m_failure.emplace(m_sourceName, line, message);
    throw *m_failure;
}

void ScriptRunner::ThrowIfFailed() const
{
    if (m_failure) {
        throw *m_failure;
    }
}

const ScriptCommand* ScriptRunner::Next()
{
    if (m_next >= m_script.commands.size()) {
        return nullptr;
    }
    return &m_script.commands[m_next++];
}

const ScriptCommand* ScriptRunner::TakeAnswer(std::deque<const ScriptCommand*>& kept, ScriptVerb verb)
{
    if (!kept.empty()) {
        const ScriptCommand* command = kept.front();
        kept.pop_front();
        return command;
    }
    if (m_next < m_script.commands.size() && m_script.commands[m_next].verb == verb) {
        return Next();
    }
    return nullptr;
}

void ScriptRunner::Act(DialogWindow& dialog)
{
    DialogWindowTarget target(dialog);
    ActOn(target);
}

void ScriptRunner::ActOn(ScriptTarget& dialog)
{
    ThrowIfFailed();
    for (;;) {
        const ScriptCommand* command = Next();
        if (!command) {
            Fail(m_script.lineCount, "the script ended while " + DescribeDialog(dialog) + " is open");
        }
        UserActionError result = UserActionError::None;
        switch (command->verb) {
        case ScriptVerb::Answer:
            m_answers.push_back(command);
            continue;
        case ScriptVerb::Choose:
            m_choices.push_back(command);
            continue;
        case ScriptVerb::Expect:
            Check(dialog, *command);
            continue;
        case ScriptVerb::Select:
            Select(dialog, *command);
            return;
        case ScriptVerb::Type:
            result = dialog.TypeText(command->id, WideString(command->text));
            break;
        case ScriptVerb::Click:
            result = dialog.Click(command->id);
            break;
        case ScriptVerb::DoubleClick:
            result = dialog.DoubleClick(command->id);
            break;
        }
        if (result != UserActionError::None) {
            Fail(*command, std::string(DescribeUserActionError(result)) + " in " + DescribeDialog(dialog));
        }
        return;
    }
}

void ScriptRunner::Select(ScriptTarget& dialog, const ScriptCommand& command)
{
    const std::vector<WideString> entries = dialog.GetItems(command.id);
    const int32_t index = dialog.HasControl(command.id) ? FindItemCaseSensitive(entries, WideString(command.text)) : -1;
    const UserActionError result = dialog.SelectItem(command.id, index);
    if (result == UserActionError::NoSuchEntry) {
        std::vector<std::string> items;
        for (const auto& item : entries) {
            items.push_back(EscapeForTranscript(item));
        }
        Fail(command, "no entry " + Quote(command.text) + " (it holds " + Quote(JoinItems(items)) + ")");
    }
    if (result != UserActionError::None) {
        Fail(command, std::string(DescribeUserActionError(result)) + " in " + DescribeDialog(dialog));
    }
}

void ScriptRunner::Check(ScriptTarget& dialog, const ScriptCommand& command)
{
    switch (command.expect) {
    case ExpectKind::Dialog:
        if (dialog.GetTemplateId() != command.id) {
            Fail(command, "the topmost dialog is " + DescribeDialog(dialog));
        }
        return;
    case ExpectKind::Title:
        if (dialog.GetTitle() != WideString(command.text)) {
            Fail(command, "the title is " + Quote(dialog.GetTitle()));
        }
        return;
    case ExpectKind::Hint:
        if (dialog.GetHint() != WideString(command.text)) {
            Fail(command, "the hint is " + Quote(dialog.GetHint()));
        }
        return;
    default:
        break;
    }

    if (!dialog.HasControl(command.id)) {
        Fail(command, "no control " + std::to_string(command.id) + " in " + DescribeDialog(dialog));
    }
    const auto state = [&](bool holds, const char* otherwise) {
        if (!holds) {
            Fail(command, std::string("the control is ") + otherwise);
        }
    };
    switch (command.expect) {
    case ExpectKind::Text:
    case ExpectKind::Contains: {
        // Captions are compared as they read, without their mnemonic marks.
        const Resources::DialogTemplate* shown = Resources::FindDialogTemplate(dialog.GetTemplateId());
        const Resources::ControlTemplate* control = shown ? shown->FindControl(command.id) : nullptr;
        const WideString text = dialog.GetText(command.id);
        const WideString actual = control && HasCaption(control->kind) ? WithoutMnemonicMarks(text) : text;
        const WideString wanted(command.text);
        const bool holds = command.expect == ExpectKind::Text ? actual == wanted : actual.Find(wanted) >= 0;
        if (!holds) {
            Fail(command, "the text is " + Quote(actual));
        }
        return;
    }
    case ExpectKind::Enabled:
        state(dialog.IsEnabled(command.id), "disabled");
        return;
    case ExpectKind::Disabled:
        state(!dialog.IsEnabled(command.id), "enabled");
        return;
    case ExpectKind::Visible:
        state(dialog.IsVisible(command.id), "hidden");
        return;
    case ExpectKind::Hidden:
        state(!dialog.IsVisible(command.id), "visible");
        return;
    case ExpectKind::Checked:
        state(dialog.IsChecked(command.id), "unchecked");
        return;
    case ExpectKind::Unchecked:
        state(!dialog.IsChecked(command.id), "checked");
        return;
    case ExpectKind::Selected: {
        const int32_t selection = dialog.GetSelection(command.id);
        const std::vector<WideString> items = dialog.GetItems(command.id);
        const bool none = selection < 0 || selection >= static_cast<int32_t>(items.size());
        const WideString selected = none ? WideString(u"") : items[static_cast<size_t>(selection)];
        if (command.text.empty() ? !none : selected != WideString(command.text)) {
            Fail(command, none ? std::string("nothing is selected") : "the selected entry is " + Quote(selected));
        }
        return;
    }
    case ExpectKind::Items: {
        std::vector<std::string> actual;
        for (const auto& item : dialog.GetItems(command.id)) {
            actual.push_back(item.GetAsUTF8());
        }
        if (actual != command.items) {
            Fail(command, "the entries are " + Quote(JoinItems(actual)));
        }
        return;
    }
    case ExpectKind::None:
    case ExpectKind::Dialog:
    case ExpectKind::Title:
    case ExpectKind::Hint:
        break;
    }
}

MessageBoxResult ScriptRunner::AnswerMessageBox(const MessageBoxRequest& request)
{
    ThrowIfFailed();
    const ScriptCommand* command = TakeAnswer(m_answers, ScriptVerb::Answer);
    if (!command) {
        return DefaultButtonOf(request);
    }
    const auto offered = ButtonsOf(request.buttons);
    if (std::find(offered.begin(), offered.end(), command->answer) == offered.end()) {
        Fail(*command,
            "the message box [" + EscapeForTranscript(request.caption) + "] " + EscapeForTranscript(request.text)
                + " offers " + ListButtons(request.buttons));
    }
    return command->answer;
}

std::optional<WideString> ScriptRunner::AnswerFileRequest(const FileRequest& request)
{
    ThrowIfFailed();
    const ScriptCommand* command = TakeAnswer(m_choices, ScriptVerb::Choose);
    if (!command || command->cancel) {
        return std::nullopt;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path path = fs::absolute(PathFromUtf8(command->text), error);
    if (error) {
        Fail(*command, "not a usable path: " + error.message());
    }
    if (!path.has_extension() && !request.defaultExtension.IsEmpty()) {
        path += PathFromUtf8("." + request.defaultExtension.GetAsUTF8());
    }
    if (fs::is_directory(path, error)) {
        Fail(*command, "a file chooser cannot choose a directory");
    }
    if (request.Has(FILE_FLAG_FILE_MUST_EXIST) && !fs::exists(path, error)) {
        Fail(*command, "the chooser takes existing files only, and there is no " + Quote(Utf8FromPath(path)));
    }
    if (request.Has(FILE_FLAG_PATH_MUST_EXIST) && !fs::is_directory(path.parent_path(), error)) {
        Fail(*command,
            "the chooser takes existing directories only, and there is no " + Quote(Utf8FromPath(path.parent_path())));
    }
    return WideString(Utf8FromPath(path));
}

std::optional<WideString> ScriptRunner::AnswerFolderRequest(const FolderRequest& request)
{
    (void)request;
    ThrowIfFailed();
    const ScriptCommand* command = TakeAnswer(m_choices, ScriptVerb::Choose);
    if (!command || command->cancel) {
        return std::nullopt;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path = fs::absolute(PathFromUtf8(command->text), error);
    if (error || !fs::is_directory(path, error)) {
        Fail(*command, "there is no directory " + Quote(command->text));
    }
    return WideString(Utf8FromPath(path));
}

void ScriptRunner::Finish()
{
    ThrowIfFailed();
    if (!m_answers.empty()) {
        Fail(*m_answers.front(), "no message box came to take this answer");
    }
    if (!m_choices.empty()) {
        Fail(*m_choices.front(), "no file or folder chooser came to take this path");
    }
    if (const ScriptCommand* command = Next()) {
        Fail(*command, "no dialog is open");
    }
}

} // namespace Dravo::UI
