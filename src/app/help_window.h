// SPDX-License-Identifier: GPL-3.0-or-later
// Help > Contents: a small window of the program that shows the pages of
// the compiled help file "trovana.chm", with its links and pictures read
// from the same file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <wx/frame.h>
#include <wx/weakref.h>

class wxFileSystemHandler;
class wxHtmlWindow;

namespace trovana::app {

class CChmFile;

// The scheme under which the help window addresses the files inside the CHM.
inline constexpr const char* HELP_SCHEME = "trovana-help";

class CHelpWindow : public wxFrame {
public:
    // A window without an owner, so that it stays when the main window is
    // minimised; shows nothing until ShowTopic.
    explicit CHelpWindow(std::shared_ptr<CChmFile> file);
    ~CHelpWindow() override;

    // Shows a page of the file, named from its root ("whatis.htm").
    void ShowTopic(const std::string& topic);
    // The page shown now, as the window addresses it.
    wxString GetOpenedPage() const;
    wxHtmlWindow* GetHtml() const { return m_pHtml; }
    // The program ends with its main window even while help is shown.
    bool ShouldPreventAppExit() const override { return false; }

private:
    // Reads this window's file for its pages; registered with wx's file
    // system while the window lives.
    wxFileSystemHandler* m_pFileHandler;
    wxHtmlWindow* m_pHtml = nullptr;
};

// Loads the help file once and shows its topics. When the file cannot be
// read, that request and every later one do nothing.
class CHelpViewer {
public:
    // Shows the topic in the help window, made on the first request and
    // brought forward on the later ones; null when nothing can be shown.
    CHelpWindow* ShowTopic(const std::filesystem::path& helpFile, const std::string& topic);
    bool HasFailed() const { return m_bFailed; }

private:
    bool m_bFailed = false;
    std::shared_ptr<CChmFile> m_pFile;
    wxWeakRef<CHelpWindow> m_pWindow;
};

// "trovana.chm" beside the program's file (in the build tree), else in the
// installed data folder of the program (share/trovana).
std::filesystem::path ProgramHelpFile();

}  // namespace trovana::app
