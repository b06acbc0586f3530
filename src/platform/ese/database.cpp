// SPDX-License-Identifier: GPL-3.0-or-later
#include "database.h"

#include "btree.h"
#include "format.h"
#include "record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trovana::ese {

namespace {

// The catalogue's own copy, kept by the engine for repairs.
constexpr uint32_t kShadowCatalogueRoot = 24;

std::string ReadAt(int fd, uint64_t offset, size_t size)
{
    std::string bytes(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

std::vector<CatalogueRow> ReadCatalogueRows(const Database& database, uint32_t root, std::vector<std::string>& problems)
{
    std::vector<CatalogueRow> rows;
    const PageGeometry geometry = database.Geometry();
    WalkLeaves(
        database, root,
        [&](const NodePlace&, const Node& node) {
            rows.push_back(CatalogueRowFrom(DecodeRecord(CatalogueTable(), node.data, geometry)));
        },
        problems);
    return rows;
}

}  // namespace

Database::Database(const std::filesystem::path& path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        throw EseError(path.string() + " cannot be opened: " + std::strerror(errno));
    struct stat status {};
    if (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(m_fd);
        throw EseError(path.string() + " is not a regular file");
    }
    m_fileSize = static_cast<uint64_t>(status.st_size);
    try {
        const std::string head = ReadAt(m_fd, 0, 4096);
        uint32_t size = ClaimedPageSize(head);
        if (size < 4096 || size > 32768 || (size & (size - 1)) != 0)
            size = 4096;
        FileHeader header;
        try {
            header = ParseFileHeader(ReadAt(m_fd, 0, size), ReadAt(m_fd, size, size));
        } catch (const EseError&) {
            // The primary copy may name a wrong page size: look for the shadow
            // at each page size there is.
            bool found = false;
            for (uint32_t shadowAt = 4096; shadowAt <= 32768 && !found; shadowAt *= 2) {
                try {
                    header = ParseFileHeader({}, ReadAt(m_fd, shadowAt, shadowAt));
                    found = header.pageSize == shadowAt;
                } catch (const EseError&) {
                }
            }
            if (!found)
                throw;
        }
        m_header = header;
        const uint64_t pages = m_fileSize / m_header.pageSize;
        m_pageCount = pages > 2 ? static_cast<uint32_t>(std::min<uint64_t>(pages - 2, UINT32_MAX)) : 0;
        std::vector<CatalogueRow> rows = ReadCatalogueRows(*this, kCatalogueRoot, m_catalogueProblems);
        m_catalogue = BuildCatalogue(rows);
        if (!m_catalogueProblems.empty()) {
            // The shadow catalogue may still hold what the damage hid: the
            // tables it lost, and the columns of those it cut short.
            std::vector<std::string> ignored;
            const Catalogue shadow = BuildCatalogue(ReadCatalogueRows(*this, kShadowCatalogueRoot, ignored));
            for (const Table& table : shadow.tables) {
                const auto known = std::find_if(m_catalogue.tables.begin(), m_catalogue.tables.end(),
                                                [&](const Table& t) { return t.name == table.name; });
                if (known == m_catalogue.tables.end())
                    m_catalogue.tables.push_back(table);
                else if (known->columns.size() < table.columns.size())
                    *known = table;
            }
            if (!shadow.tables.empty())
                for (std::string& problem : m_catalogueProblems)
                    problem += " (its shadow copy was read too)";
        }
        if (m_catalogue.tables.empty())
            throw EseError("its catalogue cannot be read (" +
                           (m_catalogueProblems.empty() ? std::string("it is empty") : m_catalogueProblems.front()) +
                           ")");
    } catch (const EseError& e) {
        ::close(m_fd);
        throw EseError(path.string() + " cannot be read as an ESE database: " + e.what());
    }
}

Database::~Database()
{
    ::close(m_fd);
}

Page Database::ReadPage(uint32_t number, bool checked) const
{
    if (number == 0 || number > m_pageCount)
        throw PageError(number, "lies outside the file (" + std::to_string(m_pageCount) + " pages)");
    const uint64_t offset = (static_cast<uint64_t>(number) + 1) * m_header.pageSize;
    std::string bytes = ReadAt(m_fd, offset, m_header.pageSize);
    if (bytes.size() != m_header.pageSize)
        throw PageError(number, "cannot be read");
    Page page(std::move(bytes), number, Geometry());
    if (checked && !page.Problem().empty())
        throw PageError(number, page.Problem());
    return page;
}

bool HasEseSignature(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const std::string head = ReadAt(fd, 4, 4);
    ::close(fd);
    return ReadLE<uint32_t>(head, 0) == kSignature && head.size() == 4;
}

}  // namespace trovana::ese
