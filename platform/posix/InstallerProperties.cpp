// unixODBC's property records.
#include "platform/InstallerProperties.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <odbcinstext.h>

namespace Dravo::OS {
namespace {

int PromptType(InstallerPrompt prompt)
{
    switch (prompt) {
    case InstallerPrompt::Label:
        return ODBCINST_PROMPTTYPE_LABEL;
    case InstallerPrompt::Text:
        return ODBCINST_PROMPTTYPE_TEXTEDIT;
    case InstallerPrompt::List:
        return ODBCINST_PROMPTTYPE_LISTBOX;
    case InstallerPrompt::Combo:
        return ODBCINST_PROMPTTYPE_COMBOBOX;
    case InstallerPrompt::FileName:
        return ODBCINST_PROMPTTYPE_FILENAME;
    case InstallerPrompt::Hidden:
        return ODBCINST_PROMPTTYPE_HIDDEN;
    case InstallerPrompt::Password:
        return ODBCINST_PROMPTTYPE_TEXTEDIT_PASSWORD;
    }
    return ODBCINST_PROMPTTYPE_TEXTEDIT;
}

/// Copies text into a fixed field of the record, cut to fit.
template <size_t Size> void CopyField(char (&field)[Size], const std::string& text)
{
    const size_t length = std::min(text.size(), Size - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

/// unixODBC frees the choices' array but not the texts it points at: array
/// and texts share one block, which that one free() returns whole.
char** MakeChoices(const std::vector<std::string>& choices)
{
    size_t bytes = (choices.size() + 1) * sizeof(char*);
    for (const std::string& choice : choices) {
        bytes += choice.size() + 1;
    }
    auto** array = static_cast<char**>(std::malloc(bytes));
    if (!array) {
        return nullptr;
    }
    char* text = reinterpret_cast<char*>(array + choices.size() + 1);
    for (size_t i = 0; i < choices.size(); ++i) {
        array[i] = text;
        std::memcpy(text, choices[i].c_str(), choices[i].size() + 1);
        text += choices[i].size() + 1;
    }
    array[choices.size()] = nullptr;
    return array;
}

} // namespace

bool AppendInstallerProperties(void* last, const std::vector<InstallerProperty>& properties)
{
    auto* tail = static_cast<ODBCINSTPROPERTY*>(last);
    if (!tail) {
        return false;
    }
    while (tail->pNext) {
        tail = tail->pNext;
    }
    for (const InstallerProperty& property : properties) {
        auto* record = static_cast<ODBCINSTPROPERTY*>(std::calloc(1, sizeof(ODBCINSTPROPERTY)));
        if (!record) {
            return false;
        }
        CopyField(record->szName, property.name);
        CopyField(record->szValue, property.value);
        record->nPromptType = PromptType(property.prompt);
        if (!property.choices.empty() && !(record->aPromptData = MakeChoices(property.choices))) {
            std::free(record);
            return false;
        }
        if (!property.help.empty() && !(record->pszHelp = ::strdup(property.help.c_str()))) {
            std::free(record->aPromptData);
            std::free(record);
            return false;
        }
        tail->pNext = record;
        tail = record;
    }
    return true;
}

} // namespace Dravo::OS
