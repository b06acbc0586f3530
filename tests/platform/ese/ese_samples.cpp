// SPDX-License-Identifier: GPL-3.0-or-later
#include "ese_samples.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace trovana::ese::test {

namespace fs = std::filesystem;

namespace {

struct ScratchFolder {
    fs::path path;
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "trovana-ese-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return cells;
        start = tab + 1;
    }
}

}  // namespace

const fs::path& Scratch()
{
    static ScratchFolder folder;
    return folder.path;
}

const fs::path& WebCacheSample()
{
    static const fs::path file = [] {
        const fs::path target = Scratch() / "WebCacheV01.dat";
        const std::string command = "gzip -dc '" + std::string(TROVANA_WEBCACHE_SAMPLE) + "' > " + Quoted(target);
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return target;
    }();
    return file;
}

fs::path SrumSample(const std::string& copy)
{
    return fs::path(TROVANA_ESE_SAMPLES) / ("srum-win11-" + copy) / "SRUDB.dat";
}

fs::path CopyOf(const fs::path& source, const std::string& name)
{
    const fs::path target = Scratch() / name;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    return target;
}

void Patch(const fs::path& file, uint64_t offset, const std::string& bytes)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(static_cast<std::streamoff>(offset));
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(stream.good()) << file;
}

ExportedTable Export(const fs::path& database, const std::string& table)
{
    static int run = 0;
    const fs::path target = Scratch() / ("export-" + std::to_string(++run));
    const std::string command = "timeout 60 esedbexport -T '" + table + "' -t " + Quoted(target) + " " +
                                Quoted(database) + " >/dev/null 2>&1";
    ExportedTable exported;
    exported.complete = std::system(command.c_str()) == 0;
    const fs::path folder = target.string() + ".export";
    if (!fs::is_directory(folder))
        return exported;
    for (const auto& file : fs::directory_iterator(folder)) {
        std::ifstream in(file.path(), std::ios::binary);
        std::string line;
        if (std::getline(in, line))
            exported.columns = SplitTabs(line);
        while (std::getline(in, line))
            exported.rows.push_back(SplitTabs(line));
    }
    fs::remove_all(folder);
    return exported;
}

}  // namespace trovana::ese::test
