// The list machinery shared by the server-side properties dialog (template
// 132) and the HTTP properties dialog (template 9110): a sorted list box of
// "name=value" lines with Add, Edit and Remove. The list box is the only
// working copy, so Cancel discards every change; OK rebuilds the property
// map from the lines.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "dialogs/SOEditPropertyDialog.h"
#include "support/WideString.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::VezurAVUZ {

class SOPropertySet;

class SOPropertyListDialog : public UI::DialogHandler {
public:
    /// Runs the variant's template over the owner: 1 after OK, 0 after Cancel.
    int32_t DoModal(UI::DialogHost& owner);

    bool OnInit(UI::DialogHost& host) final;
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) final;

    /// The list line of a property: name, "=", value, nothing added.
    [[nodiscard]] static Support::WideString FormatLine(const SOPropertyPair& pair);
    /// Splits a line at its first "="; a line without one is a name with an
    /// empty value.
    [[nodiscard]] static SOPropertyPair ParseLine(const Support::WideString& line);

protected:
    /// The property set must outlive the dialog.
    SOPropertyListDialog(int32_t templateId, SOPropertySet& properties);

    /// The variant's part of OK: its own settings, then StoreList.
    virtual void Store(UI::DialogHost& host) = 0;
    /// The variant's part of the initialisation, after the list is filled.
    virtual void Initialize(UI::DialogHost& host) = 0;

    /// Replaces the property map by the lines of the list box; a later line
    /// with the same name replaces an earlier one. A line this dialog made
    /// from a pair gives that pair back, so a name holding "=" survives, and
    /// so do two pairs whose lines read the same.
    void StoreList(UI::DialogHost& host);

private:
    void Add(UI::DialogHost& host);
    void Edit(UI::DialogHost& host);
    void Remove(UI::DialogHost& host);
    /// The add/edit loop: Edit Property, then refuse a name that another line
    /// already has (ignoring letter case) with Retry or Cancel. index is the
    /// line being edited, -1 for a new one.
    bool EditPair(UI::DialogHost& host, int32_t index, bool startEmpty);
    static void UpdateButtons(UI::DialogHost& host);
    /// Adds the line of a pair and remembers which pair it stands for.
    void AddLine(UI::DialogHost& host, const SOPropertyPair& pair);
    /// The pair behind line index: among lines that read the same, the n-th
    /// in the list stands for the n-th such pair added.
    [[nodiscard]] SOPropertyPair PairOfLine(UI::DialogHost& host, int32_t index) const;
    /// The pairs behind every line, in the list's order.
    [[nodiscard]] std::vector<SOPropertyPair> PairsOfLines(UI::DialogHost& host) const;
    /// Deletes line index and forgets the pair behind it.
    void DeleteLine(UI::DialogHost& host, int32_t index);

    using PairsByLine = std::multimap<Support::WideString, SOPropertyPair, Support::WideStringLess>;
    /// Where the pair behind line index is kept, or the end when this dialog
    /// did not add the line.
    [[nodiscard]] PairsByLine::const_iterator FindPairOfLine(UI::DialogHost& host, int32_t index) const;

    int32_t m_templateId;
    SOPropertySet& m_properties;
    SOPropertyPair m_editPair;
    /// The pairs behind the lines this dialog added: splitting a line at its
    /// first "=" cannot give back a name that holds one, and two pairs may
    /// make the same line.
    PairsByLine m_pairsByLine;
};

} // namespace Dravo::VezurAVUZ
