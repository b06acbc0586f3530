// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_rows.h"

#include <map>
#include <utility>

namespace trovana::eselog {
namespace {

constexpr uint8_t kSpaceOperation = 0x08;

// A change that a rollback of its transaction would take back.
struct Pending {
    size_t row;
    uint8_t level;
    LogRow before;
};

class Follower {
public:
    LogRows result;

    void Follow(const LogFile& file)
    {
        for (const LogRecord& record : file.records)
            Apply(file.name, record);
    }

private:
    void Apply(const std::string& file, const LogRecord& record)
    {
        // Space operations change the tree's owned and available extents
        // (nodes of page counts under the table's object id), not its rows.
        if (record.onPage && (record.pageFlags & kSpaceOperation) && record.type >= kInsert && record.type <= kDelete)
            return;
        switch (record.type) {
        case kBegin:
        case kBegin0:
        case 53: level_[record.session] = static_cast<uint8_t>(record.levelFrom + record.levels); break;
        case kCommit:
        case kCommit0: Commit(record.session, record.level); break;
        case kRollback: Rollback(record.session, record.level); break;
        case kInsert:
            ++result.inserts;
            Insert(file, record, true);
            break;
        case kFlagInsert:
        case kFlagInsertAndReplaceData: Insert(file, record, false); break;
        case kReplace:
        case kReplaceDiff:
            ++result.replaces;
            Replace(file, record);
            break;
        case kFlagDelete: Delete(file, record, false); break;
        case kDelete: Delete(file, record, true); break;
        case kSplit:
        case kSplit2:
        case kMerge:
        case kMerge2:
        case kPageMove:
        case kEmptyTree:
        case kNewPage:
            pages_.erase(record.page);
            for (uint32_t other : record.otherPages)
                pages_.erase(other);
            break;
        default: break;
        }
    }

    // Lines at or after `line` move by `by` (an insert before them, or the
    // removal of the line before them).
    void Shift(uint32_t page, uint16_t line, int by)
    {
        auto it = pages_.find(page);
        if (it == pages_.end())
            return;
        std::map<uint16_t, size_t> moved;
        for (const auto& [at, row] : it->second) {
            if (at < line)
                moved.emplace(at, row);
            else
                moved.emplace(static_cast<uint16_t>(at + by), row);
        }
        it->second = std::move(moved);
    }

    size_t RowAt(const LogRecord& record)
    {
        auto& lines = pages_[record.page];
        auto found = lines.find(record.line);
        if (found != lines.end() && result.rows[found->second].objectId == record.objectId)
            return found->second;
        LogRow row;
        row.objectId = record.objectId;
        result.rows.push_back(std::move(row));
        lines[record.line] = result.rows.size() - 1;
        return result.rows.size() - 1;
    }

    void Touch(size_t index, const std::string& file, const LogRecord& record)
    {
        pending_[record.session].push_back({index, record.level, result.rows[index]});
        LogRow& row = result.rows[index];
        row.lastType = record.type;
        row.file = file;
        row.position = record.position;
        row.page = record.page;
        row.line = record.line;
        row.committed = false;
    }

    void Insert(const std::string& file, const LogRecord& record, bool newLine)
    {
        if (newLine)
            Shift(record.page, record.line, +1);
        const auto identity = std::make_pair(record.objectId, record.key);
        auto known = byKey_.find(identity);
        size_t index;
        if (known != byKey_.end()) {
            index = known->second;
        } else {
            LogRow row;
            row.objectId = record.objectId;
            row.key = record.key;
            row.keyKnown = true;
            result.rows.push_back(std::move(row));
            index = result.rows.size() - 1;
            byKey_.emplace(identity, index);
        }
        Touch(index, file, record);
        LogRow& row = result.rows[index];
        row.data = record.data;
        row.end = LogRowEnd::Present;
        pages_[record.page][record.line] = index;
    }

    void Replace(const std::string& file, const LogRecord& record)
    {
        const size_t index = RowAt(record);
        LogRow& row = result.rows[index];
        std::vector<uint8_t> after;
        if (record.type == kReplace) {
            after = record.data;
        } else if (row.end == LogRowEnd::Present && (row.keyKnown || !row.data.empty())) {
            auto applied = ApplyReplaceDiff(record, row.data);
            if (!applied) {
                ++result.unresolvedDiffs;
                return;
            }
            after = std::move(*applied);
        } else {
            // The before image is only in the database: the row's state
            // cannot be rebuilt from the logs alone.
            ++result.unresolvedDiffs;
            return;
        }
        Touch(index, file, record);
        result.rows[index].data = std::move(after);
        result.rows[index].end = LogRowEnd::Present;
    }

    void Delete(const std::string& file, const LogRecord& record, bool removeLine)
    {
        auto page = pages_.find(record.page);
        if (page != pages_.end()) {
            auto line = page->second.find(record.line);
            if (line != page->second.end()) {
                const size_t index = line->second;
                if (result.rows[index].end == LogRowEnd::Present) {
                    Touch(index, file, record);
                    result.rows[index].end = LogRowEnd::Deleted;
                }
                if (removeLine)
                    page->second.erase(line);
            }
        }
        if (removeLine)
            Shift(record.page, static_cast<uint16_t>(record.line + 1), -1);
    }

    void Commit(uint16_t session, uint8_t levelTo)
    {
        level_[session] = levelTo;
        auto& open = pending_[session];
        std::vector<Pending> kept;
        for (Pending& change : open) {
            if (change.level > levelTo)
                result.rows[change.row].committed = true;
            else
                kept.push_back(std::move(change));
        }
        open = std::move(kept);
    }

    void Rollback(uint16_t session, uint8_t levelsBack)
    {
        const uint8_t current = level_[session];
        const uint8_t to = levelsBack > current ? 0 : static_cast<uint8_t>(current - levelsBack);
        level_[session] = to;
        auto& open = pending_[session];
        // Newest first, so that each row ends as it was before the first
        // change that is taken back.
        while (!open.empty() && open.back().level > to) {
            Pending change = std::move(open.back());
            open.pop_back();
            LogRow& row = result.rows[change.row];
            row = std::move(change.before);
            if (row.lastType == 0)
                row.end = LogRowEnd::RolledBack;
        }
    }

    std::map<uint32_t, std::map<uint16_t, size_t>> pages_;
    std::map<std::pair<uint32_t, std::vector<uint8_t>>, size_t> byKey_;
    std::map<uint16_t, std::vector<Pending>> pending_;
    std::map<uint16_t, uint8_t> level_;
};

}  // namespace

LogRows FollowLogRows(const LogSet& logs)
{
    Follower follower;
    for (const LogFile& file : logs.files)
        follower.Follow(file);
    return std::move(follower.result);
}

}  // namespace trovana::eselog
