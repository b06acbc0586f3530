// SPDX-License-Identifier: GPL-3.0-or-later
// The SRUM sample's logs (test input only) and damaged copies of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace trovana::eselog::test {

inline std::filesystem::path SrumFolder()
{
    return std::filesystem::path(TROVANA_ESE_SAMPLES) / "srum-win11-clean";
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A scratch folder removed with the object.
class ScratchFolder {
public:
    ScratchFolder()
    {
        path_ = std::filesystem::temp_directory_path() / ("trovana-eselog-" + std::to_string(getpid()) + "-" +
                                                          std::to_string(counter_++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& Path() const { return path_; }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

// Copies the sample's database and logs into `folder`.
inline std::filesystem::path CopySrum(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(SrumFolder()))
        std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    return folder / "SRUDB.dat";
}

}  // namespace trovana::eselog::test
