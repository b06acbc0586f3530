// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the pages and pictures out of a compiled help file (CHM), as the
// help window needs them. Knows no windows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct chmFile;

namespace trovana::app {

class CChmFile {
public:
    // Opens the file; IsOpen() tells whether it is a readable CHM file.
    explicit CChmFile(const std::filesystem::path& path);
    ~CChmFile();
    CChmFile(const CChmFile&) = delete;
    CChmFile& operator=(const CChmFile&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    // The bytes of a file inside the CHM, named from its root ("whatis.htm"
    // or "/images/icon.png"); none when there is no such file.
    std::optional<std::string> Read(const std::string& name) const;

private:
    chmFile* m_pFile = nullptr;
};

}  // namespace trovana::app
