// The application object: starts the program with the main window on the
// current user's cache.
#pragma once

#include <wx/app.h>

namespace trovana::app {

class CTrovanaApp : public wxApp {
public:
    bool OnInit() override;
};

}  // namespace trovana::app
