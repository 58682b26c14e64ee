#include "logic/wide_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(WideText, AppendsWhatFitsAndReportsACut)
{
    struct Case {
        const wchar_t* start;
        const wchar_t* appended;
        const wchar_t* expected;
        bool fits;
    };
    const Case cases[] = {
        {L"", L"abc", L"abc", true},
        {L"ab", L"c", L"abc", true},
        {L"ab", L"cde", L"abcd", false}, // capacity 5 holds 4 characters
        {L"abcd", L"e", L"abcd", false},
        {L"abcd", L"", L"abcd", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " appended " << c.appended);
        wchar_t buffer[6] = L"";
        std::wstring(c.start).copy(buffer, 5);
        buffer[5] = L'!'; // a guard just past the capacity handed over
        EXPECT_EQ(AppendText(buffer, 5, c.appended), c.fits);
        EXPECT_EQ(std::wstring(buffer), c.expected);
        EXPECT_EQ(buffer[5], L'!');
    }
}

TEST(WideText, SetTextReplacesAndAppendsTakeALength)
{
    wchar_t buffer[8] = L"old";
    EXPECT_TRUE(SetText(buffer, L"new"));
    EXPECT_TRUE(AppendText(buffer, 8, L"xyz123", 2));
    EXPECT_EQ(std::wstring(buffer), L"newxy");
}
