// The optional product description file beside the program: an enciphered XML
// text whose elements name product attributes (vendor and driver names,
// feature switches). It is read once; a file that is missing, unreadable or
// not XML is no error and simply supplies fewer attributes, possibly none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "support/WideString.h"

namespace Dravo::DriverSupport {

/// Attribute name to value, names compared case-sensitively.
using ProductAttributes = std::map<Support::WideString, Support::WideString, Support::WideStringLess>;

/// The outcome of parsing a deciphered text. The attributes gathered before a
/// syntax error are kept; error is empty when the whole text parsed.
struct ParsedDescription {
    ProductAttributes attributes;
    std::string error;
    uint64_t errorLine = 0;
};

/// A deciphered text; isComplete tells whether the reading ended on a block
/// with valid padding rather than at the end of the input.
struct DecipheredText {
    std::string text;
    bool isComplete = false;
};

class ProductDescriptionFile {
public:
    /// Bigger files are read no further: a real one holds a few hundred bytes.
    static constexpr size_t MAX_FILE_SIZE = 1024 * 1024;

    /// Reads nothing until the first lookup.
    explicit ProductDescriptionFile(Support::WideString path);
    ProductDescriptionFile(const ProductDescriptionFile&) = delete;
    ProductDescriptionFile& operator=(const ProductDescriptionFile&) = delete;

    /// Loads the file on the first call (once, under a lock), then returns the
    /// value stored under exactly this name, or an empty text.
    [[nodiscard]] Support::WideString GetAttribute(const Support::WideString& name);
    [[nodiscard]] const ProductAttributes& GetAttributes();
    [[nodiscard]] const Support::WideString& GetPath() const { return m_path; }

    /// Reads, deciphers and parses a file now. Never raises.
    [[nodiscard]] static ProductAttributes Load(const Support::WideString& path);

    /// Deciphers as the loader does, from pieces of at most 16 bytes that read
    /// supplies (0 ends the input). Deciphering ends at the first block that
    /// carries valid padding, which is normally the file's last.
    [[nodiscard]] static DecipheredText Decipher(const std::function<size_t(char* buffer, size_t size)>& read);
    [[nodiscard]] static DecipheredText Decipher(std::string_view fileContent);
    /// Enciphers an XML text into file content.
    [[nodiscard]] static std::string Encipher(std::string_view xmlText);
    /// Gathers the attributes of a deciphered text. Character data met since
    /// the last end of an element becomes the front of the next element's
    /// value, and a piece of character data that starts with a line feed is
    /// dropped whole: the driver reads these files by the same rules.
    [[nodiscard]] static ParsedDescription Parse(std::string_view xmlText);

private:
    Support::WideString m_path;
    std::mutex m_lock;
    bool m_loaded = false;
    ProductAttributes m_attributes;
};

} // namespace Dravo::DriverSupport
