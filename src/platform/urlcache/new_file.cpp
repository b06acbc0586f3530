// SPDX-License-Identifier: GPL-3.0-or-later
#include "new_file.h"

#include "file_descriptor.h"
#include "write_file.h"
#include "file_time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <system_error>
#include <utility>

namespace trovana::urlcache {
namespace {

// Keeps names well inside NAME_MAX together with "[254]" and the extension.
constexpr size_t kMaxNameBytes = 150;

char Sanitised(char c)
{
    const auto byte = static_cast<uint8_t>(c);
    switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
    case '?':
    case '*': return '_';
    default: return byte < 0x20 || byte == 0x7F ? '_' : c;
    }
}

// ".ext" with Wine's replacements, a trailing space or dot made '_'; empty
// without an extension.
std::string ExtensionSuffix(std::string_view extension)
{
    if (extension.empty())
        return {};
    std::string suffix = ".";
    for (char c : extension)
        suffix += Sanitised(c);
    if (suffix.back() == ' ' || suffix.back() == '.')
        suffix.back() = '_';
    return suffix;
}

// The path part of scheme://authority/path, without query and fragment.
std::string_view UrlPath(std::string_view url)
{
    const auto scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return {};
    std::string_view rest = url.substr(scheme + 3);
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos)
        return {};
    rest = rest.substr(slash);
    return rest.substr(0, rest.find_first_of("?#"));
}

// Exclusive create; not valid, with errno, when it fails.
fileio::FileDescriptor CreateExclusive(const std::filesystem::path& path)
{
    return fileio::FileDescriptor(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
}

CreatedFile Fill(fileio::FileDescriptor fd, const std::filesystem::path& path, std::string_view body)
{
    if (!fileio::WriteAll(fd.Get(), body)) {
        const int error = errno;
        fd = fileio::FileDescriptor();
        unlink(path.c_str());
        throw std::system_error(error, std::generic_category(), "cannot write " + path.string());
    }
    struct stat st {};
    fstat(fd.Get(), &st);
    return {path.filename().string(), path, static_cast<uint64_t>(st.st_size), FileTimeFromTimespec(st.st_mtim)};
}

}  // namespace

std::string PercentEncodeHighBytes(std::string_view url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (char c : url) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

std::string NameFromUrl(std::string_view url)
{
    const std::string_view path = UrlPath(url);
    size_t end = path.size();
    size_t begin = end;
    const auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    while (begin > 0 && !isSeparator(path[begin - 1]) && path[begin - 1] != '.')
        --begin;
    if (begin > 0 && path[begin - 1] == '.') {
        end = begin - 1;
        while (begin > 0 && !isSeparator(path[begin - 1]))
            --begin;
    }
    std::string name(path.substr(begin, std::min(end - begin, kMaxNameBytes)));
    std::transform(name.begin(), name.end(), name.begin(), Sanitised);
    return name;
}

bool IsUsableExtension(std::string_view extension)
{
    return extension.size() <= 64 && std::all_of(extension.begin(), extension.end(),
                                                 [](char c) { return c > 0x20 && c < 0x7F && c != '/' && c != '\\'; });
}

std::string RandomName(std::mt19937_64& random)
{
    static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::uniform_int_distribution<int> pick(0, 35);
    std::string name(8, '0');
    for (char& c : name)
        c = kChars[pick(random)];
    return name;
}

CreatedFile CreateLocalFile(const std::filesystem::path& dir, std::string_view url, std::string_view extension,
                            std::string_view body, std::mt19937_64& random, NameHints* hints)
{
    constexpr int kNumberedNames = 255;
    const std::string name = NameFromUrl(url);
    const std::string suffix = ExtensionSuffix(extension);
    int unused = 0;
    int& next = hints ? (*hints)[(dir / name).string() + suffix] : unused;
    int lastError = 0;
    // Each candidate is tried until one is free; another error ends the series.
    const auto attempt = [&](const std::function<std::string(int)>& candidate, int first,
                             bool numbered) -> std::optional<CreatedFile> {
        for (int i = first; i < kNumberedNames; ++i) {
            const auto path = dir / candidate(i);
            fileio::FileDescriptor fd = CreateExclusive(path);
            if (numbered)
                next = i + 1;
            if (fd.Valid())
                return Fill(std::move(fd), path, body);
            lastError = errno;
            if (lastError != EEXIST)
                break;
        }
        return std::nullopt;
    };
    if (!name.empty()) {
        if (auto file = attempt([&](int i) { return name + "[" + std::to_string(i) + "]" + suffix; }, next, true))
            return *file;
    }
    if (auto file = attempt([&](int) { return RandomName(random) + suffix; }, 0, false))
        return *file;
    throw std::system_error(lastError, std::generic_category(), "cannot create a cache file in " + dir.string());
}

}  // namespace trovana::urlcache
