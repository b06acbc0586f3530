#include "app/trovana_app.h"

wxIMPLEMENT_APP(trovana::app::CTrovanaApp);
