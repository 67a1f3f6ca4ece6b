#include "dialogs/NumberBox.h"

#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {

uint32_t ReadNumberBox(const UI::DialogHost& host, int32_t controlId)
{
    return ParseNumberBoxText(host.GetText(controlId).GetAsU16String());
}

void ShowNumber(UI::DialogHost& host, int32_t controlId, uint32_t value)
{
    host.SetText(controlId, NumberText(value));
}

Support::WideString NumberText(uint32_t value)
{
    return Support::NumberConverter::ConvertUInt32ToWString(value);
}

} // namespace Dravo::VezurAVUZ
