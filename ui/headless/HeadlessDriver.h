// Who plays the user of the headless backend: a script, or a test.
#pragma once

#include <optional>

#include "support/WideString.h"
#include "ui/FileRequest.h"
#include "ui/MessageBoxRequest.h"

namespace Dravo::UI {

class DialogWindow;

class HeadlessDriver {
public:
    HeadlessDriver() = default;
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;
    virtual ~HeadlessDriver() = default;

    /// The topmost dialog waits for input: carry out one user action on it, or
    /// throw to stop the run.
    virtual void Act(DialogWindow& dialog) = 0;
    /// The button pressed in a message box.
    virtual MessageBoxResult AnswerMessageBox(const MessageBoxRequest& request) = 0;
    /// The path chosen in a file chooser, or nothing for Cancel.
    virtual std::optional<Support::WideString> AnswerFileRequest(const FileRequest& request) = 0;
    /// The path chosen in a folder chooser, or nothing for Cancel.
    virtual std::optional<Support::WideString> AnswerFolderRequest(const FolderRequest& request) = 0;
};

} // namespace Dravo::UI
