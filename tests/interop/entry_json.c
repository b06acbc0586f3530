// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_json.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

typedef char*(CDECL* UnixNameFn)(const WCHAR*);

/* Length of the valid UTF-8 sequence at s (at most n bytes), 0 if none. */
static size_t utf8_sequence(const unsigned char* s, size_t n)
{
    size_t len, i;
    unsigned cp;
    if (s[0] < 0x80)
        return 1;
    if (s[0] >= 0xC2 && s[0] <= 0xDF) {
        len = 2;
        cp = s[0] & 0x1F;
    } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
        len = 3;
        cp = s[0] & 0x0F;
    } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
        len = 4;
        cp = s[0] & 0x07;
    } else
        return 0;
    if (len > n)
        return 0;
    for (i = 1; i < len; i++) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF)
        return 0;
    return len;
}

/* A JSON string of the bytes; bytes that are not UTF-8 become \u00XX. */
static void print_json_bytes(const char* data, size_t n)
{
    const unsigned char* s = (const unsigned char*)data;
    size_t i = 0;
    putchar('"');
    while (i < n) {
        size_t len = utf8_sequence(s + i, n - i);
        if (s[i] == '"' || s[i] == '\\') {
            printf("\\%c", s[i]);
            i++;
        } else if (s[i] < 0x20 || s[i] == 0x7F || len == 0) {
            printf("\\u%04x", s[i]);
            i++;
        } else {
            fwrite(s + i, 1, len, stdout);
            i += len;
        }
    }
    putchar('"');
}

static void print_json_string_or_null(const char* s)
{
    if (s)
        print_json_bytes(s, strlen(s));
    else
        fputs("null", stdout);
}

static uint64_t filetime_value(FILETIME ft)
{
    return ((uint64_t)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
}

/* The Linux path Wine gives a Windows path, or NULL. */
static char* unix_path(const char* windows_path)
{
    static UnixNameFn to_unix;
    WCHAR wide[MAX_PATH * 2];
    if (!to_unix)
        to_unix = (UnixNameFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!to_unix || !MultiByteToWideChar(CP_ACP, 0, windows_path, -1, wide, MAX_PATH * 2))
        return NULL;
    return to_unix(wide);
}

void print_entry(const INTERNET_CACHE_ENTRY_INFOA* e)
{
    char* local = e->lpszLocalFileName ? unix_path(e->lpszLocalFileName) : NULL;
    fputs("{\"url\":", stdout);
    print_json_string_or_null(e->lpszSourceUrlName);
    fputs(",\"local\":", stdout);
    print_json_string_or_null(local);
    fputs(",\"local_windows\":", stdout);
    print_json_string_or_null(e->lpszLocalFileName);
    printf(",\"type\":%lu,\"size_low\":%lu,\"size_high\":%lu,\"hit_rate\":%lu,\"use_count\":%lu",
           (unsigned long)e->CacheEntryType, (unsigned long)e->dwSizeLow, (unsigned long)e->dwSizeHigh,
           (unsigned long)e->dwHitRate, (unsigned long)e->dwUseCount);
    printf(",\"last_modified\":%" PRIu64 ",\"last_access\":%" PRIu64 ",\"expire\":%" PRIu64 ",\"last_sync\":%" PRIu64,
           filetime_value(e->LastModifiedTime), filetime_value(e->LastAccessTime), filetime_value(e->ExpireTime),
           filetime_value(e->LastSyncTime));
    fputs(",\"header\":", stdout);
    if (e->lpHeaderInfo)
        print_json_bytes((const char*)e->lpHeaderInfo, e->dwHeaderInfoSize);
    else
        fputs("\"\"", stdout);
    printf(",\"header_size\":%lu}\n", (unsigned long)e->dwHeaderInfoSize);
    if (local)
        HeapFree(GetProcessHeap(), 0, local);
}
