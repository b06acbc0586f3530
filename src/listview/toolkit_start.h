// GTK's start on X11 probes OpenGL to choose its window visuals, unless an
// earlier GTK program left its choice on the root window (which never
// happens under Xvfb or with software rendering): that loads Mesa and LLVM
// into the process, about 50 MB and a good part of the start-up time. The
// program draws nothing through GTK's OpenGL, so the probe is skipped while
// GTK starts (GDK_GL=disable, unless the user set GDK_GL); the environment
// is put back afterwards, so that the programs started from here (a web
// browser, say) see it as it was.
#pragma once

namespace trovana::listview {

class ToolkitStartWithoutGl {
public:
    ToolkitStartWithoutGl();
    ~ToolkitStartWithoutGl();
    ToolkitStartWithoutGl(const ToolkitStartWithoutGl&) = delete;
    ToolkitStartWithoutGl& operator=(const ToolkitStartWithoutGl&) = delete;

private:
    bool m_bSet = false;
};

// While a browser is made: when GTK was started without OpenGL, WebKit is
// told that it renders without it (as it would find out, with a warning on
// the terminal, by failing to make a GL context).
class BrowserWithoutGl {
public:
    BrowserWithoutGl();
    ~BrowserWithoutGl();
    BrowserWithoutGl(const BrowserWithoutGl&) = delete;
    BrowserWithoutGl& operator=(const BrowserWithoutGl&) = delete;

private:
    bool m_bSet = false;
};

}  // namespace trovana::listview
