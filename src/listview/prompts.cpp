#include "listview/prompts.h"

#include <wx/dirdlg.h>
#include <wx/msgdlg.h>

namespace trovana::listview {

namespace {

class WxPrompts final : public Prompts {
public:
    int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption,
                   long style) override
    {
        wxMessageDialog dialog(parent, text, caption.empty() ? wxString("Trovana") : caption, style);
        switch (dialog.ShowModal()) {
        case wxID_YES: return wxID_YES;
        case wxID_NO: return wxID_NO;
        default: return (style & wxYES_NO) ? wxID_NO : wxID_OK;
        }
    }

    std::optional<std::filesystem::path> ChooseFolder(wxWindow* parent, const wxString& title,
                                                      const std::filesystem::path& start) override
    {
        wxDirDialog dialog(parent, title, wxString::FromUTF8(start.string()),
                           wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return std::filesystem::path(dialog.GetPath().utf8_string());
    }
};

WxPrompts g_wxPrompts;
Prompts* g_prompts = nullptr;

}  // namespace

Prompts& GetPrompts()
{
    return g_prompts ? *g_prompts : g_wxPrompts;
}

Prompts* SetPrompts(Prompts* prompts)
{
    Prompts* previous = g_prompts;
    g_prompts = prompts;
    return previous;
}

}  // namespace trovana::listview
