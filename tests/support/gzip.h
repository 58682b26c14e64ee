#pragma once

#include <string>

// `text` as a gzip file, as a server sends it with Content-Encoding: gzip,
// compressed by zlib. Throws when zlib fails.
std::string Gzip(const std::string& text);
