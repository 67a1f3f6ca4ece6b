// The terminal backend in a real terminal: the every-control test dialog run
// by the probe program under a private tmux server, driven by keys.
#include <csignal>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/ui/terminal/TmuxSession.h"

namespace Dravo::Test {
namespace {

std::string ProbePath()
{
    const char* binary = std::getenv("DRAVO_TEST_BINARY_DIR");
    return std::string(binary ? binary : ".") + "/tests/ui_terminal_probe";
}

class TerminalTmuxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TmuxSession::Available()) {
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        }
    }

    std::unique_ptr<TmuxSession> Start(
        const std::vector<std::string>& arguments = {}, TmuxSession::Options options = {})
    {
        std::vector<std::string> command{ProbePath()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        auto session = std::make_unique<TmuxSession>(command, options);
        // Ready when the alternate screen is on and the title is drawn.
        EXPECT_TRUE(session->WaitFor("Every Control")) << session->LastScreen();
        EXPECT_EQ(session->Format("#{alternate_on}"), "1");
        EXPECT_EQ(session->Format("#{pane_width}x#{pane_height}"),
            std::to_string(options.cols) + "x" + std::to_string(options.rows));
        return session;
    }

    /// Ends the run and checks the lines the probe printed after it gave the
    /// terminal back.
    static void ExpectExit(TmuxSession& session, int status, const std::vector<std::string>& lines)
    {
        EXPECT_EQ(session.WaitForExit(), status) << session.LastScreen();
        ASSERT_NE(session.LastScreen().find("end\n"), std::string::npos) << session.LastScreen();
        EXPECT_EQ(session.Format("#{alternate_on}"), "0");
        for (const std::string& line : lines) {
            EXPECT_NE(session.LastScreen().find(line + "\n"), std::string::npos) << "missing [" << line << "] in:\n"
                                                                                 << session.LastScreen();
        }
    }

    /// Escape alone must not run into the next key, which would read as Alt
    /// and that key; the probe waits 25 ms for one.
    static void AfterEscape() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }
};

TEST_F(TerminalTmuxTest, KeyboardDrivesEveryKindOfControl)
{
    auto session = Start();
    session->Text("ab");
    ASSERT_TRUE(session->WaitFor("Name:      startab")) << session->LastScreen();
    session->Key("Tab");
    session->Text("pw");
    ASSERT_TRUE(session->WaitFor("Password:  **")) << session->LastScreen();
    session->Key("Tab");
    session->Text("1x2");
    ASSERT_TRUE(session->WaitFor("Port:      12 ")) << session->LastScreen();
    session->Key("Tab");
    session->Key("Space");
    ASSERT_TRUE(session->WaitFor("[X] Enable extras")) << session->LastScreen();
    ASSERT_TRUE(session->WaitFor("extras on")) << session->LastScreen();
    session->Key("Tab");
    session->Key("Space");
    ASSERT_TRUE(session->WaitFor("\u2502 alpha")) << session->LastScreen();
    session->Key("Down");
    session->Key("Enter");
    ASSERT_TRUE(session->WaitFor("colour Gamma")) << session->LastScreen();
    session->Key("Tab");
    session->Key("Down");
    session->Key("Down");
    ASSERT_TRUE(session->WaitFor("item item 02")) << session->LastScreen();
    session->Key("Enter");
    ExpectExit(*session, 0,
        {"result=1", "name=startab", "password=pw", "port=12", "extras=1", "colour=Gamma", "item=item 02"});
}

TEST_F(TerminalTmuxTest, MessageBoxesAnswerTheirWayAndEscapeCancels)
{
    auto session = Start();
    session->Key("M-e");
    ASSERT_TRUE(session->WaitFor("[X] Enable extras")) << session->LastScreen();
    session->Key("M-a");
    ASSERT_TRUE(session->WaitFor("(?) Apply the extras?")) << session->LastScreen();
    EXPECT_NE(session->LastScreen().find("< Yes >  < No  >"), std::string::npos) << session->LastScreen();
    // A Yes/No box must be answered: Escape leaves it open.
    session->Key("Escape");
    AfterEscape();
    session->Key("y");
    ASSERT_TRUE(session->WaitFor("answer Yes")) << session->LastScreen();
    session->Key("M-a");
    ASSERT_TRUE(session->WaitFor("(?) Apply the extras?")) << session->LastScreen();
    session->Key("Enter");
    ASSERT_TRUE(session->WaitFor("answer No")) << session->LastScreen();
    session->Key("Escape");
    ExpectExit(*session, 0, {"result=0", "status=answer No"});
}

TEST_F(TerminalTmuxTest, ResizingRelayoutsAndRefusesATooSmallTerminal)
{
    auto session = Start();
    session->Resize(70, 11);
    ASSERT_TRUE(session->WaitUntil([](const std::string& screen) {
        return screen.find("Every Control") != std::string::npos && screen.find("\u25BC\n") != std::string::npos;
    })) << session->LastScreen();
    session->Resize(30, 20);
    ASSERT_TRUE(session->WaitFor("Terminal too small")) << session->LastScreen();
    EXPECT_NE(session->LastScreen().find("have 30 x 20"), std::string::npos) << session->LastScreen();
    session->Resize(80, 24);
    ASSERT_TRUE(session->WaitUntil([](const std::string& screen) {
        return screen.find("Every Control") != std::string::npos && screen.find("too small") == std::string::npos;
    })) << session->LastScreen();
    session->Key("Escape");
    ExpectExit(*session, 0, {"result=0"});
}

TEST_F(TerminalTmuxTest, TheBusyIndicatorShowsWhileTheProgramWorks)
{
    auto session = Start({"--busy"});
    ASSERT_TRUE(session->WaitFor(" Working...")) << session->LastScreen();
    session->Key("Escape");
    ExpectExit(*session, 0, {"result=0"});
}

TEST_F(TerminalTmuxTest, UntrustedTextIsDrawnEscaped)
{
    // ESC [31m, then A, an invalid byte, B and a wide character.
    auto session = Start({"--name-hex", "1b5b33316d41ff42e697a5"});
    EXPECT_NE(session->LastScreen().find("^[[31mA\uFFFDB\u65E5"), std::string::npos) << session->LastScreen();
    session->Key("Escape");
    ExpectExit(*session, 0, {"result=0"});
}

TEST_F(TerminalTmuxTest, PlainTerminalsAndMonochromeStillWork)
{
    for (const char* variable : {"NO_COLOR=1", "TERM=vt100", "LC_ALL=C"}) {
        SCOPED_TRACE(variable);
        TmuxSession::Options options;
        options.environment = {variable};
        auto session = Start({"--no-mouse"}, options);
        session->Key("Tab");
        session->Key("Tab");
        session->Text("42");
        ASSERT_TRUE(session->WaitFor("Port:      42")) << session->LastScreen();
        session->Key("Enter");
        ExpectExit(*session, 0, {"result=1", "port=42"});
    }
}

TEST_F(TerminalTmuxTest, AStopSignalGivesTheTerminalBack)
{
    auto session = Start();
    session->Signal(SIGTERM);
    ExpectExit(*session, 128 + SIGTERM, {"interrupted=15"});
}

TEST_F(TerminalTmuxTest, AProgramWhoseTerminalGoesAwayEnds)
{
    // The shell around the probe ignores hang-ups, as nohup would, so no
    // signal tells the probe that the terminal is gone: it must notice by
    // itself instead of spinning on a dead terminal.
    auto session = Start({"--busy"});
    const std::string shell = session->Format("#{pane_pid}");
    std::ifstream children("/proc/" + shell + "/task/" + shell + "/children");
    std::string probe;
    ASSERT_TRUE(children >> probe) << "the probe's process was not found";
    session->Run("kill-server");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        std::ifstream status("/proc/" + probe + "/stat");
        std::string pid;
        std::string name;
        char state = 'Z';
        ended = !(status >> pid >> name >> state) || state == 'Z';
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    EXPECT_TRUE(ended) << "the probe kept running after its terminal went away";
    if (!ended) {
        ::kill(std::stoi(probe), SIGKILL);
    }
}

TEST_F(TerminalTmuxTest, ChoosersAndChildDialogsRunInsideTheTerminal)
{
    const TempDir dir;
    std::ofstream(dir / "notes.txt") << "x";
    std::filesystem::create_directory(dir / "folder");
    TmuxSession::Options options;
    options.directory = dir.Path();
    auto session = Start({}, options);
    session->Key("M-b");
    ASSERT_TRUE(session->WaitFor("Pick a file")) << session->LastScreen();
    EXPECT_NE(session->LastScreen().find("notes.txt"), std::string::npos) << session->LastScreen();
    EXPECT_NE(session->LastScreen().find("folder/"), std::string::npos) << session->LastScreen();
    session->Text("notes.txt");
    session->Key("Enter");
    ASSERT_TRUE(session->WaitUntil([](const std::string& screen) {
        return screen.find("Pick a file") == std::string::npos && screen.find("notes.txt") != std::string::npos;
    })) << session->LastScreen();

    session->Key("M-h");
    ASSERT_TRUE(session->WaitFor(" Child ")) << session->LastScreen();
    session->Text("2");
    session->Key("Enter");
    ASSERT_TRUE(session->WaitFor("child 1 key2")) << session->LastScreen();
    session->Key("Escape");
    ExpectExit(*session, 0, {"result=0", "file=" + (dir.Path() / "notes.txt").string()});
}

} // namespace
} // namespace Dravo::Test
