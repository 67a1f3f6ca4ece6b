// The dravo-did companion program, run as a user runs it.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"
#include "identity/ProductDescriptionFile.h"

namespace {

using Dravo::Test::ProgramRun;
using Dravo::Test::RunProgram;

const std::string SAMPLE_XML = "<product>\n"
                               "  <vendor-name>Acme</vendor-name>\n"
                               "  <driver-name>My Driver: x/y</driver-name>\n"
                               "</product>\n";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

ProgramRun Did(const std::vector<std::string>& arguments)
{
    return RunProgram(Dravo::Test::BuiltProgram("bin/dravo-did"), arguments);
}

class DidToolTest : public ::testing::Test {
protected:
    Dravo::Test::TempDir m_directory;
    std::filesystem::path m_xml = m_directory / "in.xml";
    std::filesystem::path m_did = m_directory / "VezurAVUZ.did";
};

TEST_F(DidToolTest, EncryptThenDecryptAndListGiveTheTextBack)
{
    WriteFile(m_xml, SAMPLE_XML);
    const ProgramRun encrypted = Did({"encrypt", m_xml.string(), m_did.string()});
    ASSERT_EQ(encrypted.exitCode, 0) << encrypted.errors;
    EXPECT_NE(encrypted.output.find("2 attributes"), std::string::npos);
    EXPECT_EQ(ReadFile(m_did), Dravo::DriverSupport::ProductDescriptionFile::Encipher(SAMPLE_XML));

    const ProgramRun toOutput = Did({"decrypt", m_did.string()});
    EXPECT_EQ(toOutput.exitCode, 0);
    EXPECT_EQ(toOutput.output, SAMPLE_XML);

    const auto back = m_directory / "back.xml";
    EXPECT_EQ(Did({"decrypt", m_did.string(), back.string()}).exitCode, 0);
    EXPECT_EQ(ReadFile(back), SAMPLE_XML);

    const ProgramRun listed = Did({"list", m_did.string()});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.output, "driver-name=My Driver: x/y\nvendor-name=Acme\n");
}

TEST_F(DidToolTest, BadInputIsNamedAndNothingIsWritten)
{
    const ProgramRun missing = Did({"encrypt", m_xml.string(), m_did.string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errors.find(m_xml.string()), std::string::npos) << missing.errors;

    WriteFile(m_xml, "<product>\n<vendor-name>Acme</vendor>\n</product>\n");
    const ProgramRun malformed = Did({"encrypt", m_xml.string(), m_did.string()});
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_NE(malformed.errors.find(m_xml.string() + ":2:"), std::string::npos) << malformed.errors;
    EXPECT_FALSE(std::filesystem::exists(m_did));

    WriteFile(m_did, "not enciphered at all");
    const ProgramRun foreign = Did({"decrypt", m_did.string()});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_NE(foreign.errors.find("cannot be deciphered"), std::string::npos) << foreign.errors;

    // Nothing but the two files the test wrote.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_directory.Path()), {}), 2);
}

TEST_F(DidToolTest, TheInputIsNeverOverwritten)
{
    WriteFile(m_xml, SAMPLE_XML);
    const ProgramRun same = Did({"encrypt", m_xml.string(), m_xml.string()});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_EQ(ReadFile(m_xml), SAMPLE_XML);

    ASSERT_EQ(Did({"encrypt", m_xml.string(), m_did.string()}).exitCode, 0);
    const std::string content = ReadFile(m_did);
    EXPECT_EQ(Did({"decrypt", m_did.string(), m_did.string()}).exitCode, 1);
    EXPECT_EQ(ReadFile(m_did), content);
}

TEST_F(DidToolTest, TextThatWouldBeReadCutShortIsRefused)
{
    // The second block ends in nine tabs, which deciphers like padding.
    const std::string xml =
        "<product>" + std::string(14, ' ') + std::string(9, '\t') + "<vendor-name>Acme</vendor-name></product>";
    WriteFile(m_xml, xml);
    const ProgramRun refused = Did({"encrypt", m_xml.string(), m_did.string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("up to byte 23"), std::string::npos) << refused.errors;
    EXPECT_FALSE(std::filesystem::exists(m_did));
}

TEST_F(DidToolTest, UsageErrorsAndHelp)
{
    EXPECT_EQ(Did({}).exitCode, 2);
    EXPECT_EQ(Did({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Did({"encrypt", "only-one"}).exitCode, 2);
    const ProgramRun help = Did({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("dravo-did encrypt IN.xml OUT.did"), std::string::npos);
}

} // namespace
