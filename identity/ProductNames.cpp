#include "identity/ProductNames.h"

#include <algorithm>
#include <array>
#include <string>

#include "identity/CachedValue.h"
#include "identity/ProductIdentity.h"
#include "support/ModuleDirectory.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

namespace {

WideString AttributeOr(const char16_t* attributeName, const WideString& fallback)
{
    WideString value = GetProductAttribute(attributeName);
    // A name becomes a key path, a file name and an entry of odbc.ini: a
    // line break in it would add lines there, so a control character
    // makes it no name.
    const std::u16string units = value.GetAsU16String();
    const bool control =
        std::any_of(units.begin(), units.end(), [](char16_t unit) { return unit < 0x20 || unit == 0x7F; });
    return value.IsEmpty() || control ? fallback : value;
}

} // namespace

WideString MakeCompactDriverName(const WideString& driverName)
{
    static constexpr std::array<char16_t, 22> REMOVED = {u' ', u'#', u'%', u'&', u'{', u'}', u'\\', u'<', u'>', u'*',
        u'?', u'/', u'$', u'!', u'\'', u'"', u':', u'@', u'+', u'`', u'|', u'='};
    std::u16string compact = driverName.GetAsU16String();
    std::erase_if(
        compact, [](char16_t unit) { return std::find(REMOVED.begin(), REMOVED.end(), unit) != REMOVED.end(); });
    return WideString(compact);
}

const WideString& GetVendorName()
{
    static CachedValue<WideString> name{"vendor name"};
    return name.Get([] { return AttributeOr(u"vendor-name", u"Dravo"); });
}

const WideString& GetDriverName()
{
    static CachedValue<WideString> name{"driver name"};
    return name.Get([] { return AttributeOr(u"driver-name", GetProductIdentity().driverName); });
}

const WideString& GetVersionString()
{
    static CachedValue<WideString> version{"version"};
    return version.Get([] { return AttributeOr(u"version-number", GetProductIdentity().version); });
}

const WideString& GetCompactDriverName()
{
    static CachedValue<WideString> name{"compact driver name"};
    return name.Get([] { return MakeCompactDriverName(GetDriverName()); });
}

const WideString& GetVendorDriverPath()
{
    static CachedValue<WideString> path{"vendor and driver path"};
    return path.Get([] { return GetVendorName() + u"\\" + GetDriverName(); });
}

const WideString& GetDriverKeyPath()
{
    static CachedValue<WideString> path{"driver key path"};
    return path.Get([] { return u"SOFTWARE\\" + GetVendorName() + u"\\" + GetDriverName() + u"\\Driver"; });
}

const WideString& GetModuleDirectory()
{
    static CachedValue<WideString> directory{"module directory of the product names"};
    return directory.Get([] { return Support::GetModuleDirectory(); });
}

const WideString& GetToolLogFileName()
{
    static CachedValue<WideString> name{"tool log file name"};
    return name.Get([] { return GetCompactDriverName() + u"_DriverConfig.log"; });
}

} // namespace Dravo::VezurAVUZ
