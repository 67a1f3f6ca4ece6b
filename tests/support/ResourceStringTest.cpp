#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "support/ErrorException.h"
#include "support/ResourceString.h"

namespace Support = Dravo::Support;
using Support::WideString;

namespace {

// A loader over one text with the platform's truncating copy; counts calls.
struct CountingLoader {
    std::u16string text;
    int calls = 0;

    int32_t operator()(uint32_t, char16_t* buffer, int32_t size)
    {
        ++calls;
        const size_t copied = std::min(text.size(), static_cast<size_t>(size - 1));
        std::copy_n(text.data(), copied, buffer);
        buffer[copied] = 0;
        return static_cast<int32_t>(copied);
    }
};

TEST(ResourceStringTest, LongTextsGrowTheBufferUntilTheyFit)
{
    struct Case {
        size_t length;
        int calls;
    };
    for (const Case c :
        {Case{2045, 1}, Case{2046, 1}, Case{2047, 2}, Case{2048, 2}, Case{4094, 2}, Case{4095, 3}, Case{5000, 3}}) {
        CountingLoader loader{std::u16string(c.length, u'x')};
        const WideString text = Support::LoadResourceString(7, std::ref(loader));
        EXPECT_EQ(text.GetLength(), static_cast<int32_t>(c.length));
        EXPECT_EQ(loader.calls, c.calls) << c.length;
    }
}

TEST(ResourceStringTest, MissingEntriesGiveTheFallbackText)
{
    EXPECT_EQ(Support::LoadResourceString(138), WideString(u" (32 bit)"));
    EXPECT_EQ(Support::LoadResourceString(9101), WideString(u"DSN Configuration Error"));
    EXPECT_EQ(Support::LoadResourceString(0xFFFFFFF0U), WideString(u"Error loading the string."));
    CountingLoader empty;
    EXPECT_EQ(Support::LoadResourceString(1, std::ref(empty)), WideString(u"Error loading the string."));
    // A loader that claims more than the buffer holds is not trusted.
    EXPECT_EQ(Support::LoadResourceString(1, [](uint32_t, char16_t*, int32_t size) { return size + 1; }),
        WideString(u"Error loading the string."));
}

TEST(ResourceStringTest, RaisesTheStringResourceError)
{
    try {
        Support::RaiseStringResourceError(1092);
    } catch (const Support::ErrorException& e) {
        EXPECT_EQ(e.GetMessageKey(), WideString(u"DSStringResourceError"));
        EXPECT_EQ(e.GetComponentId(), 110);
        EXPECT_EQ(e.GetDiagState(), 63);
        EXPECT_EQ(e.GetRowNumber(), -1);
        EXPECT_EQ(e.GetColumnNumber(), -1);
        ASSERT_EQ(e.GetParameters().size(), 1U);
        EXPECT_EQ(e.GetParameters()[0], WideString(u"1092"));
        return;
    }
    FAIL();
}

} // namespace
