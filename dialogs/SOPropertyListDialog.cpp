#include "dialogs/SOPropertyListDialog.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "resources/ControlIds.h"
#include "settings/SOPropertySet.h"

namespace Dravo::VezurAVUZ {

using namespace Resources;
using Support::WideString;

namespace {

const WideString SEPARATOR(u"=");

} // namespace

SOPropertyListDialog::SOPropertyListDialog(int32_t templateId, SOPropertySet& properties)
    : m_templateId(templateId), m_properties(properties)
{
}

int32_t SOPropertyListDialog::DoModal(UI::DialogHost& owner)
{
    return owner.RunModalChild(m_templateId, *this);
}

WideString SOPropertyListDialog::FormatLine(const SOPropertyPair& pair)
{
    return WideString(u"") + pair.name + SEPARATOR + pair.value;
}

SOPropertyPair SOPropertyListDialog::ParseLine(const WideString& line)
{
    const int32_t split = line.Find(SEPARATOR);
    if (split < 0) {
        return {line.IsNull() ? WideString(u"") : line, WideString(u"")};
    }
    return {line.Substr(0, split), line.Substr(split + 1)};
}

bool SOPropertyListDialog::OnInit(UI::DialogHost& host)
{
    // Lines go in in the map's order; the sorted list box puts them in its own.
    const auto properties = m_properties.GetProperties();
    for (const auto& [name, value] : properties) {
        AddLine(host, {name, value});
    }
    host.SetSelection(IDC_PROPERTY_LIST, 0);
    UpdateButtons(host);
    Initialize(host);
    if (host.GetItemCount(IDC_PROPERTY_LIST) == 0) {
        // An empty list has nothing to choose: Enter there would close the
        // dialog at once. Adding is what comes first.
        host.SetFocus(IDC_PROPERTY_ADD);
        return false;
    }
    return true;
}

void SOPropertyListDialog::OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification)
{
    switch (controlId) {
    case IDC_OK:
        Store(host);
        host.EndDialog(1);
        break;
    case IDC_CANCEL:
        host.EndDialog(0);
        break;
    case IDC_PROPERTY_ADD:
        Add(host);
        break;
    case IDC_PROPERTY_EDIT:
        Edit(host);
        break;
    case IDC_PROPERTY_REMOVE:
        Remove(host);
        break;
    case IDC_PROPERTY_LIST:
        if (notification == UI::Notification::SelectionChanged) {
            UpdateButtons(host);
        } else if (notification == UI::Notification::DoubleClicked) {
            Edit(host);
        }
        break;
    default:
        break;
    }
}

void SOPropertyListDialog::StoreList(UI::DialogHost& host)
{
    auto& properties = m_properties.GetProperties();
    properties.clear();
    for (SOPropertyPair& pair : PairsOfLines(host)) {
        properties.insert_or_assign(std::move(pair.name), std::move(pair.value));
    }
}

void SOPropertyListDialog::AddLine(UI::DialogHost& host, const SOPropertyPair& pair)
{
    const WideString line = FormatLine(pair);
    host.AddItem(IDC_PROPERTY_LIST, line);
    m_pairsByLine.emplace(line, pair);
}

SOPropertyListDialog::PairsByLine::const_iterator SOPropertyListDialog::FindPairOfLine(
    UI::DialogHost& host, int32_t index) const
{
    const WideString line = host.GetItemText(IDC_PROPERTY_LIST, index);
    int32_t sameBefore = 0;
    for (int32_t earlier = 0; earlier < index; ++earlier) {
        if (host.GetItemText(IDC_PROPERTY_LIST, earlier) == line) {
            ++sameBefore;
        }
    }
    // Pairs of one line keep the order they were added in.
    auto [found, end] = m_pairsByLine.equal_range(line);
    for (; found != end && sameBefore > 0; --sameBefore) {
        ++found;
    }
    return found != end ? found : m_pairsByLine.end();
}

std::vector<SOPropertyPair> SOPropertyListDialog::PairsOfLines(UI::DialogHost& host) const
{
    const int32_t count = host.GetItemCount(IDC_PROPERTY_LIST);
    std::vector<SOPropertyPair> pairs;
    pairs.reserve(static_cast<size_t>(count > 0 ? count : 0));
    // For each text, the pair its next line stands for: one pass over the
    // list, whatever its length.
    std::unordered_map<std::u16string, PairsByLine::const_iterator> next;
    for (int32_t index = 0; index < count; ++index) {
        const WideString line = host.GetItemText(IDC_PROPERTY_LIST, index);
        const auto [slot, first] = next.try_emplace(line.GetAsU16String(), m_pairsByLine.end());
        if (first) {
            slot->second = m_pairsByLine.lower_bound(line);
        }
        PairsByLine::const_iterator& known = slot->second;
        if (known != m_pairsByLine.end() && !m_pairsByLine.key_comp()(line, known->first)) {
            pairs.push_back(known->second);
            ++known;
        } else {
            pairs.push_back(ParseLine(line));
        }
    }
    return pairs;
}

SOPropertyPair SOPropertyListDialog::PairOfLine(UI::DialogHost& host, int32_t index) const
{
    const auto known = FindPairOfLine(host, index);
    return known != m_pairsByLine.end() ? known->second : ParseLine(host.GetItemText(IDC_PROPERTY_LIST, index));
}

void SOPropertyListDialog::DeleteLine(UI::DialogHost& host, int32_t index)
{
    if (const auto known = FindPairOfLine(host, index); known != m_pairsByLine.end()) {
        m_pairsByLine.erase(known);
    }
    host.DeleteItem(IDC_PROPERTY_LIST, index);
}

void SOPropertyListDialog::Add(UI::DialogHost& host)
{
    if (EditPair(host, -1, true)) {
        AddLine(host, m_editPair);
        UpdateButtons(host);
    }
}

void SOPropertyListDialog::Edit(UI::DialogHost& host)
{
    const int32_t index = host.GetSelection(IDC_PROPERTY_LIST);
    if (index < 0) {
        return;
    }
    m_editPair = PairOfLine(host, index);
    if (EditPair(host, index, false)) {
        DeleteLine(host, index);
        AddLine(host, m_editPair);
        host.SetSelection(IDC_PROPERTY_LIST, index);
        UpdateButtons(host);
    }
}

void SOPropertyListDialog::Remove(UI::DialogHost& host)
{
    const int32_t index = host.GetSelection(IDC_PROPERTY_LIST);
    if (index < 0) {
        return;
    }
    UI::MessageBoxRequest question;
    question.text = WideString(u"Are you sure you want to remove this property?");
    question.caption = WideString(u"Remove Property");
    question.icon = UI::MessageBoxIcon::Question;
    question.buttons = UI::MessageBoxButtons::YesNo;
    if (host.ShowMessageBox(question) == UI::MessageBoxResult::Yes) {
        DeleteLine(host, index);
        host.SetSelection(IDC_PROPERTY_LIST, 0);
        UpdateButtons(host);
    }
}

bool SOPropertyListDialog::EditPair(UI::DialogHost& host, int32_t index, bool startEmpty)
{
    if (startEmpty) {
        m_editPair = SOPropertyPair{WideString(u""), WideString(u"")};
    }
    for (;;) {
        if (SOEditPropertyDialog::Show(host, m_editPair, &m_properties) == 0) {
            return false;
        }
        // Names decide, not lines: "a" is no duplicate of the line "a=b=c"
        // that the name "a=b" makes.
        bool taken = false;
        const std::vector<SOPropertyPair> pairs = PairsOfLines(host);
        for (size_t other = 0; other < pairs.size() && !taken; ++other) {
            taken = static_cast<int32_t>(other) != index && pairs[other].name.IsEqual(m_editPair.name, false);
        }
        if (!taken) {
            return true;
        }
        UI::MessageBoxRequest duplicate;
        duplicate.text = WideString(u"Duplicate key detected");
        duplicate.caption = WideString(u"Duplicate Error");
        duplicate.icon = UI::MessageBoxIcon::Warning;
        duplicate.buttons = UI::MessageBoxButtons::RetryCancel;
        duplicate.defaultButton = UI::MessageBoxResult::Cancel;
        if (host.GetSystem().ShowMessageBox(duplicate, nullptr) != UI::MessageBoxResult::Retry) {
            return false;
        }
    }
}

void SOPropertyListDialog::UpdateButtons(UI::DialogHost& host)
{
    const bool selected = host.GetSelection(IDC_PROPERTY_LIST) >= 0;
    host.Enable(IDC_PROPERTY_EDIT, selected);
    host.Enable(IDC_PROPERTY_REMOVE, selected);
}

} // namespace Dravo::VezurAVUZ
