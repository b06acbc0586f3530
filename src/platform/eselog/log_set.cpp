// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_set.h"

#include <algorithm>
#include <system_error>

#include "read_file.h"

namespace trovana::eselog {
namespace {

bool HasLogExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".log";
}

// Directory entries are read once, without following the walk into
// subfolders; a folder with hundreds of thousands of entries is cut short.
std::vector<std::filesystem::path> LogCandidates(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    size_t seen = 0;
    for (; !error && it != std::filesystem::directory_iterator() && seen < 100000; it.increment(error), ++seen) {
        if (HasLogExtension(it->path()))
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The signature of the logs the database header names (at byte 108 of
// either header copy); empty when the file cannot be read or the header
// names none (a clean shutdown clears it).
std::string DatabaseLogSignature(const std::filesystem::path& database)
{
    constexpr size_t kAt = 108;
    constexpr size_t kSize = 28;
    std::string header;
    const auto read = fileio::ReadRegularFile(database, kAt + kSize, header);
    if ((read != fileio::FileRead::Read && read != fileio::FileRead::TooLarge) || header.size() < kAt + kSize)
        return {};
    std::string signature = header.substr(kAt, kSize);
    return signature.find_first_not_of('\0') == std::string::npos ? std::string() : signature;
}

}  // namespace

size_t LogSet::RecordCount() const
{
    size_t count = 0;
    for (const auto& file : files)
        count += file.records.size();
    return count;
}

LogSet ReadLogsBeside(const std::filesystem::path& database, uint64_t maxFileBytes)
{
    LogSet set;
    const std::string signature = DatabaseLogSignature(database);
    const auto folder = database.has_parent_path() ? database.parent_path() : std::filesystem::path(".");
    for (const auto& path : LogCandidates(folder)) {
        std::string bytes;
        const auto name = path.filename().string();
        switch (fileio::ReadRegularFile(path, maxFileBytes, bytes)) {
        case fileio::FileRead::Read: break;
        case fileio::FileRead::TooLarge:
            set.problems.push_back(name + ": larger than " + std::to_string(maxFileBytes >> 20) + " MiB, not read");
            continue;
        case fileio::FileRead::Missing:
        case fileio::FileRead::NotRegular: continue;
        case fileio::FileRead::Failed:
            set.problems.push_back(name + ": could not be read");
            continue;
        }
        const std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        LogFile file = ReadLogFile(view, name);
        if (!file.headerRead) {
            // A .log that is no ESE log (a text log of some program) is not
            // named; a damaged ESE log is.
            if (file.header.fileType == 3 || file.header.checksumHolds) {
                for (const auto& problem : file.problems)
                    set.problems.push_back(name + ": " + problem.what);
            }
            continue;
        }
        if (!signature.empty() && file.header.signature != signature) {
            set.problems.push_back(name + ": the log of another database (its signature is not the one the "
                                          "database names), not read");
            continue;
        }
        for (const auto& problem : file.problems)
            set.problems.push_back(name + ": " + problem.what);
        set.files.push_back(std::move(file));
    }
    std::stable_sort(set.files.begin(), set.files.end(), [](const LogFile& a, const LogFile& b) {
        return a.header.generation < b.header.generation;
    });
    return set;
}

}  // namespace trovana::eselog
