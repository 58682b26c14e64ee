#include "ui/center_window.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(CenteredPosition, CentresThenMovesBackInsideTheWorkArea)
{
    struct Case {
        const char* name;
        RECT reference;
        RECT workArea;
        LONG width;
        LONG height;
        POINT expected;
    };
    const RECT screen{0, 0, 1280, 1024};
    // clang-format off
    const Case cases[] = {
        {"centred on the work area", screen, screen, 400, 200, {440, 412}},
        {"centred on an owner", {100, 100, 500, 300}, screen, 200, 100, {200, 150}},
        {"clamped at the right and bottom", {1000, 800, 1400, 1100}, screen, 400, 200, {880, 824}},
        {"clamped at the left and top", {-300, -200, 100, 100}, screen, 400, 200, {0, 0}},
        {"wider and taller than the work area", screen, screen, 1400, 1100, {0, 0}},
        // (-1281 + 0) / 2 is -640 and (-1025 + 0) / 2 is -512: truncated toward zero.
        {"negative coordinates truncate toward zero", {-1281, -1025, 0, 0}, {-1281, -1025, 0, 0}, 401, 201,
         {-840, -612}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const POINT position = CenteredPosition(c.reference, c.workArea, c.width, c.height);
        EXPECT_EQ(position.x, c.expected.x);
        EXPECT_EQ(position.y, c.expected.y);
    }
}
