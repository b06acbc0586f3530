// SPDX-License-Identifier: GPL-3.0-or-later
// GTK's start on X11 probes OpenGL to choose its window visuals, unless the
// X server holds the choice of an earlier GTK program (under Xvfb, without a
// program that made a GL context, it never does): the probe loads Mesa and
// LLVM into the process, about 50 MB and a good part of the start-up. The
// program draws nothing through GTK's OpenGL, so the probe is skipped while
// GTK starts (GDK_GL=disable, unless the user set GDK_GL); the environment
// is put back afterwards, so that the programs started from here (a web
// browser, say) see it as it was.
#pragma once

#include <filesystem>

namespace trovana::listview {

// An environment variable set while the object lives, unless it was set
// already or is not wanted; unset again afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value, bool wanted = true);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    const char* m_name;
    bool m_bSet;
};

class ToolkitStartWithoutGl : public ScopedVariable {
public:
    ToolkitStartWithoutGl();
};

// While a browser is made: when GTK was started without OpenGL, WebKit is
// told that it renders without it (as it would find out, with a warning on
// the terminal, by failing to make a GL context).
class BrowserWithoutGl : public ScopedVariable {
public:
    BrowserWithoutGl();
};

// GLib's per-user data and cache folders, as this process's libraries see
// them (WebKit keeps a previewed page's website data, cookies, local
// storage and disk cache there, under the program's name), become folders
// in `privateFolder`, which the program removes at exit: nothing about a
// previewed site is kept in the user's home. The environment is put back,
// so that the program's own search for caches (XDG_DATA_HOME) and the
// programs it starts see it as it was. Called before GTK starts, as GLib
// reads these folders once.
void KeepToolkitDataIn(const std::filesystem::path& privateFolder);

}  // namespace trovana::listview
