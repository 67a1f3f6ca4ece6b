#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/FileFaults.h"
#include "platform/Thread.h"
#include "support/DSIFileLogger.h"
#include "support/DSISettings.h"
#include "support/FileHandler.h"
#include "support/MessageSource.h"
#include "tests/common/TempDir.h"

namespace Support = Dravo::Support;
namespace OS = Dravo::OS;
using Support::DSIFileLogger;
using Support::LogSettings;
using Support::WideString;

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

LogSettings SettingsIn(const Dravo::Test::TempDir& dir, int32_t level = 6, uint32_t maxSize = 0, uint32_t count = 5)
{
    LogSettings settings;
    settings.level = level;
    settings.directory = dir.Path().string() + "/";
    settings.maxFileSize = maxSize;
    settings.fileCount = count;
    return settings;
}

const std::regex LINE_PATTERN(R"(^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d \d\d:\d\d:\d\d\.\d{3} )"
                              R"((OFF  |FATAL|ERROR|WARN |INFO |DEBUG|TRACE) (\d+) ([^ ]+::[^ ]+): (.*)$)");

TEST(DSIFileLoggerTest, LinesCarryTimeLevelThreadAndPlace)
{
    const Dravo::Test::TempDir dir;
    {
        DSIFileLogger logger(WideString(u"tool.log"), SettingsIn(dir));
        logger.LogDebug("Dravo::DSI", "DSIFileLoggerTest", "Lines", "value %d of %s", 42, "x");
        logger.LogFatal("Dravo::DSI", "C", "F", "fatal");
        logger.LogError("Dravo::DSI", "C", "F", "error");
        logger.LogWarning("Dravo::DSI", "C", "F", "warning");
        logger.LogInfo("Dravo::DSI", "C", "F", "info");
        logger.LogTrace("Dravo::DSI", "C", "F", "trace");
        logger.LogFunctionEntrance("Dravo::DriverSupport", "DSDSNConfiguration", "Load");
        logger.LogInfo("Dravo::DSI", "Odd%sClass", "F%n", "100%% sure");
    }
    const auto lines = LinesOf(ReadAll(dir / "tool.log"));
    ASSERT_EQ(lines.size(), 8U);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, LINE_PATTERN)) << lines[0];
    EXPECT_EQ(match[2], "DEBUG");
    EXPECT_EQ(match[3], std::to_string(OS::GetCurrentThreadId()));
    EXPECT_EQ(match[4], "DSIFileLoggerTest::Lines");
    EXPECT_EQ(match[5], "value 42 of x");
    const char* levels[] = {"FATAL", "ERROR", "WARN ", "INFO ", "TRACE", "TRACE", "INFO "};
    for (size_t i = 1; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], match, LINE_PATTERN)) << lines[i];
        EXPECT_EQ(match[2], levels[i - 1]);
    }
    EXPECT_TRUE(lines[6].ends_with(" DSDSNConfiguration::Load: +++++ enter +++++"));
    // Names are text, never conversions.
    EXPECT_TRUE(lines[7].ends_with(" Odd%sClass::F%n: 100% sure"));
}

TEST(DSIFileLoggerTest, LevelAndNamespaceFilter)
{
    const Dravo::Test::TempDir dir;
    {
        DSIFileLogger logger(WideString(u"filter.log"), SettingsIn(dir, 3));
        EXPECT_EQ(logger.GetLogLevel(), 3);
        logger.LogInfo("Dravo::DSI", "C", "F", "info dropped");
        logger.LogFunctionEntrance("Dravo::DSI", "C", "F");
        logger.LogWarning("Dravo::DSI", "C", "F", "warning kept");
        logger.SetLogNamespace("Dravo::VezurAVUZ");
        logger.LogWarning("Dravo::VezurAVUZ", "C", "F", "product kept");
        logger.LogWarning("Dravo::DSI", "C", "F", "other dropped");
        logger.LogWarning("Dravo::Vezur", "C", "F", "shorter dropped");
        logger.LogWarning(nullptr, "C", "F", "no namespace dropped");
        logger.SetLogNamespace("");
        logger.LogWarning(nullptr, "C", "F", "no namespace kept");
        logger.SetLogLevel(0);
        logger.LogFatal("Dravo::DSI", "C", "F", "fatal dropped at Off");
    }
    const std::string text = ReadAll(dir / "filter.log");
    EXPECT_EQ(LinesOf(text).size(), 3U);
    EXPECT_NE(text.find("warning kept"), std::string::npos);
    EXPECT_NE(text.find("product kept"), std::string::npos);
    EXPECT_NE(text.find("no namespace kept"), std::string::npos);
    EXPECT_EQ(text.find("dropped"), std::string::npos);
}

class PrefixingMessageSource : public Support::IMessageSource {
public:
    void LoadMessage(const std::string& locale, const WideString& key, int32_t, const std::vector<WideString>&,
        WideString& out, int32_t& native) override
    {
        out = WideString(locale) + u": formatted " + key;
        native = 1;
    }
    void LoadMessage(
        const std::string& locale, const WideString& key, int32_t, WideString& out, int32_t& native) override
    {
        out = WideString(locale) + u": formatted " + key;
        native = 1;
    }
    Support::MessageFileRegistry& GetRegistry() override { return m_registry; }

private:
    Support::MessageFileRegistry m_registry;
};

TEST(DSIFileLoggerTest, ExceptionsAreLoggedAtErrorLevelInTheirBestForm)
{
    const Dravo::Test::TempDir dir;
    const Support::ProductException error(Support::SUPPORT_COMPONENT_ID, WideString(u"RegKeyNotFound"));
    {
        DSIFileLogger quiet(WideString(u"quiet.log"), SettingsIn(dir, 1));
        quiet.LogErrorException("Dravo::DSI", "C", "F", error);
        EXPECT_FALSE(std::filesystem::exists(dir / "quiet.log")); // nothing written, nothing opened

        LogSettings settings = SettingsIn(dir, 2);
        settings.locale = "de-DE";
        DSIFileLogger logger(WideString(u"errors.log"), settings);
        EXPECT_EQ(logger.GetLocale(), "de-DE");
        logger.LogErrorException("Dravo::DSI", "C", "F", error);
        PrefixingMessageSource source;
        Support::SetProcessMessageSource(&source);
        logger.LogErrorException("Dravo::DSI", "C", "F", error);
        Support::SetProcessMessageSource(nullptr);
    }
    const auto lines = LinesOf(ReadAll(dir / "errors.log"));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_TRUE(lines[0].ends_with(" ERROR " + std::to_string(OS::GetCurrentThreadId())
        + " C::F: Unformatted ErrorException: {MessageKey=\"RegKeyNotFound\" ComponentID=3' RowNumber=UNKNOWN "
          "ColumnNumber=UNKNOWN DiagState=63}"))
        << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" C::F: de-DE: formatted RegKeyNotFound")) << lines[1];
    EXPECT_FALSE(error.IsFormatted());
}

TEST(DSIFileLoggerTest, GenerationNames)
{
    const auto name = [](const char16_t* base, uint32_t generation) {
        return Support::RotatingLogFile::MakeGenerationName(WideString(base), generation).GetAsUTF8();
    };
    EXPECT_EQ(name(u"/logs/x.log", 0), "/logs/x.log");
    EXPECT_EQ(name(u"/logs/x.log", 2), "/logs/x.2.log");
    EXPECT_EQ(name(u"/logs/tool_DriverConfig.log", 12), "/logs/tool_DriverConfig.12.log");
    EXPECT_EQ(name(u"/logs/a.b.c", 1), "/logs/a.b.1.c");
    EXPECT_EQ(name(u"/logs/.log", 1), "/logs/.log.1");
    EXPECT_EQ(name(u"/logs.d/noext", 1), "/logs.d/noext.1");
    EXPECT_EQ(name(u"plain.txt", 3), "plain.3.txt");

    const Support::RotatingLogFile file(WideString(u"/logs/x.log"), 10, 3);
    EXPECT_EQ(file.GetFileName(0), WideString(u"/logs/x.log"));
    EXPECT_EQ(file.GetFileName(1), WideString(u"/logs/x.1.log"));
    try {
        Support::RotatingLogFile none(WideString(u"/logs/x.log"), 10, 0);
        FAIL();
    } catch (const Support::InvalidArgumentException& e) {
        EXPECT_EQ(e.GetMessageKey(), WideString(u"InvalidArgument"));
        EXPECT_EQ(e.GetComponentId(), 3);
        EXPECT_EQ(e.GetDiagState(), 63);
        ASSERT_EQ(e.GetParameters().size(), 2U);
        EXPECT_EQ(e.GetParameters()[0], WideString(u"FileHandler"));
        EXPECT_EQ(e.GetParameters()[1], WideString(u"32"));
    }
}

TEST(DSIFileLoggerTest, RotatesBySizeKeepingCountGenerations)
{
    const Dravo::Test::TempDir dir;
    const std::string padding(100, '.');
    {
        // Lines of about 150 bytes: a file reaches 250 bytes with its second line.
        DSIFileLogger logger(WideString(u"rot.log"), SettingsIn(dir, 6, 250, 3));
        for (int i = 0; i < 9; ++i) {
            logger.LogInfo("Dravo::DSI", "C", "F", "%s line %d", padding.c_str(), i);
        }
    }
    const auto current = LinesOf(ReadAll(dir / "rot.log"));
    const auto older = LinesOf(ReadAll(dir / "rot.1.log"));
    const auto oldest = LinesOf(ReadAll(dir / "rot.2.log"));
    EXPECT_FALSE(std::filesystem::exists(dir / "rot.3.log"));
    ASSERT_EQ(current.size(), 1U);
    ASSERT_EQ(older.size(), 2U);
    ASSERT_EQ(oldest.size(), 2U);
    EXPECT_TRUE(current[0].ends_with("line 8"));
    EXPECT_TRUE(older[0].ends_with("line 6"));
    EXPECT_TRUE(oldest[1].ends_with("line 5"));
}

TEST(DSIFileLoggerTest, TheLargestCountCostsNothingUntilRotationAndKeepsItsMeaning)
{
    // The count a stored setting may hold: generations are named when a
    // rotation moves them, never all at once.
    const Dravo::Test::TempDir dir;
    {
        DSIFileLogger logger(WideString(u"big.log"), SettingsIn(dir, 6, 100, 4294967295U));
        EXPECT_EQ(logger.GetLogFile().GetFileCount(), 4294967295U);
        for (int i = 0; i < 4; ++i) {
            logger.LogInfo("Dravo::DSI", "C", "F", "%s %d", std::string(100, '.').c_str(), i);
        }
    }
    EXPECT_EQ(ReadAll(dir / "big.log"), "");
    EXPECT_TRUE(ReadAll(dir / "big.1.log").ends_with(" 3\r\n"));
    EXPECT_TRUE(ReadAll(dir / "big.4.log").ends_with(" 0\r\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "big.5.log"));

    // A smaller count later removes the generation it ends at, and moves
    // the rest up as ever.
    {
        DSIFileLogger logger(WideString(u"big.log"), SettingsIn(dir, 6, 100, 3));
        logger.LogInfo("Dravo::DSI", "C", "F", "%s %d", std::string(100, '.').c_str(), 4);
    }
    EXPECT_TRUE(ReadAll(dir / "big.1.log").ends_with(" 4\r\n"));
    EXPECT_TRUE(ReadAll(dir / "big.2.log").ends_with(" 3\r\n"));
    EXPECT_TRUE(ReadAll(dir / "big.4.log").ends_with(" 0\r\n")) << "beyond the count: left alone";
}

TEST(DSIFileLoggerTest, HeldLinesStayOffStandardErrorAndAreToldOnce)
{
    const Dravo::Test::TempDir dir;
    // Two levels that do not exist: only one is ever made.
    LogSettings settings = SettingsIn(dir);
    settings.directory = (dir / "no" / "such").string() + "/";
    DSIFileLogger logger(WideString(u"held.log"), settings);
    logger.HoldFallbackLines();
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        logger.LogTrace("Dravo::DSI", "C", "F", "line %d", i);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::optional<std::string> told = logger.ReleaseFallbackLines();
    ASSERT_TRUE(told);
    // The system's own words, which differ between systems.
    std::string reason = Support::GetSystemErrorText(OS::ERROR_PATH_NOT_FOUND_CODE).GetAsUTF8();
    if (reason.ends_with('.')) {
        reason.pop_back();
    }
    EXPECT_EQ(*told,
        "the log file " + settings.directory + "held.log cannot be written: " + reason
            + ". 3 lines of the log were lost.");
    EXPECT_FALSE(logger.ReleaseFallbackLines()) << "told once";

    // Not held: standard error, as before.
    testing::internal::CaptureStderr();
    logger.LogTrace("Dravo::DSI", "C", "F", "line %d", 3);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().ends_with(" C::F: line 3\n"));
    EXPECT_FALSE(logger.ReleaseFallbackLines());
}

TEST(DSIFileLoggerTest, OneGenerationRestartsEmptyAndSizeZeroNeverRotates)
{
    const Dravo::Test::TempDir dir;
    {
        DSIFileLogger single(WideString(u"one.log"), SettingsIn(dir, 6, 100, 1));
        for (int i = 0; i < 5; ++i) {
            single.LogInfo("Dravo::DSI", "C", "F", "%s %d", std::string(100, '.').c_str(), i);
        }
        DSIFileLogger unlimited(WideString(u"all.log"), SettingsIn(dir, 6, 0, 2));
        for (int i = 0; i < 50; ++i) {
            unlimited.LogInfo("Dravo::DSI", "C", "F", "line %d", i);
        }
    }
    EXPECT_EQ(ReadAll(dir / "one.log"), ""); // rotated after the last line
    EXPECT_FALSE(std::filesystem::exists(dir / "one.1.log"));
    EXPECT_EQ(LinesOf(ReadAll(dir / "all.log")).size(), 50U);
    EXPECT_FALSE(std::filesystem::exists(dir / "all.1.log"));
}

TEST(DSIFileLoggerTest, OpensLazilyAndFallsBackToStandardError)
{
    const Dravo::Test::TempDir dir;
    const auto logPath = dir / "lazy.log";
    const auto secret = dir / "secret.txt";
    std::ofstream(secret) << "secret";
    std::filesystem::create_symlink(secret, logPath);

    DSIFileLogger logger(WideString(u"lazy.log"), SettingsIn(dir));
    testing::internal::CaptureStderr();
    logger.LogInfo("Dravo::DSI", "C", "F", "to stderr %d", 1);
    const std::string captured = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(captured.ends_with(" C::F: to stderr 1\n")) << captured;
    EXPECT_EQ(ReadAll(secret), "secret"); // the planted link was not followed

    // The next message tries the file again.
    std::filesystem::remove(logPath);
    logger.LogInfo("Dravo::DSI", "C", "F", "to the file");
    EXPECT_TRUE(ReadAll(logPath).ends_with("to the file\r\n"));
}

TEST(DSIFileLoggerTest, FailedReopenAfterRotationRecoversLater)
{
    const Dravo::Test::TempDir dir;
    DSIFileLogger logger(WideString(u"re.log"), SettingsIn(dir, 6, 1, 2));
    logger.LogInfo("Dravo::DSI", "C", "F", "first"); // rotates at once
    int failures = 1;
    OS::SetFileFaultHook([&failures](OS::FileOperation operation, const std::u16string&) {
        return operation == OS::FileOperation::Open && failures-- > 0 ? OS::ERROR_SHARING_VIOLATION_CODE
                                                                      : OS::ERROR_SUCCESS_CODE;
    });
    testing::internal::CaptureStderr();
    logger.LogInfo("Dravo::DSI", "C", "F", "second"); // written, then the reopen fails
    logger.LogInfo("Dravo::DSI", "C", "F", "third"); // opens again
    const std::string captured = testing::internal::GetCapturedStderr();
    OS::SetFileFaultHook(nullptr);
    EXPECT_EQ(captured, "");
    EXPECT_TRUE(ReadAll(dir / "re.1.log").ends_with("third\r\n"));
    EXPECT_TRUE(ReadAll(dir / "re.1.log").find("second") == std::string::npos);
}

TEST(DSIFileLoggerTest, LinesFromManyThreadsStayWhole)
{
    const Dravo::Test::TempDir dir;
    constexpr int THREADS = 4;
    constexpr int LINES = 200;
    {
        DSIFileLogger logger(WideString(u"threads.log"), SettingsIn(dir, 6, 4096, 100));
        std::vector<std::thread> threads;
        for (int t = 0; t < THREADS; ++t) {
            threads.emplace_back([&logger, t] {
                for (int i = 0; i < LINES; ++i) {
                    logger.LogTrace(
                        "Dravo::DSI", "Worker", "Run", "thread %d line %d %s", t, i, "padding padding padding");
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    size_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        for (const std::string& line : LinesOf(ReadAll(entry.path()))) {
            EXPECT_TRUE(std::regex_match(line, LINE_PATTERN)) << line;
            ++total;
        }
    }
    EXPECT_EQ(total, static_cast<size_t>(THREADS * LINES));
}

// A settings source for the process-wide cache.
class MapReader : public Support::ISettingsReader {
public:
    explicit MapReader(Support::SettingsMap values, bool unqueryable = false)
        : m_values(std::move(values)), m_unqueryable(unqueryable)
    {
    }
    bool ReadKey(const std::string&, const WideString&, Support::SettingsMap& values) override
    {
        if (m_unqueryable) {
            throw Support::ProductException(Support::SUPPORT_COMPONENT_ID, WideString(u"RegKeyNotFound"));
        }
        values = m_values;
        return true;
    }

private:
    Support::SettingsMap m_values;
    bool m_unqueryable;
};

TEST(DSIFileLoggerTest, ConfiguredFromTheSupportSettings)
{
    const Dravo::Test::TempDir dir;
    Support::DSISettings::Create(WideString(u"V\\D"), WideString(u"Driver"));
    Support::DSISettings* settings = Support::DSISettings::Get();
    settings->SetReader(std::make_shared<MapReader>(
        Support::SettingsMap{{"LogPath", (dir / "logs").string()}, {"LogLevel", "LOG_WARNING"},
            {"LogNamespace", "Dravo::"}, {"LogFileSize", "1K"}, {"LogFileCount", "4"}, {"DriverLocale", "fr-FR"}}));
    {
        DSIFileLogger logger(WideString(u"Tool_DriverConfig.log"));
        EXPECT_EQ(logger.GetLogLevel(), 3);
        EXPECT_EQ(logger.GetLogNamespace(), "Dravo::");
        EXPECT_EQ(logger.GetLocale(), "fr-FR");
        EXPECT_EQ(logger.GetLogFile().GetMaxFileSize(), 1024U);
        EXPECT_EQ(logger.GetLogFile().GetFileCount(), 4U);
        logger.LogWarning("Dravo::DSI", "C", "F", "configured");
    }
    // The log directory is created, one level.
    EXPECT_TRUE(ReadAll(dir / "logs" / "Tool_DriverConfig.log").ends_with("configured\r\n"));

    // A key that cannot be read leaves the logger on its defaults.
    settings->SetReader(std::make_shared<MapReader>(Support::SettingsMap{}, true));
    {
        DSIFileLogger logger(WideString(u"unused.log"));
        EXPECT_EQ(logger.GetLogLevel(), 0);
        EXPECT_EQ(logger.GetLocale(), "en-US");
        EXPECT_EQ(logger.GetLogFile().GetFileName(0), WideString(u"./unused.log"));
    }
    settings->SetReader(nullptr);
}

// A settings source that fails in a way no reader is supposed to.
class BrokenReader : public Support::ISettingsReader {
public:
    bool ReadKey(const std::string&, const WideString&, Support::SettingsMap&) override
    {
        throw std::length_error("the settings are too long");
    }
};

TEST(DSIFileLoggerTest, ALoggerThatCannotBeSetUpLogsNothingAndSaysWhy)
{
    Support::DSISettings::Create(WideString(u"V\\D"), WideString(u"Driver"));
    Support::DSISettings* settings = Support::DSISettings::Get();
    settings->SetReader(std::make_shared<BrokenReader>());
    std::string failure;
    const auto logger = DSIFileLogger::CreateOrLogNothing(WideString(u"broken.log"), failure);
    settings->SetReader(nullptr);
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(failure, "the settings are too long");
    EXPECT_EQ(logger->GetLogLevel(), 0);

    const auto working = DSIFileLogger::CreateOrLogNothing(WideString(u"fine.log"), failure);
    EXPECT_EQ(failure, "");
}

} // namespace
