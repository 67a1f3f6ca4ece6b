// The text type of the whole system: a nullable handle that owns one ICU
// UnicodeString (UTF-16). A null string is distinct from an empty one; narrow
// text is UTF-8 unless an encoding index says otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <unicode/unistr.h>

namespace Dravo::Support {

/// Index into the encoding table (EncodingTable.h). 0 is UTF-8, the default.
using EncodingType = int32_t;
inline constexpr EncodingType ENC_UTF8 = 0;
inline constexpr EncodingType ENC_UTF16LE = 1;
inline constexpr EncodingType ENC_UTF16BE = 2;
inline constexpr EncodingType ENC_UTF32LE = 3;
inline constexpr EncodingType ENC_UTF32BE = 4;

/// Byte count meaning "up to the first zero unit" for buffer release and
/// narrow-text construction.
inline constexpr int32_t SQL_NTS_BYTES = -3;

/// The process-wide encoding used for narrow text.
EncodingType GetDefaultNarrowEncoding();

class WideString {
public:
    /// The null string.
    WideString() noexcept = default;
    /// From a zero-terminated UTF-16 text; a null pointer gives the null string.
    WideString(const char16_t* text);
    /// From a pointer and a count of code units; a null pointer gives null.
    WideString(const char16_t* text, int32_t units);
    WideString(std::u16string_view text);
    WideString(const std::u16string& text);
    /// From narrow text in the default encoding (zero-terminated); null gives null.
    WideString(const char* narrow);
    /// From narrow bytes in the given encoding; SQL_NTS_BYTES means zero-terminated.
    WideString(const char* narrow, int32_t bytes, EncodingType encoding = ENC_UTF8);
    WideString(const std::string& narrow, EncodingType encoding = ENC_UTF8);
    /// Adopts a ready string.
    explicit WideString(icu::UnicodeString&& adopted);

    WideString(const WideString& other);
    WideString(WideString&& other) noexcept = default;
    WideString& operator=(const WideString& other);
    WideString& operator=(WideString&& other) noexcept = default;
    ~WideString() = default;

    [[nodiscard]] bool IsNull() const noexcept { return !m_string; }
    /// True for null and for a string of no code units.
    [[nodiscard]] bool IsEmpty() const noexcept { return !m_string || m_string->isEmpty(); }
    [[nodiscard]] int32_t GetLength() const noexcept { return m_string ? m_string->length() : 0; }
    [[nodiscard]] int32_t GetLengthInBytes() const noexcept { return 2 * GetLength(); }

    /// Code unit at an index; the caller keeps the index in range.
    [[nodiscard]] char16_t CharAt(int32_t index) const { return m_string->charAt(index); }
    /// The code units, or nullptr for null. Not zero-terminated.
    [[nodiscard]] const char16_t* GetUnits() const noexcept;
    /// The underlying string; nullptr for null.
    [[nodiscard]] const icu::UnicodeString* GetICUString() const noexcept { return m_string.get(); }
    /// The underlying string, created empty when null.
    icu::UnicodeString& GetOrCreate();

    /// Concatenation: null + x and x + null give a copy of x; null + null gives null.
    WideString& Append(const WideString& other);
    WideString& operator+=(const WideString& other) { return Append(other); }
    friend WideString operator+(const WideString& a, const WideString& b);
    friend WideString operator+(const WideString& a, const char16_t* b) { return a + WideString(b); }
    friend WideString operator+(const char16_t* a, const WideString& b) { return WideString(a) + b; }

    /// Equality: two nulls are equal, null and non-null are not.
    [[nodiscard]] bool IsEqual(const WideString& other, bool caseSensitive = true) const;
    friend bool operator==(const WideString& a, const WideString& b) { return a.IsEqual(b, true); }
    friend bool operator==(const WideString& a, const char16_t* b) { return a.IsEqual(WideString(b), true); }

    /// Three-way comparison in code-unit order; null sorts before everything.
    /// Case-insensitive comparison uses ICU full case folding, default options.
    [[nodiscard]] int Compare(const WideString& other, bool caseSensitive = true) const;
    friend bool operator<(const WideString& a, const WideString& b) { return a.Compare(b) < 0; }
    /// Compares the first n code units of both strings.
    [[nodiscard]] int CompareN(const WideString& other, int32_t n, bool caseSensitive = true) const;
    [[nodiscard]] bool StartsWith(const WideString& prefix, bool caseSensitive = true) const;

    /// First and last index of a substring, -1 when absent or either side is null.
    [[nodiscard]] int32_t Find(const WideString& what, int32_t from = 0) const;
    [[nodiscard]] int32_t FindLast(const WideString& what) const;
    /// Replaces every occurrence; does nothing on null.
    WideString& Replace(const WideString& what, const WideString& with);
    [[nodiscard]] WideString Substr(int32_t start, int32_t length = INT32_MAX) const;
    /// Removes surrounding white space (Unicode white space, as ICU trims).
    [[nodiscard]] WideString Trim() const;
    [[nodiscard]] WideString ToUpper() const;

    /// Writable buffer of the given size in code units (creates an empty string
    /// when null); ReleaseBuffer ends the access with a length in bytes, or with
    /// SQL_NTS_BYTES for "up to the first zero unit".
    char16_t* GetBuffer(int32_t units);
    void ReleaseBuffer(int32_t bytes);

    /// Narrow text in an encoding (default: the default narrow encoding). Null
    /// and empty give the empty text.
    [[nodiscard]] std::string GetAsNarrow(EncodingType encoding) const;
    [[nodiscard]] std::string GetAsNarrow() const { return GetAsNarrow(GetDefaultNarrowEncoding()); }
    [[nodiscard]] std::string GetAsUTF8() const { return GetAsNarrow(ENC_UTF8); }
    [[nodiscard]] std::u16string GetAsU16String() const;

private:
    std::unique_ptr<icu::UnicodeString> m_string;
};

/// Strict weak order for maps keyed case-insensitively: ICU full case folding
/// with default options, then code-unit order.
struct WideStringCaseInsensitiveLess {
    bool operator()(const WideString& a, const WideString& b) const { return a.Compare(b, false) < 0; }
};

/// Code-unit order, case-sensitive.
struct WideStringLess {
    bool operator()(const WideString& a, const WideString& b) const { return a.Compare(b, true) < 0; }
};

} // namespace Dravo::Support
