// SPDX-License-Identifier: GPL-3.0-or-later
// Naming and creating the local file of a new entry as Wine's
// CreateUrlCacheEntry does, and the URL form we store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>

namespace trovana::urlcache {

// Bytes of 0x80 and above as %XX, so that Wine before 10.11 (which hashes
// signed bytes) can still find the URL.
std::string PercentEncodeHighBytes(std::string_view url);

// The name Wine derives from a URL: the last segment of its path (no query
// or fragment) without its last extension, with < > : " | ? * (and, for a
// name Linux and the index accept, control bytes) turned into '_'. Empty
// when the URL has no usable name.
std::string NameFromUrl(std::string_view url);

// True for an extension Trovana can put in a file name: printable ASCII,
// no '/' or '\', at most 64 bytes.
bool IsUsableExtension(std::string_view extension);

// Eight random characters 0-9 A-Z.
std::string RandomName(std::mt19937_64& random);

struct CreatedFile {
    std::string name;  // bare name, as stored in the record
    std::filesystem::path path;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // FILETIME of the file's modification time
};

// For a series of files: per directory and name, the first number not yet
// known to be taken, so that many files of one name cost one try each.
using NameHints = std::unordered_map<std::string, int>;

// Creates the file in dir under the first free name of `<name>[0].<ext>` to
// `<name>[254].<ext>` (or eight random characters when the name is empty or
// all are taken), each tried with an exclusive create, and writes body into
// it. Throws std::system_error when it cannot.
CreatedFile CreateLocalFile(const std::filesystem::path& dir, std::string_view url, std::string_view extension,
                            std::string_view body, std::mt19937_64& random, NameHints* hints = nullptr);

}  // namespace trovana::urlcache
