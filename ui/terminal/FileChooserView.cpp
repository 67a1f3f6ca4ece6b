#include "ui/terminal/FileChooserView.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace Dravo::UI::Terminal {
namespace {

namespace fs = std::filesystem;

std::string Utf8Of(const fs::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

fs::path PathOf(const Support::WideString& text)
{
    const std::string utf8 = text.GetAsUTF8();
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

Support::WideString TextOf(const fs::path& path)
{
    return Support::WideString(Utf8Of(path));
}

std::string Lower(std::string text)
{
    std::transform(
        text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;
    size_t starName = 0;
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

FileChooserView::FileChooserView(const FileRequest& request, const DisplayOptions& options)
    : m_folders(false), m_request(request),
      m_title(request.title.IsEmpty()
              ? Support::WideString(request.kind == FileRequestKind::Save ? u"Save As" : u"Open")
              : request.title),
      m_options(options)
{
    std::error_code error;
    fs::path start = request.initialDirectory.IsEmpty() ? fs::path() : PathOf(request.initialDirectory);
    const fs::path initial = PathOf(request.initialFile);
    if (start.empty() && initial.has_parent_path()) {
        start = initial.parent_path();
    }
    m_entry = ToCodePoints(TextOf(initial.filename()));
    m_cursor = static_cast<int32_t>(m_entry.size());
    Open(start.empty() ? fs::current_path(error) : start);
}

FileChooserView::FileChooserView(const FolderRequest& request, const DisplayOptions& options)
    : m_folders(true), m_title(request.title.IsEmpty() ? Support::WideString(u"Choose Folder") : request.title),
      m_options(options)
{
    std::error_code error;
    Open(request.initialFolder.IsEmpty() ? fs::current_path(error) : PathOf(request.initialFolder));
    m_focus = Part::Directories;
}

void FileChooserView::Open(const fs::path& directory)
{
    std::error_code error;
    fs::path absolute = fs::absolute(directory, error).lexically_normal();
    if (error || !fs::is_directory(absolute, error)) {
        m_error = "cannot open " + Utf8Of(directory);
        if (m_directory.empty()) {
            m_directory = fs::path("/");
        }
    } else {
        if (absolute.has_filename() == false && absolute != absolute.root_path()) {
            absolute = absolute.parent_path();
        }
        m_directory = absolute;
        m_error.clear();
    }
    if (m_folders) {
        m_entry = ToCodePoints(TextOf(m_directory));
        m_cursor = static_cast<int32_t>(m_entry.size());
    }
    Refresh();
}

bool FileChooserView::Matches(const fs::path& name) const
{
    if (m_request.filters.empty()) {
        return true;
    }
    const std::string patterns = m_request.filters[m_filter].pattern.GetAsUTF8();
    const std::string text = Utf8Of(name);
    size_t start = 0;
    for (;;) {
        const size_t end = patterns.find(';', start);
        const std::string pattern = patterns.substr(start, end == std::string::npos ? end : end - start);
        if (!pattern.empty() && MatchesPattern(text, pattern)) {
            return true;
        }
        if (end == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
}

void FileChooserView::Refresh()
{
    m_directories = List{};
    m_files = List{};
    if (m_directory != m_directory.root_path()) {
        m_directories.names.emplace_back("..");
    }
    std::error_code error;
    fs::directory_iterator it(m_directory, fs::directory_options::skip_permission_denied, error);
    if (error) {
        m_error = "cannot read " + Utf8Of(m_directory) + ": " + error.message();
    }
    std::vector<fs::path> directories;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path name = it->path().filename();
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            directories.push_back(name);
        } else if (!m_folders && Matches(name)) {
            m_files.names.push_back(name);
        }
    }
    const auto byName = [](const fs::path& a, const fs::path& b) { return Lower(Utf8Of(a)) < Lower(Utf8Of(b)); };
    std::sort(directories.begin(), directories.end(), byName);
    std::sort(m_files.names.begin(), m_files.names.end(), byName);
    m_directories.names.insert(m_directories.names.end(), directories.begin(), directories.end());
    Changed();
}

bool FileChooserView::Arrange(int32_t screenRows, int32_t screenCols)
{
    const int32_t rows = std::min(screenRows, 22);
    const int32_t cols = std::min(screenCols, 76);
    m_placement = CellRect{std::max(0, (screenRows - rows) / 2), std::max(0, (screenCols - cols) / 2), rows, cols};
    Highlight(m_directories, m_directories.highlight);
    Highlight(m_files, m_files.highlight);
    Changed();
    return screenRows >= GetMinimumSize().row && screenCols >= GetMinimumSize().col;
}

bool FileChooserView::Offers(Part part) const
{
    switch (part) {
    case Part::Files:
        return !m_folders;
    case Part::Filter:
        return !m_folders && m_request.filters.size() > 1;
    default:
        return true;
    }
}

void FileChooserView::MoveFocus(bool forward)
{
    constexpr Part ORDER[] = {Part::Directories, Part::Files, Part::Filter, Part::Entry, Part::Ok, Part::Cancel};
    constexpr auto COUNT = static_cast<int32_t>(std::size(ORDER));
    int32_t index = static_cast<int32_t>(std::find(std::begin(ORDER), std::end(ORDER), m_focus) - std::begin(ORDER));
    do {
        index = (index + (forward ? 1 : COUNT - 1)) % COUNT;
    } while (!Offers(ORDER[index]));
    m_focus = ORDER[index];
    Changed();
}

void FileChooserView::Highlight(List& list, int32_t entry)
{
    const auto count = static_cast<int32_t>(list.names.size());
    list.highlight = std::clamp(entry, 0, std::max(0, count - 1));
    const int32_t rows = ListRows();
    if (list.highlight < list.first) {
        list.first = list.highlight;
    } else if (list.highlight >= list.first + rows) {
        list.first = list.highlight - rows + 1;
    }
    list.first = std::clamp(list.first, 0, std::max(0, count - rows));
    Changed();
}

void FileChooserView::Draw(Canvas& canvas) const
{
    const int32_t rows = m_placement.rows;
    const int32_t cols = m_placement.cols;
    canvas.Fill(CellRect{0, 0, rows, cols}, Role::Dialog);
    canvas.Frame(CellRect{0, 0, rows, cols}, Role::Dialog);
    const std::vector<Glyph> title = ToGlyphs(m_title, m_options);
    const int32_t titleWidth = std::min(WidthOf(title), cols - 6);
    const int32_t titleStart = std::max(1, (cols - titleWidth - 2) / 2);
    canvas.Text(0, titleStart, 1, U" ", Role::Dialog);
    canvas.Text(0, titleStart + 1, titleWidth, title, Role::Title, CELL_BOLD);
    canvas.Text(0, titleStart + 1 + titleWidth, 1, U" ", Role::Dialog);

    // The directory, its end kept in sight when it is long.
    std::vector<Glyph> directory =
        ToGlyphs(m_error.empty() ? TextOf(m_directory) : Support::WideString(m_error), m_options);
    const int32_t room = cols - 4;
    while (WidthOf(directory) > room && directory.size() > 1) {
        directory.erase(directory.begin());
    }
    canvas.Text(1, 2, room, directory, m_error.empty() ? Role::Label : Role::Warning, CELL_BOLD);

    const int32_t listRows = ListRows();
    if (m_folders) {
        canvas.Text(2, 2, cols - 4, U"Directories", Role::Label, CELL_BOLD);
        DrawList(canvas, m_directories, CellRect{3, 2, listRows, cols - 4}, m_focus == Part::Directories, true);
    } else {
        const int32_t half = (cols - 5) / 2;
        canvas.Text(2, 2, half, U"Directories", Role::Label, CELL_BOLD);
        canvas.Text(2, 3 + half, half, U"Files", Role::Label, CELL_BOLD);
        DrawList(canvas, m_directories, CellRect{3, 2, listRows, half}, m_focus == Part::Directories, true);
        DrawList(canvas, m_files, CellRect{3, 3 + half, listRows, cols - 5 - half}, m_focus == Part::Files, false);
    }
    const int32_t filterRow = 3 + listRows;
    if (!m_folders && !m_request.filters.empty()) {
        const FileFilter& filter = m_request.filters[m_filter];
        canvas.Text(filterRow, 2, 8, U"Type:", Role::Label);
        const Role role = m_focus == Part::Filter ? Role::FieldFocused : Role::Label;
        const Support::WideString text =
            filter.name + u" (" + filter.pattern + u")" + (m_request.filters.size() > 1 ? u"  <>" : u"");
        canvas.Text(filterRow, 8, cols - 10, ToGlyphs(text, m_options), role);
    }
    const int32_t entryRow = filterRow + 1;
    canvas.Text(entryRow, 2, 6, m_folders ? U"Path:" : U"Name:", Role::Label);
    const Role entryRole = m_focus == Part::Entry ? Role::FieldFocused : Role::Field;
    const int32_t entryWidth = cols - 10;
    canvas.Fill(CellRect{entryRow, 8, 1, entryWidth}, entryRole);
    const std::vector<Glyph> entry = ToGlyphs(m_entry, m_options);
    std::vector<Glyph> before;
    for (int32_t i = 0; i < m_cursor && i < static_cast<int32_t>(m_entry.size()); ++i) {
        AppendGlyphs(m_entry[static_cast<size_t>(i)], m_options, before);
    }
    const int32_t skip = std::max(0, WidthOf(before) - entryWidth + 1);
    std::vector<Glyph> shown;
    int32_t column = 0;
    for (const Glyph& glyph : entry) {
        if (column >= skip) {
            shown.push_back(glyph);
        }
        column += glyph.width;
    }
    canvas.Text(entryRow, 8, entryWidth, shown, entryRole);

    const int32_t buttonRow = rows - 2;
    const int32_t okCol = cols / 2 - 12;
    for (const auto& [part, col, label] : {std::tuple{Part::Ok, okCol, std::u32string_view(U"   OK   ")},
             std::tuple{Part::Cancel, okCol + 14, std::u32string_view(U" Cancel ")}}) {
        const Role role = m_focus == part ? Role::ButtonFocused : Role::Button;
        canvas.Text(buttonRow, col, 1, U"<", role, CELL_BOLD);
        canvas.Text(buttonRow, col + 1, 8, label, role, part == Part::Ok ? CELL_BOLD : CELL_PLAIN);
        canvas.Text(buttonRow, col + 9, 1, U">", role, CELL_BOLD);
    }
}

void FileChooserView::DrawList(
    Canvas& canvas, const List& list, const CellRect& rect, bool focused, bool directories) const
{
    canvas.Fill(rect, Role::Field);
    const auto count = static_cast<int32_t>(list.names.size());
    for (int32_t row = 0; row < rect.rows && list.first + row < count; ++row) {
        const int32_t entry = list.first + row;
        const bool highlighted = entry == list.highlight;
        const Role role = !highlighted ? Role::Field : focused ? Role::SelectionFocused : Role::Selection;
        canvas.Fill(CellRect{rect.row + row, rect.col, 1, rect.cols}, role);
        Support::WideString name = TextOf(list.names[static_cast<size_t>(entry)]);
        if (directories) {
            name = name + u"/";
        }
        canvas.Text(rect.row + row, rect.col + 1, rect.cols - 2, ToGlyphs(name, m_options), role,
            highlighted ? CELL_BOLD : CELL_PLAIN);
    }
}

std::optional<CellPoint> FileChooserView::GetCursor() const
{
    const int32_t listRows = ListRows();
    switch (m_focus) {
    case Part::Directories:
        return CellPoint{3 + m_directories.highlight - m_directories.first, 3};
    case Part::Files:
        return CellPoint{3 + m_files.highlight - m_files.first, 4 + (m_placement.cols - 5) / 2};
    case Part::Filter:
        return CellPoint{3 + listRows, 8};
    case Part::Entry: {
        std::vector<Glyph> before;
        for (int32_t i = 0; i < m_cursor && i < static_cast<int32_t>(m_entry.size()); ++i) {
            AppendGlyphs(m_entry[static_cast<size_t>(i)], m_options, before);
        }
        const int32_t entryWidth = m_placement.cols - 10;
        return CellPoint{4 + listRows, 8 + std::min(WidthOf(before), entryWidth - 1)};
    }
    case Part::Ok:
        return CellPoint{m_placement.rows - 2, m_placement.cols / 2 - 11};
    case Part::Cancel:
        return CellPoint{m_placement.rows - 2, m_placement.cols / 2 + 3};
    }
    return std::nullopt;
}

void FileChooserView::Accept(ViewServices& services)
{
    const Support::WideString text = FromCodePoints(m_entry);
    if (text.Trim().IsEmpty()) {
        services.Beep();
        return;
    }
    fs::path path = PathOf(text);
    if (path.is_relative()) {
        path = m_directory / path;
    }
    path = path.lexically_normal();
    std::error_code error;
    MessageBoxRequest problem;
    problem.caption = m_title;
    problem.icon = MessageBoxIcon::Warning;
    if (m_folders) {
        if (!fs::is_directory(path, error)) {
            problem.text = TextOf(path) + u"\r\nThe folder does not exist.";
            services.AskMessageBox(problem);
            return;
        }
        m_result = TextOf(path);
        m_done = true;
        return;
    }
    if (fs::is_directory(path, error)) {
        Open(path);
        m_entry.clear();
        m_cursor = 0;
        return;
    }
    if (!path.has_extension() && !m_request.defaultExtension.IsEmpty()) {
        path += PathOf(Support::WideString(u".") + m_request.defaultExtension);
    }
    const bool exists = fs::exists(path, error);
    if (m_request.Has(FILE_FLAG_FILE_MUST_EXIST) && !exists) {
        problem.text = TextOf(path) + u"\r\nFile not found.\r\nCheck the file name and try again.";
        services.AskMessageBox(problem);
        return;
    }
    if (m_request.Has(FILE_FLAG_PATH_MUST_EXIST) && !fs::is_directory(path.parent_path(), error)) {
        problem.text = TextOf(path) + u"\r\nPath does not exist.\r\nCheck the path and try again.";
        services.AskMessageBox(problem);
        return;
    }
    MessageBoxRequest question;
    question.caption = m_title;
    question.icon = MessageBoxIcon::Question;
    question.buttons = MessageBoxButtons::YesNo;
    if (exists && m_request.Has(FILE_FLAG_OVERWRITE_PROMPT)) {
        question.text = TextOf(path) + u" already exists.\r\nDo you want to replace it?";
        if (services.AskMessageBox(question) != MessageBoxResult::Yes) {
            return;
        }
    }
    if (!exists && m_request.Has(FILE_FLAG_PROMPT_TO_CREATE)) {
        question.text = TextOf(path) + u"\r\nThis file does not exist.\r\nDo you want to create it?";
        if (services.AskMessageBox(question) != MessageBoxResult::Yes) {
            return;
        }
    }
    m_result = TextOf(path);
    m_done = true;
}

void FileChooserView::HandleEntryKey(const InputEvent& event, ViewServices& services)
{
    const auto size = static_cast<int32_t>(m_entry.size());
    switch (event.key) {
    case Key::Left:
        m_cursor = std::max(0, m_cursor - 1);
        break;
    case Key::Right:
        m_cursor = std::min(size, m_cursor + 1);
        break;
    case Key::Home:
        m_cursor = 0;
        break;
    case Key::End:
        m_cursor = size;
        break;
    case Key::Backspace:
        if (m_cursor > 0) {
            m_entry.erase(static_cast<size_t>(--m_cursor), 1);
        }
        break;
    case Key::Delete:
        if (m_cursor < size) {
            m_entry.erase(static_cast<size_t>(m_cursor), 1);
        }
        break;
    case Key::ClearLine:
        m_entry.clear();
        m_cursor = 0;
        break;
    case Key::Character:
        if (m_entry.size() >= 4096) {
            services.Beep();
            return;
        }
        m_entry.insert(static_cast<size_t>(m_cursor++), 1, event.character);
        break;
    case Key::Up:
        MoveFocus(false);
        return;
    case Key::Down:
        MoveFocus(true);
        return;
    default:
        return;
    }
    Changed();
}

void FileChooserView::HandleListKey(List& list, bool directories, const InputEvent& event, ViewServices& services)
{
    const auto count = static_cast<int32_t>(list.names.size());
    switch (event.key) {
    case Key::Up:
        Highlight(list, list.highlight - 1);
        return;
    case Key::Down:
        Highlight(list, list.highlight + 1);
        return;
    case Key::PageUp:
        Highlight(list, list.highlight - ListRows());
        return;
    case Key::PageDown:
        Highlight(list, list.highlight + ListRows());
        return;
    case Key::Home:
        Highlight(list, 0);
        return;
    case Key::End:
        Highlight(list, count - 1);
        return;
    default:
        break;
    }
    if (count == 0) {
        if (event.IsKey(Key::Character) || event.IsKey(Key::Enter)) {
            services.Beep();
        }
        return;
    }
    const fs::path& name = list.names[static_cast<size_t>(list.highlight)];
    if (event.IsKey(Key::Character) && event.character == U' ') {
        // Space copies the highlighted name into the entry.
        const fs::path copied = m_folders ? (m_directory / name).lexically_normal() : name;
        m_entry = ToCodePoints(TextOf(copied));
        m_cursor = static_cast<int32_t>(m_entry.size());
        Changed();
    } else if (event.IsKey(Key::Enter)) {
        if (directories) {
            Open(m_directory / name);
        } else {
            m_entry = ToCodePoints(TextOf(name));
            m_cursor = static_cast<int32_t>(m_entry.size());
            Accept(services);
        }
    } else if (event.IsKey(Key::Character)) {
        const char32_t letter = FoldLetter(event.character);
        for (int32_t step = 1; step <= count; ++step) {
            const int32_t entry = (list.highlight + step) % count;
            const std::u32string text = ToCodePoints(TextOf(list.names[static_cast<size_t>(entry)]));
            if (!text.empty() && FoldLetter(text.front()) == letter) {
                Highlight(list, entry);
                return;
            }
        }
        services.Beep();
    }
}

void FileChooserView::HandleEvent(const InputEvent& event, ViewServices& services)
{
    if (event.type == EventType::Mouse) {
        const CellPoint point{event.position.row - m_placement.row, event.position.col - m_placement.col};
        const int32_t half = (m_placement.cols - 5) / 2;
        const int32_t row = point.row - 3;
        if (row >= 0 && row < ListRows() && event.mouse != MouseAction::Press) {
            const bool inDirectories = m_folders || point.col < 2 + half;
            List& list = inDirectories ? m_directories : m_files;
            m_focus = inDirectories ? Part::Directories : Part::Files;
            if (list.first + row < static_cast<int32_t>(list.names.size())) {
                Highlight(list, list.first + row);
                if (event.mouse == MouseAction::DoubleClick) {
                    HandleListKey(list, inDirectories, InputEvent::KeyPress(Key::Enter), services);
                }
            }
        } else if (point.row == m_placement.rows - 2 && event.mouse != MouseAction::Press) {
            const int32_t okCol = m_placement.cols / 2 - 12;
            if (point.col >= okCol && point.col < okCol + 10) {
                Accept(services);
            } else if (point.col >= okCol + 14 && point.col < okCol + 24) {
                m_done = true;
            }
        }
        Changed();
        return;
    }
    if (event.type != EventType::Key) {
        return;
    }
    if (event.IsCancel()) {
        m_done = true;
        return;
    }
    if (event.IsKey(Key::Tab)) {
        MoveFocus(!event.alt);
        return;
    }
    if (event.IsKey(Key::BackTab)) {
        MoveFocus(false);
        return;
    }
    switch (m_focus) {
    case Part::Directories:
        HandleListKey(m_directories, true, event, services);
        return;
    case Part::Files:
        HandleListKey(m_files, false, event, services);
        return;
    case Part::Filter:
        if (event.IsKey(Key::Left) || event.IsKey(Key::Right)
            || (event.IsKey(Key::Character) && event.character == U' ')) {
            const size_t count = m_request.filters.size();
            m_filter = (m_filter + (event.IsKey(Key::Left) ? count - 1 : 1)) % count;
            Refresh();
        } else if (event.IsKey(Key::Enter)) {
            Accept(services);
        }
        return;
    case Part::Entry:
        if (event.IsKey(Key::Enter)) {
            Accept(services);
        } else {
            HandleEntryKey(event, services);
        }
        return;
    case Part::Ok:
    case Part::Cancel:
        if (event.IsKey(Key::Enter) || (event.IsKey(Key::Character) && event.character == U' ')) {
            if (m_focus == Part::Ok) {
                Accept(services);
            } else {
                m_done = true;
            }
        } else if (event.IsKey(Key::Left) || event.IsKey(Key::Right)) {
            m_focus = m_focus == Part::Ok ? Part::Cancel : Part::Ok;
            Changed();
        }
        return;
    }
}

} // namespace Dravo::UI::Terminal
