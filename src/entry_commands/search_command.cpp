// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_commands/search_command.h"

#include <wx/defs.h>
#include <wx/translation.h>

#include "operations/progress.h"
#include "operations/search_dlg.h"
#include "operations/search_match.h"

namespace trovana::entry_commands {

SearchCommand::Outcome SearchCommand::Run(RowStore& results, int64_t& size)
{
    {
        operations::CSearchDlg dialog(m_view.PromptParent(), m_criteria);
        if (dialog.ShowModal() != wxID_OK)
            return Outcome::Cancelled;
    }
    if (m_criteria.m_bMatchAll)
        return Outcome::NothingSearched;
    results.DeleteAll();
    const operations::RowFilter filter = operations::MakeFilter(m_criteria);
    operations::RowProgress progress(m_view.Busy());
    size = operations::CollectMatches(m_view.Catalogue().ListAll(), filter, results, progress.Sink());
    return Outcome::Searched;
}

void SearchCommand::TellNothingSearched()
{
    m_view.UserPrompts().MessageBox(m_view.PromptParent(),
                                    _("Nothing was searched: no keywords, access date or type narrows the search. "
                                      "All cache items are shown."),
                                    "", wxOK | wxICON_INFORMATION);
}

}  // namespace trovana::entry_commands
