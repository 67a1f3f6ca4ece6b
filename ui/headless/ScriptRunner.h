// Plays a parsed script as the user of headless dialogs. Lines act on the
// topmost open dialog; "answer" and "choose" lines are kept for the next
// message box or chooser, which also takes such a line when it comes right
// after the line that opened it. A box with no answer takes its default
// button; a chooser with none is cancelled.
//
// Any failure (a failed expectation, a line that cannot be carried out, a
// script that ends with a dialog open) throws ScriptError, and the runner
// stays failed: every later call throws the same error, so code that catches
// too much cannot carry the run on.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "ui/headless/HeadlessDriver.h"
#include "ui/headless/Script.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptTarget.h"

namespace Dravo::UI {

class ScriptRunner final : public HeadlessDriver {
public:
    /// sourceName names the script in messages (a file name, or "-").
    ScriptRunner(Script script, std::string sourceName);

    void Act(DialogWindow& dialog) override;
    /// As Act, on any dialog a script can drive (real windows too).
    void ActOn(ScriptTarget& dialog);
    MessageBoxResult AnswerMessageBox(const MessageBoxRequest& request) override;
    std::optional<Support::WideString> AnswerFileRequest(const FileRequest& request) override;
    std::optional<Support::WideString> AnswerFolderRequest(const FolderRequest& request) override;

    /// Call when the last dialog has closed: lines left over, or answers that
    /// no box took, are failures.
    void Finish();

private:
    [[noreturn]] void Fail(const ScriptCommand& command, const std::string& message);
    [[noreturn]] void Fail(int32_t line, const std::string& message);
    void ThrowIfFailed() const;
    const ScriptCommand* Next();
    /// A kept answer, or the next line when it is one of that verb.
    const ScriptCommand* TakeAnswer(std::deque<const ScriptCommand*>& kept, ScriptVerb verb);
    void Check(ScriptTarget& dialog, const ScriptCommand& command);
    void Select(ScriptTarget& dialog, const ScriptCommand& command);

    Script m_script;
    std::string m_sourceName;
    size_t m_next = 0;
    std::deque<const ScriptCommand*> m_answers;
    std::deque<const ScriptCommand*> m_choices;
    std::optional<ScriptError> m_failure;
};

} // namespace Dravo::UI
