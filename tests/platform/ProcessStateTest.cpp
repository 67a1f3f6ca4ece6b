// Process-wide state is given back as a library of ours gives it back after
// each call: the newest first, and made anew on its next use.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ProcessState.h"

namespace Dravo::Test {
namespace {

std::vector<std::string> g_destroyed;

struct Recorded {
    explicit Recorded(std::string text) : name(std::move(text)) {}
    Recorded(const Recorded&) = delete;
    Recorded& operator=(const Recorded&) = delete;
    ~Recorded() { g_destroyed.push_back(name); }

    std::string name;
};

OS::ProcessState<Recorded> g_first{"first piece"};
OS::ProcessState<Recorded> g_second{"second piece"};

/// Our pieces in the order of the listing, each with "held" or "reset".
std::vector<std::string> Listing()
{
    std::vector<std::string> listing;
    for (const OS::ProcessStatePiece::Entry& entry : OS::ProcessStatePiece::ListAll()) {
        const std::string name = entry.name;
        if (name == "first piece" || name == "second piece") {
            listing.push_back(name + (entry.held ? " held" : " reset"));
        }
    }
    return listing;
}

TEST(ProcessStateTest, PiecesAreGivenBackNewestMadeFirstAndMadeAnewOnTheirNextUse)
{
    EXPECT_EQ(g_first.Find(), nullptr);
    EXPECT_TRUE(Listing().empty()) << "a piece that holds nothing yet is not listed";

    Recorded& first = g_first.Get("first");
    EXPECT_EQ(&g_first.Get("not made: there is one"), &first);
    EXPECT_EQ(first.name, "first");
    (void)g_second.Get("second");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"second piece held", "first piece held"}));

    g_destroyed.clear();
    OS::ProcessStatePiece::ForgetAll();
    // The newer piece may use the older one while it goes.
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"second", "first"}));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"second piece reset", "first piece reset"}));
    EXPECT_EQ(g_first.Find(), nullptr);

    // Made in the other order this time: forgotten in the other order too.
    EXPECT_EQ(g_second.Get("second again").name, "second again");
    (void)g_first.Get("first again");
    g_destroyed.clear();
    OS::ProcessStatePiece::ForgetAll();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"first again", "second again"}));
}

} // namespace
} // namespace Dravo::Test
