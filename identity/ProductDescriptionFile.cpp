#include "identity/ProductDescriptionFile.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <expat.h>

#include "support/AesCbcCipher.h"
#include "support/ErrorException.h"
#include "support/FileHandler.h"

namespace Dravo::DriverSupport {

using Support::WideString;

namespace {

// The driver deciphers the same file with these constants.
constexpr std::string_view FILE_KEY = "Ty5@Ui2!Op9#As4$Df7%Gh1^Jk8&Lz3)";
constexpr AesCbcCipher::Salt FILE_SALT = {0x5A, 0x17, 0xC3, 0x08, 0x9E, 0x41, 0xB2, 0x6D};

const WideString EMPTY_TEXT(u"");

struct ParseState {
    XML_Parser parser = nullptr;
    WideString elementName = EMPTY_TEXT;
    WideString collectedText = EMPTY_TEXT;
    ProductAttributes* attributes = nullptr;
    bool failed = false;
};

WideString FromParser(const XML_Char* text, int length)
{
    return WideString(text, length, Support::GetDefaultNarrowEncoding());
}

// Nothing may unwind through Expat's C frames: a failure stops the parse and
// keeps what was gathered.
template <typename Action> void Guarded(ParseState& state, Action&& action)
{
    try {
        action();
    } catch (...) {
        state.failed = true;
        XML_StopParser(state.parser, XML_FALSE);
    }
}

void XMLCALL OnStartElement(void* userData, const XML_Char* name, const XML_Char** /*attributes*/)
{
    auto& state = *static_cast<ParseState*>(userData);
    Guarded(state, [&] { state.elementName = FromParser(name, Support::SQL_NTS_BYTES); });
}

void XMLCALL OnCharacterData(void* userData, const XML_Char* text, int length)
{
    auto& state = *static_cast<ParseState*>(userData);
    if (length <= 0 || text[0] == '\n') {
        return;
    }
    Guarded(state, [&] { state.collectedText.Append(FromParser(text, length)); });
}

void XMLCALL OnEndElement(void* userData, const XML_Char* /*name*/)
{
    auto& state = *static_cast<ParseState*>(userData);
    Guarded(state, [&] {
        if (!state.elementName.IsEmpty()) {
            (*state.attributes)[state.elementName] = state.collectedText.Trim();
        }
        state.elementName = EMPTY_TEXT;
        state.collectedText = EMPTY_TEXT;
    });
}

} // namespace

ProductDescriptionFile::ProductDescriptionFile(WideString path) : m_path(std::move(path)) {}

const ProductAttributes& ProductDescriptionFile::GetAttributes()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_loaded) {
        m_attributes = Load(m_path);
        m_loaded = true;
    }
    return m_attributes;
}

WideString ProductDescriptionFile::GetAttribute(const WideString& name)
{
    const ProductAttributes& attributes = GetAttributes();
    const auto found = attributes.find(name);
    return found == attributes.end() ? EMPTY_TEXT : found->second;
}

ProductAttributes ProductDescriptionFile::Load(const WideString& path)
{
    std::string text;
    try {
        Support::FileHandler file(path, Support::FILE_MODE_READ);
        size_t total = 0;
        text = Decipher([&](char* buffer, size_t size) -> size_t {
            if (total >= MAX_FILE_SIZE) {
                return 0;
            }
            const size_t read = file.Read(buffer, std::min(size, MAX_FILE_SIZE - total));
            total += read;
            return read;
        }).text;
    } catch (const Support::ErrorException&) {
        // A missing or unreadable file supplies no attributes.
    }
    if (text.empty()) {
        return {};
    }
    return Parse(text).attributes;
}

DecipheredText ProductDescriptionFile::Decipher(const std::function<size_t(char*, size_t)>& read)
{
    DecipheredText result;
    std::string& text = result.text;
    try {
        AesCbcCipher cipher(AesCbcCipher::Direction::Decrypt, FILE_KEY, FILE_SALT);
        char block[AesCbcCipher::BLOCK_SIZE];
        for (;;) {
            const size_t count = read(block, sizeof block);
            if (count == 0) {
                break;
            }
            if (!cipher.Update(std::string_view(block, std::min(count, sizeof block)), text)) {
                break;
            }
            const size_t before = text.size();
            // Ending at the first block with valid padding is how the driver
            // reads these files too; the companion tool refuses texts that
            // would end early.
            result.isComplete = cipher.Final(text);
            if (result.isComplete && text.size() > before) {
                break;
            }
        }
    } catch (const Support::ErrorException&) {
        // Whatever was deciphered so far stays.
    }
    return result;
}

DecipheredText ProductDescriptionFile::Decipher(std::string_view fileContent)
{
    return Decipher([&fileContent](char* buffer, size_t size) -> size_t {
        const size_t count = std::min(size, fileContent.size());
        std::copy_n(fileContent.data(), count, buffer);
        fileContent.remove_prefix(count);
        return count;
    });
}

std::string ProductDescriptionFile::Encipher(std::string_view xmlText)
{
    AesCbcCipher cipher(AesCbcCipher::Direction::Encrypt, FILE_KEY, FILE_SALT);
    std::string content;
    if (!cipher.Update(xmlText, content) || !cipher.Final(content)) {
        throw Support::ErrorException(
            Support::DIAG_GENERAL_ERROR, Support::DS_COMPONENT_ID, "DSCipherError", {"EVP_Encrypt"});
    }
    return content;
}

ParsedDescription ProductDescriptionFile::Parse(std::string_view xmlText)
{
    ParsedDescription result;
    if (xmlText.empty()) {
        return result;
    }
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
        XML_ParserCreate(nullptr), &XML_ParserFree);
    if (!parser) {
        result.error = "out of memory";
        return result;
    }
    ParseState state;
    state.parser = parser.get();
    state.attributes = &result.attributes;
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), &OnStartElement, &OnEndElement);
    XML_SetCharacterDataHandler(parser.get(), &OnCharacterData);

    // Expat takes an int length; the loader never reads more than MAX_FILE_SIZE.
    const auto length = static_cast<int>(std::min<size_t>(xmlText.size(), INT_MAX));
    if (XML_Parse(parser.get(), xmlText.data(), length, XML_TRUE) != XML_STATUS_OK) {
        result.error = state.failed ? "text that cannot be converted" : XML_ErrorString(XML_GetErrorCode(parser.get()));
        result.errorLine = XML_GetCurrentLineNumber(parser.get());
    }
    return result;
}

} // namespace Dravo::DriverSupport
