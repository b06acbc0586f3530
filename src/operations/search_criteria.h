// SPDX-License-Identifier: GPL-3.0-or-later
// The criteria of the Search dialog. The list view keeps one set for as long
// as it lives, so what the user chose for one search is the default of the
// next. Plain values, so that the search can be tried without a display.
#pragma once

#include <string>

#include "datetime.h"

namespace trovana::operations {

struct SearchCriteria {
    // Set by the Search button: nothing restricts the search.
    bool m_bMatchAll = false;
    bool m_bAllTypes = true;
    bool m_bApplications = true;
    bool m_bCookies = true;
    bool m_bUseDate = false;
    bool m_bDocuments = true;
    bool m_bImages = true;
    bool m_bVisitedLinks = true;
    bool m_bOtherTypes = true;
    bool m_bUseKeywords = true;
    // "On", "Between", "After" or "Before"; the combo's text field accepts typing.
    std::string m_strDateMode = "On";
    DateTime m_dateFrom = DateTime::Now();
    DateTime m_dateTo = DateTime::Now();
    // One keyword a line.
    std::string m_strKeywords;
};

}  // namespace trovana::operations
