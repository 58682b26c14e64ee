#include "reply/whole_document.h"

#include <gtest/gtest.h>

#include <string>

TEST(WholeDocument, TheFirstElementClosesAndOnlyMiscFollows)
{
    const std::string file =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- made by hand -->\r\n"
        "<!DOCTYPE commands [<!ENTITY a \"<x>\"><!-- it's ] --><?pi [' ?>]>\r\n"
        "<commands v='a>b'>\r\n<command name=\"x\"/>\r\n<![CDATA[</commands>]]>"
        "<!-- QM Build 09-18-2021 --><?pi </commands>?>text</commands>";
    struct Case {
        std::string bytes;
        bool whole;
    };
    const Case cases[] = {
        {file, true},
        {file + "\r\n<!-- after -->\r\n<?after?>\t\n", true},
        {"<commands/>", true},
        {"", false},
        {"   \r\n", false},
        {file + "x", false},
        {file + "<commands/>", false},
        {file + "<!-- open", false},
        {"<!DOCTYPE commands><commands>", false},
        {"<!DOCTYPE c [<!-- ]> --><c/>", false},
        {"<!DOCTYPE c [<?pi ]>", false},
        {"</commands>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(IsWholeDocument(c.bytes), c.whole);
    }
    // Cut anywhere, it is not whole.
    for (size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(IsWholeDocument(std::string_view(file).substr(0, length)));
    }
}
