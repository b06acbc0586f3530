// SPDX-License-Identifier: GPL-3.0-or-later
/* Printing a WinINet cache entry as one JSON line, shared by the programs
 * the interoperability test runs under Wine. The keys and value formats are
 * those of `trovana-cache list --format jsonl`, plus "local_windows", the
 * path as WinINet gives it. */
#ifndef TROVANA_INTEROP_ENTRY_JSON_H
#define TROVANA_INTEROP_ENTRY_JSON_H

#include <windows.h>
#include <wininet.h>

void print_entry(const INTERNET_CACHE_ENTRY_INFOA* e);

#endif
