// SPDX-License-Identifier: GPL-3.0-or-later
// A read-only ESE database (.edb, .dat): its header, its pages by number,
// and its catalogue. The file is opened for reading only and never locked
// or written; pages are read one at a time, so memory stays bounded
// whatever the file's size.
#pragma once

#include "catalogue.h"
#include "header.h"
#include "page.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace trovana::ese {

class Database {
public:
    // Throws EseError naming the file when it is no ESE database, neither
    // header copy holds, or the catalogue gives no table. The catalogue is
    // read at once; its damaged pages are in CatalogueProblems(), the tables
    // it could still read are kept.
    explicit Database(const std::filesystem::path& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    const FileHeader& Header() const { return m_header; }
    PageGeometry Geometry() const { return {m_header.pageSize}; }
    // Logical pages in the file (the two header pages not counted).
    uint32_t PageCount() const { return m_pageCount; }

    // Logical page `number` (1 .. PageCount()). Throws PageError when it lies
    // outside the file or cannot be read, or when `checked` and its checksum
    // fails.
    Page ReadPage(uint32_t number, bool checked = true) const;

    const Catalogue& Tables() const { return m_catalogue; }
    // "page 12 fails its checksum", ... for the catalogue's own tree.
    const std::vector<std::string>& CatalogueProblems() const { return m_catalogueProblems; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    uint64_t m_fileSize = 0;
    FileHeader m_header;
    uint32_t m_pageCount = 0;
    Catalogue m_catalogue;
    std::vector<std::string> m_catalogueProblems;
};

// True when the file starts with an ESE database header's signature.
bool HasEseSignature(const std::filesystem::path& path);

}  // namespace trovana::ese
