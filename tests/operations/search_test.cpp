// SPDX-License-Identifier: GPL-3.0-or-later
// The Search dialog and the search through the view: the match-all case,
// the results tab, the results themselves and the criteria kept.
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/datectrl.h>
#include <wx/textctrl.h>

#include "operations/search_dlg.h"
#include "operations_fixture.h"

namespace trovana::test {
namespace {

using operations::CSearchDlg;

// Clicks a check box as the user does: its value flips and it reports.
void Click(CSearchDlg& dialog, int id)
{
    auto* box = wxDynamicCast(dialog.FindWindow(id), wxCheckBox);
    ASSERT_NE(box, nullptr);
    box->SetValue(!box->GetValue());
    wxCommandEvent event(wxEVT_CHECKBOX, id);
    event.SetEventObject(box);
    event.SetInt(box->GetValue());
    box->GetEventHandler()->ProcessEvent(event);
}

bool Checked(CSearchDlg& dialog, int id)
{
    return wxDynamicCast(dialog.FindWindow(id), wxCheckBox)->GetValue();
}

bool Enabled(CSearchDlg& dialog, int id)
{
    return dialog.FindWindow(id)->IsEnabled();
}

class SearchTest : public OperationsTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        StartWindow();
    }

    // Runs the Search command; act works the dialog once it is shown and
    // answers whether to press Search (else Cancel).
    void RunSearch(const std::function<bool(CSearchDlg&)>& act)
    {
        bool acted = false;
        wxTheApp->CallAfter([&] {
            for (wxWindow* window : wxTopLevelWindows) {
                if (auto* dialog = dynamic_cast<CSearchDlg*>(window); dialog != nullptr && dialog->IsModal()) {
                    acted = true;
                    if (act(*dialog))
                        dialog->OnSearch();
                    else
                        dialog->EndModal(wxID_CANCEL);
                    return;
                }
            }
        });
        View().Search();
        EXPECT_TRUE(acted);
    }

    int TabCount() { return View().GetTabStrip()->GetItemCount(); }

    // The results are the rows of the All list that pass, in reverse order,
    // and their size total.
    void ExpectResults(const std::function<bool(const ListRow&)>& passes)
    {
        std::vector<std::string> expected;
        int64_t size = 0;
        const RowStore& all = View().Catalogue().ListAll();
        for (int row = all.Count() - 1; row >= 0; --row) {
            if (passes(all.Row(row))) {
                expected.push_back(all.Text(row, 0));
                size += std::atoll(all.Text(row, 3).c_str());
            }
        }
        EXPECT_EQ(Urls(View().GetSearchList()->Rows()), expected);
        EXPECT_EQ(View().GetSearchSize(), size);
    }
};

TEST_F(SearchTest, DefaultsShowEveryEntryWithoutAResultsTab)
{
    View().GetTabStrip()->SetCurSel(3);
    RunSearch([](CSearchDlg& dialog) {
        EXPECT_TRUE(Checked(dialog, operations::IDC_ALL_TYPES));
        EXPECT_TRUE(Enabled(dialog, operations::IDC_KEYWORDS));
        EXPECT_FALSE(Enabled(dialog, operations::IDC_DATE_MODE));
        EXPECT_FALSE(Enabled(dialog, operations::IDC_DATE_TO));
        return true;
    });
    EXPECT_EQ(TabCount(), listview::kInitialTabCount);
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), catalogue::kCategoryAll);
    EXPECT_TRUE(View().GetAllList()->IsShown());
    EXPECT_FALSE(View().GetSearchList()->IsShown());
}

TEST_F(SearchTest, OneTypeUncheckedSearchesAndTheTabIsAddedOnce)
{
    RunSearch([](CSearchDlg& dialog) {
        Click(dialog, operations::IDC_IMAGES);
        EXPECT_FALSE(Checked(dialog, operations::IDC_ALL_TYPES));
        EXPECT_FALSE(Checked(dialog, operations::IDC_IMAGES));
        return true;
    });
    ASSERT_EQ(TabCount(), listview::kInitialTabCount + 1);
    EXPECT_EQ(View().GetTabStrip()->GetItemText(catalogue::kCategorySearchResults), "Search Results");
    EXPECT_EQ(View().GetTabStrip()->GetCurSel(), catalogue::kCategorySearchResults);
    EXPECT_TRUE(View().GetSearchList()->IsShown());

    // Every row but the images, in the reverse order of the All list.
    ExpectResults([](const ListRow& row) { return row.itemData != catalogue::kCategoryImages; });

    // The criteria stay for the next search, which reuses the tab.
    RunSearch([](CSearchDlg& dialog) {
        EXPECT_FALSE(Checked(dialog, operations::IDC_IMAGES));
        Click(dialog, operations::IDC_ALL_TYPES);
        EXPECT_TRUE(Checked(dialog, operations::IDC_IMAGES));
        // The first search found no keyword, which unchecked the box.
        EXPECT_FALSE(Checked(dialog, operations::IDC_USE_KEYWORDS));
        Click(dialog, operations::IDC_USE_KEYWORDS);
        wxDynamicCast(dialog.FindWindow(operations::IDC_KEYWORDS), wxTextCtrl)->SetValue(" gif \n\n photo");
        return true;
    });
    EXPECT_EQ(TabCount(), listview::kInitialTabCount + 1);
    ExpectResults([](const ListRow& row) {
        return row.texts[0].find("gif") != std::string::npos || row.texts[0].find("photo") != std::string::npos;
    });
    EXPECT_EQ(View().GetSearchList()->Rows().Count(), 2);
}

TEST_F(SearchTest, DateControlsFollowTheBoxAndTheMode)
{
    RunSearch([](CSearchDlg& dialog) {
        Click(dialog, operations::IDC_USE_DATE);
        EXPECT_TRUE(Enabled(dialog, operations::IDC_DATE_MODE));
        EXPECT_TRUE(Enabled(dialog, operations::IDC_DATE_FROM));
        EXPECT_FALSE(Enabled(dialog, operations::IDC_DATE_TO));
        auto* combo = wxDynamicCast(dialog.FindWindow(operations::IDC_DATE_MODE), wxComboBox);
        combo->SetSelection(1);
        wxCommandEvent event(wxEVT_COMBOBOX, operations::IDC_DATE_MODE);
        event.SetEventObject(combo);
        combo->GetEventHandler()->ProcessEvent(event);
        EXPECT_TRUE(Enabled(dialog, operations::IDC_DATE_TO));
        EXPECT_TRUE(Enabled(dialog, operations::IDC_DATE_AND));
        Click(dialog, operations::IDC_USE_KEYWORDS);
        EXPECT_FALSE(Enabled(dialog, operations::IDC_KEYWORDS));
        // Cookies clears "All" like the other type boxes.
        Click(dialog, operations::IDC_COOKIES);
        EXPECT_FALSE(Checked(dialog, operations::IDC_ALL_TYPES));
        return false;
    });
    // Cancel keeps what the clicks stored, and changes nothing in the view.
    EXPECT_TRUE(View().LastSearch().m_bUseDate);
    EXPECT_EQ(View().LastSearch().m_strDateMode, "Between");
    EXPECT_EQ(TabCount(), listview::kInitialTabCount);

    // The Cookies click stored only "All"; the box itself is stored by the
    // next reading of the controls. Entries were made today: "On" today
    // finds every one.
    RunSearch([](CSearchDlg& dialog) {
        auto* combo = wxDynamicCast(dialog.FindWindow(operations::IDC_DATE_MODE), wxComboBox);
        EXPECT_EQ(combo->GetValue(), "Between");
        combo->SetSelection(0);
        return true;
    });
    EXPECT_FALSE(View().LastSearch().m_bAllTypes);
    EXPECT_EQ(View().GetSearchList()->Rows().Count(), View().Catalogue().ListAll().Count());
}

}  // namespace
}  // namespace trovana::test
