// SPDX-License-Identifier: GPL-3.0-or-later
// A WebCache table as esedbexport (libesedb's tool, the independent reader)
// exports it, for tests to check the program's rows against.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace trovana::test {

// esedbexport's rows of one table, each column by name.
inline std::vector<std::map<std::string, std::string>> ExportTable(const std::filesystem::path& database,
                                                                   const std::string& table,
                                                                   const std::filesystem::path& scratch)
{
    const std::filesystem::path target = scratch / ("export-" + table);
    const std::string command = "timeout 60 esedbexport -T " + table + " -t '" + target.string() + "' '" +
                                database.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::map<std::string, std::string>> rows;
    for (const auto& file : std::filesystem::directory_iterator(target.string() + ".export")) {
        std::ifstream in(file.path());
        const auto split = [](const std::string& line) {
            std::vector<std::string> cells;
            std::string cell;
            std::istringstream fields(line);
            // esedbexport doubles each backslash.
            while (std::getline(fields, cell, '\t')) {
                for (size_t at = cell.find("\\\\"); at != std::string::npos; at = cell.find("\\\\", at + 1))
                    cell.erase(at, 1);
                cells.push_back(cell);
            }
            return cells;
        };
        std::string line;
        std::getline(in, line);
        const std::vector<std::string> names = split(line);
        while (std::getline(in, line)) {
            const std::vector<std::string> cells = split(line);
            auto& row = rows.emplace_back();
            for (size_t i = 0; i < names.size() && i < cells.size(); ++i)
                row[names[i]] = cells[i];
        }
    }
    return rows;
}

// The text of a binary column as esedbexport writes it (hex digits), up to
// its first NUL: a cookie's name or value.
inline std::string TextBeforeNul(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace trovana::test
