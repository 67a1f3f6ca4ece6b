// File and folder choosers in the manner of `dialog --fselect`: a list of
// directories, a list of files (filtered), and a name entry; Tab moves
// between them, Space copies the highlighted name into the entry, Enter opens
// a directory or accepts. The request's flags are checked on accepting.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/FileRequest.h"
#include "ui/terminal/DisplayText.h"
#include "ui/terminal/TerminalView.h"

namespace Dravo::UI::Terminal {

class FileChooserView final : public TerminalView {
public:
    FileChooserView(const FileRequest& request, const DisplayOptions& options);
    FileChooserView(const FolderRequest& request, const DisplayOptions& options);

    bool Arrange(int32_t screenRows, int32_t screenCols) override;
    [[nodiscard]] CellPoint GetMinimumSize() const override { return CellPoint{11, 40}; }
    [[nodiscard]] CellRect GetPlacement() const override { return m_placement; }
    void Draw(Canvas& canvas) const override;
    [[nodiscard]] std::optional<CellPoint> GetCursor() const override;
    [[nodiscard]] uint64_t GetRevision() const override { return m_revision; }
    void HandleEvent(const InputEvent& event, ViewServices& services) override;
    [[nodiscard]] bool IsDone() const override { return m_done; }

    /// The chosen path, or nothing when the chooser was cancelled.
    [[nodiscard]] const std::optional<Support::WideString>& GetResult() const { return m_result; }
    [[nodiscard]] const std::filesystem::path& GetDirectory() const { return m_directory; }

private:
    enum class Part : uint8_t { Directories, Files, Filter, Entry, Ok, Cancel };

    struct List {
        std::vector<std::filesystem::path> names;
        int32_t highlight = 0;
        int32_t first = 0;
    };

    void Open(const std::filesystem::path& directory);
    void Refresh();
    [[nodiscard]] bool Offers(Part part) const;
    void MoveFocus(bool forward);
    [[nodiscard]] int32_t ListRows() const { return std::max(1, m_placement.rows - 8); }
    void Highlight(List& list, int32_t entry);
    void Accept(ViewServices& services);
    void HandleEntryKey(const InputEvent& event, ViewServices& services);
    void HandleListKey(List& list, bool directories, const InputEvent& event, ViewServices& services);
    void DrawList(Canvas& canvas, const List& list, const CellRect& rect, bool focused, bool directories) const;
    [[nodiscard]] bool Matches(const std::filesystem::path& name) const;
    void Changed() { ++m_revision; }

    bool m_folders;
    FileRequest m_request;
    Support::WideString m_title;
    DisplayOptions m_options;
    std::filesystem::path m_directory;
    List m_directories;
    List m_files;
    size_t m_filter = 0;
    std::u32string m_entry;
    int32_t m_cursor = 0;
    Part m_focus = Part::Entry;
    std::string m_error;
    CellRect m_placement;
    std::optional<Support::WideString> m_result;
    bool m_done = false;
    uint64_t m_revision = 0;
};

/// Matches a file name against one pattern of * and ?, ignoring ASCII case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

} // namespace Dravo::UI::Terminal
