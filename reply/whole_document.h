#pragma once

#include <string_view>

// Whether `bytes` hold an XML document that ends where they end: after an
// optional byte order mark, a prolog of white space, declarations, comments
// and processing instructions, its first element is closed, and only white
// space, comments and processing instructions follow that. It reads the
// markup's nesting, not its names: a document cut short leaves an element,
// a tag, a comment or a section open. It is how a download that carries no
// length of its own proves that it came whole.
[[nodiscard]] bool IsWholeDocument(std::string_view bytes);
