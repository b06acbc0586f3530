// SPDX-License-Identifier: GPL-3.0-or-later
// The one seam through which the commands on entries and the windows ask
// the user anything: message boxes, choosers and progress windows. The
// program uses the wx dialogs; tests give scripted answers and read back
// what was asked.
#pragma once

#include <wx/string.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class wxWindow;

namespace trovana::entry_commands {

// A progress window of a long task; it goes when destroyed.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    // Shows how many steps are done; false once the user has cancelled.
    virtual bool Update(int done) = 0;
};

// A file named in a save-file chooser, and the index of the file type that
// was chosen in it.
struct SaveChoice {
    std::filesystem::path path;
    int filter = 0;
};

// Which buttons and icon a message box shows (wx style bits: wxOK,
// wxYES_NO, wxICON_QUESTION, wxICON_EXCLAMATION, ...).
class Prompts {
public:
    virtual ~Prompts() = default;
    // Shows a modal message box; returns wxID_OK, wxID_YES or wxID_NO.
    // An empty caption means the program's title "Trovana".
    virtual int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) = 0;
    // A folder chooser; none when the user cancels.
    virtual std::optional<std::filesystem::path> ChooseFolder(wxWindow* parent, const wxString& title,
                                                              const std::filesystem::path& start) = 0;
    // A save-file chooser with file types as a wx wildcard ("CSV (*.csv)|*.csv|...")
    // that asks before it replaces a file; none when the user cancels (and
    // unless overridden).
    virtual std::optional<SaveChoice> ChooseSaveFile(wxWindow* parent, const wxString& title, const wxString& wildcard,
                                                     const wxString& defaultName);
    // An open-file chooser for an existing file, with file types as a wx
    // wildcard; none when the user cancels (and unless overridden).
    virtual std::optional<std::filesystem::path> ChooseOpenFile(wxWindow* parent, const wxString& title,
                                                                const wxString& wildcard);
    // A list to pick one item from, with OK and Cancel; the index of the
    // item picked, none when the user cancels (and unless overridden).
    virtual std::optional<size_t> ChooseOne(wxWindow* parent, const wxString& text, const wxString& caption,
                                            const std::vector<wxString>& items);
    // A modal progress window with a Cancel button for a task of `steps`
    // steps; none (the task shows no progress) unless overridden.
    virtual std::unique_ptr<ProgressWindow> StartProgress(wxWindow* parent, const wxString& title, int steps);

    // A question with Yes and No: true for Yes.
    bool AskYes(wxWindow* parent, const wxString& question, const wxString& caption = wxString());
    // A list of lines under a heading, cut after the first eight (with a
    // line saying how many more there are): what went wrong, in a box.
    void ShowProblems(wxWindow* parent, const wxString& heading, const std::vector<std::string>& problems);
};

}  // namespace trovana::entry_commands
