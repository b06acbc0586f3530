// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/translations.h"

#include <filesystem>
#include <system_error>

#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>
#include <wx/uilocale.h>

namespace trovana::app {

namespace {
// The program's catalogue: LANG/LC_MESSAGES/trovana.mo under each prefix.
constexpr const char* kDomain = "trovana";

void AddPrefix(const std::filesystem::path& folder)
{
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(folder.lexically_normal().string()));
}
}  // namespace

void SetUpTranslations()
{
    {
        // Under LANG=C, or a language whose locale the system lacks, the
        // program keeps the C locale; its texts are still translated.
        wxLogNull quiet;
        wxUILocale::UseDefault();
    }
    const std::filesystem::path program =
        std::filesystem::path(wxStandardPaths::Get().GetExecutablePath().utf8_string()).parent_path();
    // The build's own catalogues come first when the program runs where the
    // build made it (its folder holds CMake's CMakeFiles); an installed
    // program never looks into a build tree, and carries no build path.
    std::error_code error;
    if (std::filesystem::is_directory(program / "CMakeFiles", error))
        AddPrefix(program / TROVANA_BUILD_LOCALE_FROM_PROGRAM);
    AddPrefix(program / TROVANA_LOCALE_FROM_PROGRAM);
    AddPrefix(TROVANA_INSTALLED_LOCALE_DIR);

    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    // wx's own texts (its stock dialogs), where the system has them, then
    // the program's; a language without a catalogue stays English quietly.
    wxLogNull quiet;
    translations->AddStdCatalog();
    translations->AddCatalog(kDomain);
}

}  // namespace trovana::app
