// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/prompts.h"

#include <wx/choicdlg.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
// After wx/msgdlg.h, on which it builds.
#include <wx/generic/msgdlgg.h>
#include <wx/progdlg.h>

#include "listview/screen_fit.h"

namespace trovana::listview {

namespace {

class WxProgressWindow final : public ProgressWindow {
public:
    WxProgressWindow(wxWindow* parent, const wxString& title, int steps)
        : m_dialog(title, "", steps, parent, wxPD_APP_MODAL | wxPD_AUTO_HIDE | wxPD_CAN_ABORT)
    {
    }
    bool Update(int done) override { return m_dialog.Update(done); }

private:
    wxProgressDialog m_dialog;
};

class WxPrompts final : public Prompts {
public:
    int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) override
    {
        const wxString title = caption.empty() ? wxString("Trovana") : caption;
        int answer = 0;
        if (parent == nullptr) {
            // A message with no window under it (at start-up): GTK's own box
            // would sit in the corner, without the keyboard where there is
            // no window manager. This one is centred on the screen and takes
            // the keys, so that Return answers it.
            wxGenericMessageDialog dialog(nullptr, text, title, style | wxCENTRE);
            // Its window is made only as it is shown.
            dialog.Bind(wxEVT_SHOW, [&dialog](wxShowEvent& event) {
                event.Skip();
                if (event.IsShown())
                    FitNativeDialog(dialog);
            });
            answer = dialog.ShowModal();
        } else {
            wxMessageDialog dialog(parent, text, title, style);
            answer = dialog.ShowModal();
        }
        switch (answer) {
        case wxID_YES: return wxID_YES;
        case wxID_NO: return wxID_NO;
        default: return (style & wxYES_NO) ? wxID_NO : wxID_OK;
        }
    }

    std::optional<std::filesystem::path> ChooseFolder(wxWindow* parent, const wxString& title,
                                                      const std::filesystem::path& start) override
    {
        wxDirDialog dialog(parent, title, wxString::FromUTF8(start.string()), wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        FitNativeDialog(dialog);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return std::filesystem::path(dialog.GetPath().utf8_string());
    }

    std::optional<SaveChoice> ChooseSaveFile(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                             const wxString& defaultName) override
    {
        wxFileDialog dialog(parent, title, wxString(), defaultName, wildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        FitNativeDialog(dialog);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return SaveChoice{std::filesystem::path(dialog.GetPath().utf8_string()), dialog.GetFilterIndex()};
    }

    std::optional<std::filesystem::path> ChooseOpenFile(wxWindow* parent, const wxString& title,
                                                        const wxString& wildcard) override
    {
        wxFileDialog dialog(parent, title, wxString(), wxString(), wildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        FitNativeDialog(dialog);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return std::filesystem::path(dialog.GetPath().utf8_string());
    }

    std::optional<size_t> ChooseOne(wxWindow* parent, const wxString& text, const wxString& caption,
                                    const std::vector<wxString>& items) override
    {
        wxArrayString choices;
        for (const wxString& item : items)
            choices.Add(item);
        wxSingleChoiceDialog dialog(parent, text, caption.empty() ? wxString("Trovana") : caption, choices);
        FitOnScreen(dialog);
        if (dialog.ShowModal() != wxID_OK || dialog.GetSelection() < 0)
            return std::nullopt;
        return static_cast<size_t>(dialog.GetSelection());
    }

    std::unique_ptr<ProgressWindow> StartProgress(wxWindow* parent, const wxString& title, int steps) override
    {
        return std::make_unique<WxProgressWindow>(parent, title, steps);
    }
};

}  // namespace

std::unique_ptr<Prompts> MakeWxPrompts()
{
    return std::make_unique<WxPrompts>();
}

}  // namespace trovana::listview
