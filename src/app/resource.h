// SPDX-License-Identifier: GPL-3.0-or-later
// Numeric ids and fixed texts of the main window: menu and button commands,
// status bar indicators, and the string table's texts.
#pragma once

#include <wx/defs.h>
#include <wx/translation.h>

#include "project_info.h"

namespace trovana::app {

// Commands of the menu, the button bar and the site tree's pop-up menu. wx
// takes command ids only below 32767: the framework's commands use wx's own
// ids, and the program's commands above that limit get numbers below it.
inline constexpr int ID_CACHE_SEARCH = 1017;
inline constexpr int ID_CACHE_COPY = 1018;
inline constexpr int ID_CACHE_DELETE = 1019;
inline constexpr int ID_CACHE_DELETE_ALL = 1020;
inline constexpr int ID_CACHE_REFRESH = 1021;
inline constexpr int ID_FILE_EXPORT = 1061;
inline constexpr int ID_VIEW_RECOVERED = 1062;
inline constexpr int ID_VIEW_TIMES_UTC = 1063;
inline constexpr int ID_FILE_OPEN_CACHE = 1064;
inline constexpr int ID_VIEW_HISTORY_ZONE = 1065;
inline constexpr int ID_FILE_OPEN_IMAGE = 1066;
inline constexpr int ID_CHECK_UPDATE = 32761;
inline constexpr int ID_DELETE_SITE = 32762;
inline constexpr int ID_NEXT_PANE = 32763;
inline constexpr int ID_PREV_PANE = 32764;
inline constexpr int ID_APP_ABOUT = wxID_ABOUT;
inline constexpr int ID_APP_EXIT = wxID_EXIT;
inline constexpr int ID_HELP_CONTENTS = wxID_HELP_CONTENTS;

// Window ids of the splitters and their panes (first pane, then + 16 x row
// + column). Windows' own number, 0xE900, is above the largest window id
// that wx allows (32767), so the number is taken from below it.
inline constexpr int IDW_PANE_FIRST = 0x6900;

// Status prompts shown in field 0 while a menu item or button is pointed at.
// The texts marked wxTRANSLATE are shown through wxGetTranslation.
inline constexpr const char* PROMPT_SEARCH = wxTRANSLATE("Search cache items");
inline constexpr const char* PROMPT_COPY = wxTRANSLATE("Copy selected items to a local folder");
inline constexpr const char* PROMPT_DELETE = wxTRANSLATE("Delete selected items");
inline constexpr const char* PROMPT_DELETE_ALL = wxTRANSLATE("Delete all cache items");
inline constexpr const char* PROMPT_REFRESH = wxTRANSLATE("Refresh Cache List");
inline constexpr const char* PROMPT_CHECK_UPDATE = wxTRANSLATE("Check most recent update of the software");
inline constexpr const char* PROMPT_ABOUT = wxTRANSLATE("Display program information, version number and copyright");
inline constexpr const char* PROMPT_EXIT = wxTRANSLATE("Quit the application; prompts to save documents");
inline constexpr const char* PROMPT_EXPORT = wxTRANSLATE("Write the selected items, or the whole list, to a file");
inline constexpr const char* PROMPT_RECOVERED = wxTRANSLATE(
    "Show every record of the cache with its state: live, redirect, leak, recovered, deleted, log only or "
    "table row (read-only)");
inline constexpr const char* PROMPT_TIMES_UTC = wxTRANSLATE("Show times in UTC instead of local time");
inline constexpr const char* PROMPT_HISTORY_ZONE = wxTRANSLATE(
    "Choose the time zone of the computer that recorded the daily and weekly history");
inline constexpr const char* PROMPT_OPEN_CACHE = wxTRANSLATE(
    "Open another cache: a Wine prefix, a user profile or a container file");
inline constexpr const char* PROMPT_RECENT = wxTRANSLATE("Open a cache opened before");
inline constexpr const char* PROMPT_OPEN_IMAGE = wxTRANSLATE(
    "Open a cache inside a disk image (raw, E01, VMDK, VHD, VHDX, QCOW2), read-only");
inline constexpr const char* TEXT_DELETE_SITE = wxTRANSLATE("Delete Site");

inline constexpr const char* APP_TITLE = "Trovana";
inline constexpr const char* VERSION_TEXT = kVersion;
inline constexpr const char* IDLE_MESSAGE = wxTRANSLATE("Ready");

// The product's web page (string 61204), opened by Check Update.
inline constexpr const char* PRODUCT_URL = kHomepage;

// The About box's texts.
inline constexpr const char* ABOUT_CAPTION = wxTRANSLATE("About Trovana");
// The name line, "Trovana Pro Version 1.11", with the version put in.
inline constexpr const char* ABOUT_NAME_VERSION = wxTRANSLATE("Trovana Pro Version %s");
inline constexpr const char* ABOUT_COPYRIGHT = "Copyright (C) 2026 Trovana";
inline constexpr const char* ABOUT_LICENSE = wxTRANSLATE("Licence: GNU GPL version 3 or later");
inline constexpr int IDC_ABOUT_NAME = 1040;

// The help file beside the program and the topic that Help > Contents shows.
inline constexpr const char* HELP_FILE = "trovana.chm";
inline constexpr const char* HELP_TOPIC = "whatis.htm";

}  // namespace trovana::app
