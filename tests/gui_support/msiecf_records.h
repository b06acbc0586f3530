// SPDX-License-Identifier: GPL-3.0-or-later
// The records of a cache's containers as libyal's msiecfexport reads them:
// the independent reader the window's tests check their lists against.
#pragma once

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cache_types.h"

namespace trovana::test {

// One record: its "Name : value" lines, and the container it is in.
struct MsiecfRecord {
    std::map<std::string, std::string> fields;
    urlcache::ContainerLocation container;
};

// Every record of every container of `location`. msiecfexport knows only
// the signature Windows writes; Wine and the cache library write the same
// layout under their own, so it reads a copy with Windows' signature.
inline std::vector<MsiecfRecord> MsiecfRecords(const urlcache::CacheLocation& location)
{
    std::vector<MsiecfRecord> records;
    const std::filesystem::path copy =
        std::filesystem::temp_directory_path() / ("trovana-msiecf-" + std::to_string(::getpid()) + ".dat");
    for (const urlcache::ContainerLocation& container : location.containers) {
        std::ifstream in(container.IndexPath(), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), {}};
        constexpr std::string_view kWindows("Client UrlCache MMF Ver 5.2\0", 28);
        if (bytes.starts_with("WINE URLCache Ver "))
            bytes.replace(0, kWindows.size(), kWindows);
        std::ofstream(copy, std::ios::binary) << bytes;
        const std::string command = "msiecfexport '" + copy.string() + "' 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::array<char, 4096> buffer{};
        bool inRecord = false;
        while (pipe && fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
            std::string line(buffer.data());
            line.erase(line.find_last_not_of("\r\n") + 1);
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            const std::string name = line.substr(0, line.find_first_of("\t:"));
            const size_t value = line.find_first_not_of(" \t", colon + 1);
            if (name == "Record type") {
                records.push_back({{}, container});
                inRecord = true;
            }
            if (inRecord)
                records.back().fields[name] = value == std::string::npos ? "" : line.substr(value);
        }
    }
    std::filesystem::remove(copy);
    return records;
}

}  // namespace trovana::test
