// Where the program's dialogs are shown: in the terminal, or headless with a
// script playing the user. The start-up sequence is the same for both; only
// how errors reach the user and how the run is checked at the end differ.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include "ui/DialogSystem.h"

namespace Dravo::VezurAVUZ {

/// The dialogs cannot be shown at all (no usable terminal). The text says why.
class DialogBackendUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The program was asked to stop (a signal) while a dialog was open; the
/// dialogs have closed without a result.
class DialogInterrupted : public std::runtime_error {
public:
    explicit DialogInterrupted(int signal)
        : std::runtime_error("stopped by signal " + std::to_string(signal)), m_signal(signal)
    {
    }
    [[nodiscard]] int GetSignal() const { return m_signal; }

private:
    int m_signal;
};

class DialogBackend {
public:
    DialogBackend() = default;
    DialogBackend(const DialogBackend&) = delete;
    DialogBackend& operator=(const DialogBackend&) = delete;
    virtual ~DialogBackend() = default;

    [[nodiscard]] virtual UI::DialogSystem& GetSystem() = 0;
    /// True when a person watches the dialogs, so that errors are shown in a
    /// message box as well as written to standard error.
    [[nodiscard]] virtual bool ShowsErrorsInMessageBoxes() const = 0;
    /// True when the dialogs are drawn on the terminal, which standard error
    /// may be too: nothing else may write to it until the backend is gone.
    [[nodiscard]] virtual bool OwnsTerminal() const { return false; }
    /// After the last dialog has closed: a script with lines or answers left
    /// over is a failure (UI::ScriptError).
    virtual void Finish() = 0;
    /// Runs a modal dialog; a stop request the backend reports its own way
    /// leaves as DialogInterrupted.
    virtual int32_t RunDialog(const std::function<int32_t()>& runModal) { return runModal(); }
    /// Where a person watches, a line beside the dialogs (not in them) that
    /// says what they edit; nothing elsewhere.
    virtual void ShowStatusLine(const std::string& text) { (void)text; }
    /// Where a person watches, one line below the status line about what the
    /// dialogs show; nothing elsewhere.
    virtual void ShowNotice(const std::string& text) { (void)text; }

    /// Reads and parses the whole script first ("-": the input stream), so
    /// that a script that cannot be read or parsed changes nothing. Throws
    /// UI::ScriptError naming the script. Message boxes go to the transcript.
    static std::unique_ptr<DialogBackend> CreateHeadless(
        const std::string& scriptPath, std::istream& standardInput, std::ostream& transcript);
    /// Takes over the controlling terminal; throws DialogBackendUnavailable.
    static std::unique_ptr<DialogBackend> CreateTerminal();
    /// The same for a library of ours inside another program, whose dialogs
    /// belong to that program's window (a window handle on Windows; the
    /// terminal elsewhere).
    static std::unique_ptr<DialogBackend> CreateForOwner(void* ownerWindow);
};

} // namespace Dravo::VezurAVUZ
