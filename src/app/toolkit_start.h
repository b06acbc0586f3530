// GTK's start on X11 probes OpenGL to choose its window visuals, unless an
// earlier GTK program left its choice on the root window (which never
// happens under Xvfb or with software rendering): that loads Mesa and LLVM
// into the process, about 50 MB and a good part of the start-up time. The
// program draws nothing through GTK's OpenGL, so the probe is skipped while
// GTK starts (GDK_GL=disable, unless the user set GDK_GL); the environment
// is put back afterwards, so that the programs started from here (the
// preview's web process, a web browser) see it as it was.
#pragma once

namespace trovana::app {

class ToolkitStartWithoutGl {
public:
    ToolkitStartWithoutGl();
    ~ToolkitStartWithoutGl();
    ToolkitStartWithoutGl(const ToolkitStartWithoutGl&) = delete;
    ToolkitStartWithoutGl& operator=(const ToolkitStartWithoutGl&) = delete;

private:
    bool m_bSet = false;
};

}  // namespace trovana::app
