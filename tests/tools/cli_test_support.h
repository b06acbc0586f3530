// SPDX-License-Identifier: GPL-3.0-or-later
// Running trovana-cache's commands in-process and reading what they print.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "csv.h"
#include "faithful_text.h"

namespace trovana::cli {

// The columns of an entry's own fields, in output order.
inline const std::vector<std::string>& EntryColumns()
{
    static const std::vector<std::string> columns = ColumnNames(EntryExportFields({}));
    return columns;
}

// The columns of CSV with those columns: the hex columns of the cache's
// bytes at the end, as the writer adds them.
inline std::vector<std::string> CsvColumns(const std::vector<std::string>& columns)
{
    return exporting::HexColumns().WithHexColumns(columns);
}

// A JSON line's keys but the hex ones, which only rows whose text does not
// give back the bytes have.
inline size_t KeysWithoutHex(const nlohmann::json& line)
{
    size_t count = 0;
    for (const auto& item : line.items())
        count += !item.key().ends_with("_hex");
    return count;
}

}  // namespace trovana::cli

namespace trovana::cli::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline Outcome RunCli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = Run(args, out, err);
    return {status, out.str(), err.str()};
}

inline std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// The lines of standard error that are warnings, in order.
inline std::vector<std::string> WarningLines(const std::string& err)
{
    std::vector<std::string> warnings;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("trovana-cache: warning: ")) {
            warnings.push_back(line);
        }
    }
    return warnings;
}

// An error is one line on standard error, in the program's name.
inline void ExpectOneErrorLine(const Outcome& outcome)
{
    EXPECT_TRUE(outcome.err.starts_with("trovana-cache: ")) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_TRUE(outcome.err.ends_with("\n")) << outcome.err;
}

// A folder of this test process under the system's temporary folder.
inline std::filesystem::path ScratchFolder(const std::string& name)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("trovana-cli-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    return path;
}

// One demo prefix per test program, made on first use and removed at exit.
// Tests that change a cache work on a copy (CopyOfDemo).
struct DemoTemplate {
    std::filesystem::path prefix;
    Outcome made;  // what `demo` printed
    ~DemoTemplate() { std::filesystem::remove_all(prefix); }
};

inline const DemoTemplate& Demo()
{
    static const DemoTemplate demo = [] {
        DemoTemplate made{ScratchFolder("demo"), {}};
        made.made = RunCli({"demo", made.prefix.string()});
        return made;
    }();
    return demo;
}

inline std::filesystem::path CopyOfDemo(const std::string& name)
{
    const std::filesystem::path copy = ScratchFolder(name);
    namespace fs = std::filesystem;
    fs::copy(Demo().prefix, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    // Cached files keep their times: an entry's file whose last-write time
    // changed no longer belongs to it and is left behind on delete.
    for (const auto& item : fs::recursive_directory_iterator(Demo().prefix)) {
        if (item.is_regular_file() && !item.is_symlink()) {
            fs::last_write_time(copy / fs::relative(item.path(), Demo().prefix), item.last_write_time());
        }
    }
    return copy;
}

// A test on its own copy of the demo prefix, named name, removed after it.
class DemoCopyTest : public ::testing::Test {
protected:
    explicit DemoCopyTest(std::string name) : m_name(std::move(name)) {}
    void SetUp() override
    {
        ASSERT_EQ(Demo().made.status, 0);
        m_prefix = CopyOfDemo(m_name);
    }
    void TearDown() override { std::filesystem::remove_all(m_prefix); }
    // Runs a command on the copy; what it prints goes to out when given.
    Outcome Cli(std::vector<std::string> args, std::ostream* out = nullptr)
    {
        args.insert(args.begin(), {"--prefix", m_prefix.string()});
        if (!out)
            return RunCli(args);
        std::ostringstream err;
        return {cli::Run(args, *out, err), "", err.str()};
    }

    std::string m_name;
    std::filesystem::path m_prefix;
};

// What a folder holds, down to the nanosecond times: every file's bytes and
// modification time, every folder's modification time (a file made and
// removed again still changes it), every link's target.
struct FileState {
    std::string bytes;
    int64_t mtimeNs = 0;
    bool operator==(const FileState&) const = default;
};

inline std::map<std::string, FileState> TreeState(const std::filesystem::path& root)
{
    std::map<std::string, FileState> state;
    const auto add = [&](const std::filesystem::path& path) {
        struct stat status {};
        EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
        FileState& entry = state[std::filesystem::relative(path, root).string()];
        entry.mtimeNs = int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
        if (S_ISREG(status.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            entry.bytes.assign(std::istreambuf_iterator<char>(in), {});
        } else if (S_ISLNK(status.st_mode)) {
            entry.bytes = std::filesystem::read_symlink(path).string();
        }
    };
    add(root);
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        add(item.path());
    return state;
}

}  // namespace trovana::cli::test
