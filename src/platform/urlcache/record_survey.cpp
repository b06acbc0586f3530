// SPDX-License-Identifier: GPL-3.0-or-later
#include "record_survey.h"

#include "container.h"
#include "layout.h"
#include "record_scan.h"

#include <algorithm>
#include <unordered_set>

namespace trovana::urlcache {

using namespace layout;

std::string_view RecordStateName(RecordState state)
{
    switch (state) {
    case RecordState::Live: return "live";
    case RecordState::Redirect: return "redirect";
    case RecordState::Leak: return "leak";
    case RecordState::Recovered: return "recovered";
    case RecordState::Deleted: return "deleted";
    case RecordState::LogOnly: return "log only";
    case RecordState::TableRow: return "table row";
    }
    return "";
}

namespace {

struct PlannedRecord {
    RecordSpan span;
    RecordState state = RecordState::Live;
    bool partial = false;
};

// The records enumeration lists, in its order: slots that name an entry whose
// `URL ` record checks out, each record once, at most one per block.
std::vector<PlannedRecord> LiveRecords(const Snapshot& snapshot)
{
    const ByteImage& image = snapshot.image;
    const IndexInfo& info = snapshot.info;
    std::vector<PlannedRecord> live;
    std::unordered_set<uint64_t> seen;
    for (uint32_t table : info.tables) {
        for (uint32_t i = 0; i < kSlotCount && live.size() < info.capacity; ++i) {
            const uint64_t slot = SlotPosition(table, i);
            if (!KeyNamesEntry(image.U32(slot)))
                continue;
            const uint32_t offset = image.U32(slot + 4);
            if (ListedUrl(image, info, offset) && seen.insert(offset).second)
                live.push_back({*RecordAt(image, info, offset), RecordState::Live, false});
        }
    }
    return live;
}

// The records the leak list links, as far as it can be followed inside the
// file. A deletion puts a record on the list before it writes the LEAK
// signature: one killed in between leaves a `URL ` record there.
std::unordered_set<uint64_t> LeakListRecords(const ByteImage& image, const IndexInfo& info)
{
    std::unordered_set<uint64_t> records;
    if (!image.Fits(kLeakListHead, 4))
        return records;
    for (uint64_t offset = image.U32(kLeakListHead); offset != 0 && records.size() < info.capacity;
         offset = image.U32(offset + kRecExemptDelta)) {
        if (!image.Fits(offset + kRecExemptDelta, 4) || !records.insert(offset).second)
            break;
    }
    return records;
}

// Live records first, then every other record the block area holds.
std::vector<PlannedRecord> PlanContainer(const Snapshot& snapshot)
{
    std::vector<PlannedRecord> plan = LiveRecords(snapshot);
    std::unordered_set<uint64_t> live;
    for (const PlannedRecord& record : plan)
        live.insert(record.span.offset);
    const std::unordered_set<uint64_t> leaked = LeakListRecords(snapshot.image, snapshot.info);
    for (const ScannedRecord& found : ScanBlockArea(snapshot.image, snapshot.info)) {
        RecordState state = RecordState::Recovered;
        const bool onLeakList = leaked.contains(found.span.offset) && !live.contains(found.span.offset);
        if (found.allocated && found.signature == kRedirectSignature)
            state = RecordState::Redirect;
        else if (found.allocated && (found.signature == kLeakSignature || onLeakList))
            state = RecordState::Leak;
        else if (found.signature == kRedirectSignature || live.contains(found.span.offset))
            continue;
        plan.push_back({found.span, state, found.partial});
    }
    return plan;
}

// The FillerField bits of the fields that hold the filler.
uint32_t FillerFields(const ByteImage& image, uint64_t offset)
{
    const std::pair<uint32_t, uint32_t> fields[] = {
        {kRecType, kFillerType},         {kRecHitRate, kFillerHitRate},           {kRecUseCount, kFillerUseCount},
        {kRecSizeLow, kFillerSize},      {kRecLastModified, kFillerLastModified}, {kRecLastAccess, kFillerLastAccess},
        {kRecExpireDate, kFillerExpire}, {kRecSyncDate, kFillerLastSync},        {kRecSizeHigh, kFillerSizeHigh},
    };
    uint32_t filler = 0;
    for (const auto& [at, bit] : fields) {
        if (image.U32(offset + at) == kUninitialisedB)
            filler |= bit;
    }
    return filler;
}

// A partial record's header as far as its blocks hold it.
std::optional<std::string_view> SurvivingHeader(const ByteImage& image, const RecordSpan& span)
{
    const uint32_t at = image.U32(span.offset + kRecHeaderOffset);
    if (at < kRecFixedSize || at >= span.length || image.U32(span.offset + kRecHeaderSize) == 0)
        return std::nullopt;
    return image.View(span.offset + at, span.length - at);
}

}  // namespace

struct RecordSurvey::State {
    std::vector<std::unique_ptr<Container>> containers;  // in enumeration order
    std::vector<std::string> problems;
    std::unordered_set<std::string> known;
    bool incomplete = false;
    size_t container = 0;
    Snapshot* snapshot = nullptr;
    std::vector<PlannedRecord> plan;
    size_t next = 0;
    // Then the records of each WebCache database, read after the containers.
    std::vector<std::filesystem::path> webCaches;
    std::vector<SurveyedRecord> webRecords;
    size_t nextWebRecord = 0;

    void Note(const std::string& problem)
    {
        if (known.insert(problem).second)
            problems.push_back(problem);
        incomplete = true;
    }
};

RecordSurvey::RecordSurvey(const CacheLocation& location) : m_state(std::make_unique<State>())
{
    std::vector<ContainerLocation> order = location.containers;
    std::stable_sort(order.begin(), order.end(),
                     [](const ContainerLocation& a, const ContainerLocation& b) { return a.kind < b.kind; });
    State* state = m_state.get();
    const auto sink = [state](const std::string& problem) { state->Note(problem); };
    std::unordered_set<std::string> folders;
    for (const ContainerLocation& where : order) {
        auto container = std::make_unique<Container>(where, sink, location.readOnly);
        if (folders.insert(container->Folder().string()).second)
            m_state->containers.push_back(std::move(container));
    }
    m_state->webCaches = location.webCaches;
}

RecordSurvey::~RecordSurvey() = default;

const std::vector<std::string>& RecordSurvey::Problems() const
{
    return m_state->problems;
}

bool RecordSurvey::Incomplete() const
{
    return m_state->incomplete;
}

std::unique_ptr<SurveyedRecord> RecordSurvey::Next()
{
    State& s = *m_state;
    while (s.container < s.containers.size()) {
        Container& container = *s.containers[s.container];
        if (!s.snapshot) {
            s.snapshot = container.Refresh();
            s.plan = s.snapshot ? PlanContainer(*s.snapshot) : std::vector<PlannedRecord>();
            s.next = 0;
        }
        if (s.next == s.plan.size()) {
            s.snapshot = nullptr;
            s.plan.clear();
            ++s.container;
            continue;
        }
        const PlannedRecord& planned = s.plan[s.next++];
        auto result = std::make_unique<SurveyedRecord>();
        result->state = planned.state;
        result->indexFile = container.IndexPath();
        result->offset = planned.span.offset;
        result->partial = planned.partial;
        const ByteImage& image = s.snapshot->image;
        if (planned.state == RecordState::Redirect) {
            // A redirect holds its URL at 0x10 and nothing else of use.
            const uint64_t limit = planned.span.offset + planned.span.length;
            result->entry.sourceUrlName = std::string(image.CString(planned.span.offset + 0x10, limit).value_or(""));
        } else {
            UrlRecord record = DecodeUrlRecord(image, planned.span);
            if (planned.partial && !record.header)
                record.header = SurvivingHeader(image, planned.span);
            result->filler = FillerFields(image, planned.span.offset);
            result->entry = std::move(*container.Describe(*s.snapshot, record));
        }
        return result;
    }
    while (s.nextWebRecord == s.webRecords.size() && !s.webCaches.empty()) {
        s.webRecords = SurveyWebCache(
            s.webCaches.front(), [&s](const std::string& problem) { s.Note(problem); },
            [&s](const std::string&) { s.incomplete = true; });
        s.nextWebRecord = 0;
        s.webCaches.erase(s.webCaches.begin());
    }
    if (s.nextWebRecord < s.webRecords.size())
        return std::make_unique<SurveyedRecord>(std::move(s.webRecords[s.nextWebRecord++]));
    return nullptr;
}

}  // namespace trovana::urlcache
