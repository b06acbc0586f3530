// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/right_frame.h"

#include <wx/sizer.h>
#include <wx/splitter.h>

#include "app/resource.h"
#include "listview/cache_list_view.h"
#include "listview/web_view.h"

namespace trovana::app {

namespace {
// The list row starts this high; the preview takes the rest. Neither row
// can be made lower than the minimum.
constexpr int kListHeight = 300;
constexpr int kMinimumPane = 100;
}  // namespace

CRightFrame::CRightFrame(wxWindow* parent, wxWindowID id, entry_commands::Prompts& prompts)
    : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE)
{
    m_wndSplitter = new wxSplitterWindow(this, IDW_PANE_FIRST, wxDefaultPosition, wxDefaultSize,
                                         wxSP_LIVE_UPDATE | wxSP_3DSASH);
    m_wndSplitter->SetMinimumPaneSize(kMinimumPane);
    auto* list = new listview::CCacheListView(m_wndSplitter, IDW_PANE_FIRST, prompts);
    auto* preview = new listview::CWebView(m_wndSplitter, IDW_PANE_FIRST + 16);
    m_wndSplitter->SplitHorizontally(list, preview, kListHeight);
    list->m_pWebView = preview;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_wndSplitter, 1, wxEXPAND);
    SetSizer(sizer);
}

listview::CCacheListView* CRightFrame::GetListView() const
{
    return static_cast<listview::CCacheListView*>(m_wndSplitter->GetWindow1());
}

listview::CWebView* CRightFrame::GetWebView() const
{
    return static_cast<listview::CWebView*>(m_wndSplitter->GetWindow2());
}

}  // namespace trovana::app
