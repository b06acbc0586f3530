// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/chm_file.h"

#include <chm_lib.h>

namespace trovana::app {

CChmFile::CChmFile(const std::filesystem::path& path) : m_pFile(chm_open(path.c_str())) {}

CChmFile::~CChmFile()
{
    if (m_pFile != nullptr)
        chm_close(m_pFile);
}

std::optional<std::string> CChmFile::Read(const std::string& name) const
{
    if (m_pFile == nullptr || name.empty())
        return std::nullopt;
    // Names inside the file all start at its root.
    const std::string inside = name.front() == '/' ? name : "/" + name;
    chmUnitInfo unit{};
    if (chm_resolve_object(m_pFile, inside.c_str(), &unit) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(unit.length), '\0');
    if (unit.length == 0)
        return bytes;
    const LONGINT64 read = chm_retrieve_object(m_pFile, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                               static_cast<LONGINT64>(unit.length));
    if (read != static_cast<LONGINT64>(unit.length))
        return std::nullopt;
    return bytes;
}

}  // namespace trovana::app
