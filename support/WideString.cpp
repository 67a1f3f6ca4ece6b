#include "support/WideString.h"

#include <cstring>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "support/EncodingTable.h"
#include "support/Platform.h"
#include "support/StringConverter.h"

namespace Dravo::Support {
namespace {

std::unique_ptr<icu::UnicodeString> DecodeNarrow(const char* bytes, int32_t count, EncodingType encoding)
{
    if (Platform* platform = GetPlatform()) {
        WideString decoded;
        platform->GetStringConverter().ConvertToWString(bytes, count, encoding, decoded);
        const icu::UnicodeString* text = decoded.GetICUString();
        return std::make_unique<icu::UnicodeString>(text ? *text : icu::UnicodeString());
    }
    // Before the platform starts there is no converter pool: let ICU open a
    // converter for this one conversion.
    if (count == SQL_NTS_BYTES) {
        count = MeasureZeroTerminated(bytes, encoding);
    }
    const char* name = GetEncodingName(encoding);
    return std::make_unique<icu::UnicodeString>(bytes, count, name ? name : "UTF-8");
}

} // namespace

EncodingType GetDefaultNarrowEncoding()
{
    return ENC_UTF8;
}

WideString::WideString(const char16_t* text)
{
    if (text) {
        m_string =
            std::make_unique<icu::UnicodeString>(text, static_cast<int32_t>(std::char_traits<char16_t>::length(text)));
    }
}

WideString::WideString(const char16_t* text, int32_t units)
{
    if (text) {
        m_string = std::make_unique<icu::UnicodeString>(text, units);
    }
}

WideString::WideString(std::u16string_view text)
    : m_string(std::make_unique<icu::UnicodeString>(text.data(), static_cast<int32_t>(text.size())))
{
}

WideString::WideString(const std::u16string& text) : WideString(std::u16string_view(text)) {}

WideString::WideString(const char* narrow)
{
    if (narrow) {
        m_string = DecodeNarrow(narrow, SQL_NTS_BYTES, GetDefaultNarrowEncoding());
    }
}

WideString::WideString(const char* narrow, int32_t bytes, EncodingType encoding)
{
    if (narrow) {
        m_string = DecodeNarrow(narrow, bytes, encoding);
    }
}

WideString::WideString(const std::string& narrow, EncodingType encoding)
    : m_string(DecodeNarrow(narrow.data(), static_cast<int32_t>(narrow.size()), encoding))
{
}

WideString::WideString(icu::UnicodeString&& adopted)
    : m_string(std::make_unique<icu::UnicodeString>(std::move(adopted)))
{
}

WideString::WideString(const WideString& other)
{
    if (other.m_string) {
        m_string = std::make_unique<icu::UnicodeString>(*other.m_string);
    }
}

WideString& WideString::operator=(const WideString& other)
{
    if (this != &other) {
        if (other.m_string) {
            m_string = std::make_unique<icu::UnicodeString>(*other.m_string);
        } else {
            m_string.reset();
        }
    }
    return *this;
}

const char16_t* WideString::GetUnits() const noexcept
{
    return m_string ? m_string->getBuffer() : nullptr;
}

icu::UnicodeString& WideString::GetOrCreate()
{
    if (!m_string) {
        m_string = std::make_unique<icu::UnicodeString>();
    }
    return *m_string;
}

WideString& WideString::Append(const WideString& other)
{
    if (other.m_string) {
        GetOrCreate().append(*other.m_string);
    }
    return *this;
}

WideString operator+(const WideString& a, const WideString& b)
{
    WideString result(a);
    result.Append(b);
    return result;
}

bool WideString::IsEqual(const WideString& other, bool caseSensitive) const
{
    if (!m_string || !other.m_string) {
        return !m_string && !other.m_string;
    }
    if (caseSensitive) {
        return *m_string == *other.m_string;
    }
    return m_string->caseCompare(*other.m_string, U_FOLD_CASE_DEFAULT) == 0;
}

int WideString::Compare(const WideString& other, bool caseSensitive) const
{
    if (!m_string || !other.m_string) {
        return (m_string ? 1 : 0) - (other.m_string ? 1 : 0);
    }
    return caseSensitive ? m_string->compare(*other.m_string)
                         : m_string->caseCompare(*other.m_string, U_FOLD_CASE_DEFAULT);
}

int WideString::CompareN(const WideString& other, int32_t n, bool caseSensitive) const
{
    if (!m_string || !other.m_string) {
        return (m_string ? 1 : 0) - (other.m_string ? 1 : 0);
    }
    const icu::UnicodeString left(*m_string, 0, n);
    const icu::UnicodeString right(*other.m_string, 0, n);
    return caseSensitive ? left.compare(right) : left.caseCompare(right, U_FOLD_CASE_DEFAULT);
}

bool WideString::StartsWith(const WideString& prefix, bool caseSensitive) const
{
    if (!m_string || !prefix.m_string || prefix.GetLength() > GetLength()) {
        return false;
    }
    return CompareN(prefix, prefix.GetLength(), caseSensitive) == 0;
}

int32_t WideString::Find(const WideString& what, int32_t from) const
{
    if (!m_string || !what.m_string) {
        return -1;
    }
    return m_string->indexOf(*what.m_string, from);
}

int32_t WideString::FindLast(const WideString& what) const
{
    if (!m_string || !what.m_string) {
        return -1;
    }
    return m_string->lastIndexOf(*what.m_string);
}

WideString& WideString::Replace(const WideString& what, const WideString& with)
{
    if (m_string && what.m_string && !what.IsEmpty()) {
        m_string->findAndReplace(*what.m_string, with.m_string ? *with.m_string : icu::UnicodeString());
    }
    return *this;
}

WideString WideString::Substr(int32_t start, int32_t length) const
{
    if (!m_string) {
        return {};
    }
    icu::UnicodeString part;
    m_string->extract(start, length, part);
    return WideString(std::move(part));
}

WideString WideString::Trim() const
{
    if (!m_string) {
        return {};
    }
    icu::UnicodeString copy(*m_string);
    copy.trim();
    return WideString(std::move(copy));
}

WideString WideString::ToUpper() const
{
    if (!m_string) {
        return {};
    }
    icu::UnicodeString copy(*m_string);
    copy.toUpper();
    return WideString(std::move(copy));
}

char16_t* WideString::GetBuffer(int32_t units)
{
    return GetOrCreate().getBuffer(units);
}

void WideString::ReleaseBuffer(int32_t bytes)
{
    if (!m_string) {
        return;
    }
    m_string->releaseBuffer(bytes == SQL_NTS_BYTES ? -1 : bytes / 2);
}

std::string WideString::GetAsNarrow(EncodingType encoding) const
{
    if (IsEmpty()) {
        return {};
    }
    if (Platform* platform = GetPlatform()) {
        StringConverter& converter = platform->GetStringConverter();
        const int32_t size = converter.GetEncodedSize(*this, encoding);
        std::string result(static_cast<size_t>(size), '\0');
        int32_t written = 0;
        bool truncated = false;
        converter.ConvertToEncoding(*this, result.data(), size, encoding, written, truncated);
        result.resize(static_cast<size_t>(written));
        return result;
    }
    const char* name = GetEncodingName(encoding);
    const int32_t size = m_string->extract(0, m_string->length(), nullptr, 0, name);
    std::string result(static_cast<size_t>(size) + 1, '\0');
    m_string->extract(0, m_string->length(), result.data(), size + 1, name);
    result.resize(static_cast<size_t>(size));
    return result;
}

std::u16string WideString::GetAsU16String() const
{
    if (!m_string) {
        return {};
    }
    return std::u16string(m_string->getBuffer(), static_cast<size_t>(m_string->length()));
}

} // namespace Dravo::Support
