// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the deletions: the rows of deleted entries leave every list,
// the site tree loses what the deletions emptied, and a failed deletion is
// reported once, in the user's words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <wx/string.h>

#include "listview/deletion_report.h"
#include "rowstore.h"

namespace trovana::catalogue {
class CNode;
}

namespace trovana::listview {

class CCacheListView;

// Deletes every row whose URL is one of urls (exactly, byte for byte) and
// returns the sum of their sizes.
int64_t RemoveRowsOf(RowStore& rows, const std::vector<std::string>& urls);

// Removes the nodes and tree items that deletions left without entries,
// from the selected node up to the first node that still holds entries.
void PruneSiteTree(CCacheListView& view);

// Deletes the entries of urls, noting each failure in report; returns the
// URLs that are no longer in the cache (deleted, or gone before).
std::vector<std::string> DeleteUrls(CCacheListView& view, const std::vector<std::string>& urls, DeletionReport& report);

// Takes the leaf of a deleted entry out of the site tree model, found from
// the root along its key path (a row may lie outside the selected site).
void RemoveEntryLeaf(CCacheListView& view, const std::string& url);

// Removes the directories below node that hold no entries any more, with
// their tree items.
void PruneEmptyBelow(CCacheListView& view, catalogue::CNode& node);

// Tells the user once what could not be deleted, and once which files were
// kept on disk, if any.
void ShowDeletionReport(CCacheListView& view, const DeletionReport& report, size_t attempted);

// Shows the gallery or a blank preview, and the status summary, after entries went.
void AfterDeletion(CCacheListView& view);

}  // namespace trovana::listview
