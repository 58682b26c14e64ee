#pragma once

#include <string>

// `text` as a gzip file, as a server sends it with Content-Encoding: gzip:
// one stored (uncompressed) deflate block, so `text` must be shorter than
// 64 KiB. Throws when it is not.
std::string Gzip(const std::string& text);
