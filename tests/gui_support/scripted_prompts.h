// SPDX-License-Identifier: GPL-3.0-or-later
// Answers to the window's questions, given by a test, and a record of what
// was asked. A test hands them to the main window it makes (UsePrompts).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "listview/prompts.h"

namespace trovana::test {

class ScriptedPrompts final : public listview::Prompts {
public:
    struct Asked {
        std::string text;
        std::string caption;
        // The message box's wx style bits; 0 for a list to choose from.
        long style = 0;
    };

    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    int MessageBox(wxWindow*, const wxString& text, const wxString& caption, long style) override
    {
        m_asked.push_back({text.utf8_string(), caption.utf8_string(), style});
        if (m_onAsk)
            m_onAsk(m_asked.back().text);
        if ((style & wxYES_NO) == 0)
            return wxID_OK;
        if (m_answers.empty())
            return wxID_NO;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    std::optional<std::filesystem::path> ChooseFolder(wxWindow*, const wxString& title,
                                                      const std::filesystem::path& start) override
    {
        m_folderTitle = title.utf8_string();
        m_folderStart = start;
        if (m_onAsk)
            m_onAsk(m_folderTitle);
        return m_folder;
    }

    std::optional<listview::SaveChoice> ChooseSaveFile(wxWindow*, const wxString& title, const wxString& wildcard,
                                                       const wxString&) override
    {
        m_saveTitle = title.utf8_string();
        m_saveWildcard = wildcard.utf8_string();
        if (m_onAsk)
            m_onAsk(m_saveTitle);
        return m_save;
    }

    std::optional<std::filesystem::path> ChooseOpenFile(wxWindow*, const wxString& title, const wxString&) override
    {
        m_openTitle = title.utf8_string();
        return m_openFile;
    }

    std::optional<size_t> ChooseOne(wxWindow*, const wxString& text, const wxString&,
                                    const std::vector<wxString>& items) override
    {
        m_asked.push_back({text.utf8_string(), {}});
        m_choiceItems.clear();
        for (const wxString& item : items)
            m_choiceItems.push_back(item.utf8_string());
        return m_choice;
    }

    // A progress window that records the steps and cancels after
    // m_cancelAfter of them (never when negative).
    std::unique_ptr<listview::ProgressWindow> StartProgress(wxWindow*, const wxString& title, int steps) override
    {
        m_progressTitle = title.utf8_string();
        m_progressSteps = steps;
        return std::make_unique<Progress>(*this);
    }

    // Called as a message box or a chooser opens, with its text or title:
    // the test looks at the window meanwhile, or acts on it.
    std::function<void(const std::string& asked)> m_onAsk;
    // Answers to Yes/No questions in order; No when they run out.
    std::deque<int> m_answers;
    std::optional<std::filesystem::path> m_folder;
    std::vector<Asked> m_asked;
    // The pick from a list, and the items that list offered.
    std::optional<size_t> m_choice;
    std::vector<std::string> m_choiceItems;
    std::string m_folderTitle;
    // The open-file chooser's answer, and its title.
    std::optional<std::filesystem::path> m_openFile;
    std::string m_openTitle;
    std::filesystem::path m_folderStart;
    // The save-file chooser's answer, and what it was shown.
    std::optional<listview::SaveChoice> m_save;
    std::string m_saveTitle;
    std::string m_saveWildcard;
    std::string m_progressTitle;
    int m_progressSteps = 0;
    int m_cancelAfter = -1;
    std::vector<int> m_progressDone;

private:
    class Progress final : public listview::ProgressWindow {
    public:
        explicit Progress(ScriptedPrompts& prompts) : m_prompts(prompts) {}
        bool Update(int done) override
        {
            m_prompts.m_progressDone.push_back(done);
            return m_prompts.m_cancelAfter < 0 || done < m_prompts.m_cancelAfter;
        }

    private:
        ScriptedPrompts& m_prompts;
    };
};

}  // namespace trovana::test
