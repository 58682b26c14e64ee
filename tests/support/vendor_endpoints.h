#pragma once

#include "logic/endpoints.h"

// The endpoints the program ships with, which the tests on the fake platform
// check against, so that they can assert the exact URLs and texts.
inline constexpr Endpoints VendorEndpoints{
    L"http://www.quillmate.com",
    L"http://quillmate.com/downloads/MyQMCommands.xml",
};
