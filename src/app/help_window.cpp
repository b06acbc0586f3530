// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help_window.h"

#include <wx/filesys.h>
#include <wx/html/htmlwin.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/sizer.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

#include "app/chm_file.h"
#include "app/program_icon.h"
#include "app/resource.h"

namespace trovana::app {

namespace {
const wxSize kHelpWindowSize{640, 480};

// The MIME type of a file inside the help by its name's ending; the HTML
// window picks its reader by it.
wxString MimeType(const wxString& name)
{
    const wxString ending = name.AfterLast('.').Lower();
    if (ending == "htm" || ending == "html")
        return "text/html";
    if (ending == "png" || ending == "gif" || ending == "jpeg")
        return "image/" + ending;
    if (ending == "jpg")
        return "image/jpeg";
    return "application/octet-stream";
}

// Opens "trovana-help:/name" from a help window's file. The HTML window
// resolves relative links and pictures against the page's address, so they
// come from the same file.
class CHelpFileHandler : public wxFileSystemHandler {
public:
    explicit CHelpFileHandler(std::shared_ptr<CChmFile> file) : m_file(std::move(file)) {}

    bool CanOpen(const wxString& location) override { return GetProtocol(location) == HELP_SCHEME; }

    wxFSFile* OpenFile(wxFileSystem& /*fs*/, const wxString& location) override
    {
        const wxString name = GetRightLocation(location);
        std::optional<std::string> bytes = m_file->Read(name.utf8_string());
        if (!bytes)
            return nullptr;
        // Copied into a stream of its own, which the HTML window deletes.
        wxMemoryInputStream view(bytes->data(), bytes->size());
        auto* stream = new wxMemoryInputStream(static_cast<wxInputStream&>(view), bytes->size());
        return new wxFSFile(stream, location, MimeType(name), GetAnchor(location), wxDateTime());
    }

private:
    std::shared_ptr<CChmFile> m_file;
};

// "Trovana Help", in the user's language.
wxString HelpTitle()
{
    // TRANSLATORS: %s is the program's name.
    return wxString::Format(_("%s Help"), APP_TITLE);
}
}  // namespace

CHelpWindow::CHelpWindow(std::shared_ptr<CChmFile> file)
    : wxFrame(nullptr, wxID_ANY, HelpTitle(), wxDefaultPosition, kHelpWindowSize),
      m_pFileHandler(new CHelpFileHandler(std::move(file)))
{
    // The handlers are the file system's, shared by every window: this
    // window's file answers "trovana-help:" while the window lives (the
    // program shows one help window at a time).
    wxFileSystem::AddHandler(m_pFileHandler);
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    SetIcons(ProgramIcons());
    m_pHtml = new wxHtmlWindow(this);
    m_pHtml->SetRelatedFrame(this, HelpTitle() + " - %s");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pHtml, 1, wxEXPAND);
    SetSizer(sizer);
}

CHelpWindow::~CHelpWindow()
{
    // Null when wx has already dropped its handlers at its clean-up.
    delete wxFileSystem::RemoveHandler(m_pFileHandler);
}

void CHelpWindow::ShowTopic(const std::string& topic)
{
    m_pHtml->LoadPage(wxString(HELP_SCHEME) + ":/" + wxString::FromUTF8(topic));
}

wxString CHelpWindow::GetOpenedPage() const
{
    return m_pHtml->GetOpenedPage();
}

CHelpWindow* CHelpViewer::ShowTopic(const std::filesystem::path& helpFile, const std::string& topic)
{
    if (m_bFailed)
        return nullptr;
    if (m_pFile == nullptr) {
        auto file = std::make_shared<CChmFile>(helpFile);
        if (!file->IsOpen()) {
            m_bFailed = true;
            return nullptr;
        }
        m_pFile = std::move(file);
    }
    if (m_pWindow == nullptr)
        m_pWindow = new CHelpWindow(m_pFile);
    m_pWindow->ShowTopic(topic);
    m_pWindow->Show();
    m_pWindow->Raise();
    return m_pWindow;
}

std::filesystem::path ProgramHelpFile()
{
    const std::filesystem::path folder =
        std::filesystem::path(wxStandardPaths::Get().GetExecutablePath().utf8_string()).parent_path();
    std::error_code error;
    if (std::filesystem::exists(folder / HELP_FILE, error))
        return folder / HELP_FILE;  // the build tree
    return (folder / TROVANA_DATA_FROM_PROGRAM / HELP_FILE).lexically_normal();
}

}  // namespace trovana::app
