#include "ui/headless/HeadlessDialogSystem.h"

#include <cstdio>
#include <string>

#include "resources/DialogTemplates.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDriver.h"

namespace Dravo::UI {
namespace {

/// Removes the window from the open list however RunModal is left.
class OpenDialogEntry {
public:
    OpenDialogEntry(std::vector<DialogWindow*>& open, DialogWindow& window) : m_open(open)
    {
        m_open.push_back(&window);
    }
    OpenDialogEntry(const OpenDialogEntry&) = delete;
    OpenDialogEntry& operator=(const OpenDialogEntry&) = delete;
    ~OpenDialogEntry() { m_open.pop_back(); }

private:
    std::vector<DialogWindow*>& m_open;
};

} // namespace

std::string EscapeForTranscript(const Support::WideString& text)
{
    const std::string utf8 = text.GetAsUTF8();
    std::string escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

HeadlessDialogSystem::HeadlessDialogSystem(HeadlessDriver& driver, std::ostream& transcript)
    : m_driver(&driver), m_transcript(&transcript)
{
}

int32_t HeadlessDialogSystem::RunModalTemplate(
    const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner)
{
    DialogWindow window(dialogTemplate, handler, *this, owner);
    const OpenDialogEntry entry(m_open, window);
    window.Initialize();
    while (!window.IsEnding()) {
        m_driver->Act(window);
        if (!window.IsEnding()) {
            window.NotifyOtherMessage(OtherMessage::InputProcessed);
        }
    }
    window.Destroy();
    return window.GetResult();
}

MessageBoxResult HeadlessDialogSystem::ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner)
{
    (void)owner;
    const MessageBoxResult answer = m_driver->AnswerMessageBox(request);
    *m_transcript << "message-box [" << EscapeForTranscript(request.caption) << "] "
                  << EscapeForTranscript(request.text) << " -> " << ButtonName(answer) << '\n'
                  << std::flush;
    return answer;
}

void HeadlessDialogSystem::Publish(std::string_view kind, const Support::WideString& text)
{
    *m_transcript << kind << ' ' << EscapeForTranscript(text) << '\n' << std::flush;
}

std::optional<Support::WideString> HeadlessDialogSystem::ChooseFile(const FileRequest& request, DialogHost* owner)
{
    (void)owner;
    return m_driver->AnswerFileRequest(request);
}

std::optional<Support::WideString> HeadlessDialogSystem::ChooseFolder(const FolderRequest& request, DialogHost* owner)
{
    (void)owner;
    return m_driver->AnswerFolderRequest(request);
}

OS::ErrorCode HeadlessDialogSystem::SetCursor(CursorShape shape)
{
    m_cursor = shape;
    return OS::ERROR_SUCCESS_CODE;
}

Rect HeadlessDialogSystem::GetDesktopRect() const
{
    // A 320 x 100 cell screen, in dialog units.
    return Rect{0, 0, 1280, 800};
}

} // namespace Dravo::UI
