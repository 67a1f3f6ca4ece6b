#include "identity/ProductDescriptionFile.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/TempDir.h"
#include "driversupport/PasswordEncryption.h"
#include "support/HexConversion.h"

namespace {

using Dravo::DriverSupport::ProductAttributes;
using Dravo::DriverSupport::ProductDescriptionFile;
using Dravo::Support::WideString;

void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

WideString PathOf(const std::filesystem::path& path)
{
    return WideString(path.string());
}

ProductAttributes ParseOnly(const std::string& xml)
{
    return ProductDescriptionFile::Parse(xml).attributes;
}

TEST(ProductDescriptionFileTest, FileKeyAndSaltGiveTheKnownCipherText)
{
    // Derived outside this code base, as for the password cipher.
    EXPECT_EQ(
        Dravo::Support::BinaryToHex(ProductDescriptionFile::Encipher("secret")), "1016425DD68F060026AC28765AE590E5");
}

TEST(ProductDescriptionFileTest, EncipheredFileBesideTheProgramIsReadOnce)
{
    Dravo::Test::TempDir directory;
    const auto path = directory / "VezurAVUZ.did";
    WriteFile(path,
        ProductDescriptionFile::Encipher(
            "<product>\n  <vendor-name>Acme</vendor-name>\n  <driver-name>My Driver: x/y</driver-name>\n</product>\n"));

    ProductDescriptionFile file(PathOf(path));
    EXPECT_EQ(file.GetAttribute(u"vendor-name"), u"Acme");
    EXPECT_EQ(file.GetAttribute(u"driver-name"), u"My Driver: x/y");
    EXPECT_EQ(file.GetAttribute(u"Vendor-Name"), u"");
    EXPECT_EQ(file.GetAttribute(u"product"), u"");
    EXPECT_EQ(file.GetAttributes().size(), 2U);

    // Never reloaded: a later change of the file is not seen.
    WriteFile(path, ProductDescriptionFile::Encipher("<p><vendor-name>Other</vendor-name></p>"));
    EXPECT_EQ(file.GetAttribute(u"vendor-name"), u"Acme");
    EXPECT_EQ(ProductDescriptionFile::Load(PathOf(path)).at(u"vendor-name"), u"Other");
}

TEST(ProductDescriptionFileTest, MissingUnreadableOrForeignFilesGiveNoAttributes)
{
    Dravo::Test::TempDir directory;
    EXPECT_TRUE(ProductDescriptionFile::Load(PathOf(directory / "absent.did")).empty());
    EXPECT_TRUE(ProductDescriptionFile::Load(PathOf(directory.Path())).empty());
    EXPECT_TRUE(ProductDescriptionFile::Load(WideString(u"")).empty());

    const auto plain = directory / "plain.did";
    WriteFile(plain, "<p><vendor-name>Plain</vendor-name></p>");
    EXPECT_TRUE(ProductDescriptionFile::Load(PathOf(plain)).empty());

    // Enciphered with another key: deciphers to noise that does not parse.
    const auto foreign = directory / "foreign.did";
    WriteFile(foreign, Dravo::DriverSupport::PasswordEncryption::EncryptBytes("<p><vendor-name>X</vendor-name></p>"));
    EXPECT_TRUE(ProductDescriptionFile::Load(PathOf(foreign)).empty());

    ProductDescriptionFile missing(PathOf(directory / "absent.did"));
    EXPECT_EQ(missing.GetAttribute(u"vendor-name"), u"");
    EXPECT_FALSE(missing.GetAttribute(u"vendor-name").IsNull());
}

TEST(ProductDescriptionFileTest, ValuesAreTrimmedAndTheLaterOfTwoWins)
{
    const ProductAttributes attributes = ParseOnly("<product>\n"
                                                   "  <vendor-name>  \n\t Acme Corp \r\n  </vendor-name>\n"
                                                   "  <version-number>1.0</version-number>\n"
                                                   "  <version-number>2.0</version-number>\n"
                                                   "  <empty></empty><single/>\n"
                                                   "</product>");
    EXPECT_EQ(attributes.at(u"vendor-name"), u"Acme Corp");
    EXPECT_EQ(attributes.at(u"version-number"), u"2.0");
    EXPECT_EQ(attributes.at(u"empty"), u"");
    EXPECT_EQ(attributes.at(u"single"), u"");
    EXPECT_EQ(attributes.count(u"product"), 0U);
}

TEST(ProductDescriptionFileTest, TextDirectlyInTheRootFollowsTheCollectingRules)
{
    // Before an element and not starting a line: becomes the value's front.
    EXPECT_EQ(ParseOnly("<p>lead <a>value</a></p>").at(u"a"), u"lead value");
    // After an element's end: dropped with the root's own end.
    const ProductAttributes after = ParseOnly("<p><a>value</a> trailing</p>");
    EXPECT_EQ(after.at(u"a"), u"value");
    EXPECT_EQ(after.size(), 1U);
    // A piece that starts with a line feed is dropped whole; the parser hands
    // over each line feed as a piece of its own.
    EXPECT_EQ(ParseOnly("<p>\n<a>value</a></p>").at(u"a"), u"value");
    EXPECT_EQ(ParseOnly("<p>\nlead<a>value</a></p>").at(u"a"), u"leadvalue");
    // Nested elements: only the innermost stores; its parent's name is gone.
    const ProductAttributes nested = ParseOnly("<p><group><a>1</a></group><b>2</b></p>");
    EXPECT_EQ(nested.at(u"a"), u"1");
    EXPECT_EQ(nested.at(u"b"), u"2");
    EXPECT_EQ(nested.count(u"group"), 0U);
    // Entities and non-ASCII text arrive decoded.
    EXPECT_EQ(ParseOnly("<p><n>A &amp; B \xC3\xA9</n></p>").at(u"n"), WideString("A & B \xC3\xA9"));
}

TEST(ProductDescriptionFileTest, MalformedXmlKeepsThePairsBeforeTheError)
{
    const auto parsed = ProductDescriptionFile::Parse("<p>\n<a>1</a>\n<b>2</c>\n<d>4</d></p>");
    EXPECT_EQ(parsed.attributes.at(u"a"), u"1");
    EXPECT_EQ(parsed.attributes.count(u"d"), 0U);
    EXPECT_FALSE(parsed.error.empty());
    EXPECT_EQ(parsed.errorLine, 3U);
    EXPECT_TRUE(ProductDescriptionFile::Parse("<p><a>1</a></p>").error.empty());
    EXPECT_TRUE(ProductDescriptionFile::Parse("").attributes.empty());
}

TEST(ProductDescriptionFileTest, DecipheringStopsAtTheFirstBlockWithValidPadding)
{
    // Whole blocks, the last one all padding: read to the end.
    const std::string twoBlocks(32, 'x');
    auto deciphered = ProductDescriptionFile::Decipher(ProductDescriptionFile::Encipher(twoBlocks));
    EXPECT_EQ(deciphered.text, twoBlocks);
    EXPECT_TRUE(deciphered.isComplete);

    // A middle block that ends like padding ends the reading there, its
    // "padding" removed.
    const std::string text = std::string(31, 'a') + "\x01" + std::string(20, 'b');
    deciphered = ProductDescriptionFile::Decipher(ProductDescriptionFile::Encipher(text));
    EXPECT_EQ(deciphered.text, std::string(31, 'a'));
    EXPECT_TRUE(deciphered.isComplete);

    // A cut file: each block is released when the next piece arrives, and
    // the one held back at the end is lost.
    const std::string content = ProductDescriptionFile::Encipher(std::string(40, 'c'));
    deciphered = ProductDescriptionFile::Decipher(std::string_view(content).substr(0, 40));
    EXPECT_EQ(deciphered.text, std::string(32, 'c'));
    EXPECT_FALSE(deciphered.isComplete);
    deciphered = ProductDescriptionFile::Decipher(std::string_view(content).substr(0, 32));
    EXPECT_EQ(deciphered.text, std::string(16, 'c'));
    EXPECT_FALSE(deciphered.isComplete);

    deciphered = ProductDescriptionFile::Decipher("");
    EXPECT_EQ(deciphered.text, "");
    EXPECT_FALSE(deciphered.isComplete);
}

TEST(ProductDescriptionFileTest, OversizedFileIsReadOnlyUpToTheLimit)
{
    Dravo::Test::TempDir directory;
    const auto path = directory / "big.did";
    std::string xml = "<p><vendor-name>Big</vendor-name><!--";
    xml.append(ProductDescriptionFile::MAX_FILE_SIZE, 'x');
    xml += "--><driver-name>Late</driver-name></p>";
    WriteFile(path, ProductDescriptionFile::Encipher(xml));
    const ProductAttributes attributes = ProductDescriptionFile::Load(PathOf(path));
    EXPECT_EQ(attributes.at(u"vendor-name"), u"Big");
    EXPECT_EQ(attributes.count(u"driver-name"), 0U);
}

} // namespace
