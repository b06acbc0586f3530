// SPDX-License-Identifier: GPL-3.0-or-later
/* Wine's verdict on many versions of one container in a single Wine process.
 * Each line of LIST holds a Windows path, a tab and a URL. For each line it
 * copies the file over TARGET, loads WinINet afresh, so that Wine maps and
 * checks the index as on its first use, lists every entry, looks up the URL,
 * and unloads WinINet again. WinINet is loaded by name: a program linked
 * against it could not unload it.
 *
 * Output, per file: "#point N", the entries as JSON lines, then "#lookup"
 * followed by the entry's JSON line, or "#lookup error CODE".
 * Exit status: 0 done; 1 a step other than the lookup failed; 2 usage. */
#include "entry_json.h"

#include <windows.h>
#include <wininet.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef HANDLE(WINAPI* FindFirstFn)(LPCSTR, LPINTERNET_CACHE_ENTRY_INFOA, LPDWORD);
typedef BOOL(WINAPI* FindNextFn)(HANDLE, LPINTERNET_CACHE_ENTRY_INFOA, LPDWORD);
typedef BOOL(WINAPI* FindCloseFn)(HANDLE);
typedef BOOL(WINAPI* GetInfoFn)(LPCSTR, LPINTERNET_CACHE_ENTRY_INFOA, LPDWORD);

struct wininet {
    HMODULE module;
    FindFirstFn find_first;
    FindNextFn find_next;
    FindCloseFn find_close;
    GetInfoFn get_info;
};

/* Entries larger than this are not made by the test. */
static char buffer[256 * 1024];
#define ENTRY ((INTERNET_CACHE_ENTRY_INFOA*)buffer)

static int failed(const char* what)
{
    printf("error %s %lu\n", what, (unsigned long)GetLastError());
    return 1;
}

static int load(struct wininet* w)
{
    w->module = LoadLibraryA("wininet.dll");
    if (!w->module)
        return 0;
    w->find_first = (FindFirstFn)(void*)GetProcAddress(w->module, "FindFirstUrlCacheEntryA");
    w->find_next = (FindNextFn)(void*)GetProcAddress(w->module, "FindNextUrlCacheEntryA");
    w->find_close = (FindCloseFn)(void*)GetProcAddress(w->module, "FindCloseUrlCache");
    w->get_info = (GetInfoFn)(void*)GetProcAddress(w->module, "GetUrlCacheEntryInfoA");
    return w->find_first && w->find_next && w->find_close && w->get_info;
}

static int list(const struct wininet* w)
{
    DWORD size = sizeof buffer;
    HANDLE find = w->find_first(NULL, ENTRY, &size);
    if (!find)
        return GetLastError() == ERROR_NO_MORE_ITEMS ? 0 : failed("FindFirstUrlCacheEntryA");
    do {
        print_entry(ENTRY);
        size = sizeof buffer;
    } while (w->find_next(find, ENTRY, &size));
    if (GetLastError() != ERROR_NO_MORE_ITEMS)
        return failed("FindNextUrlCacheEntryA");
    w->find_close(find);
    return 0;
}

static void lookup(const struct wininet* w, const char* url)
{
    DWORD size = sizeof buffer;
    if (w->get_info(url, ENTRY, &size)) {
        puts("#lookup");
        print_entry(ENTRY);
    } else {
        printf("#lookup error %lu\n", (unsigned long)GetLastError());
    }
}

static int replay(FILE* paths, const char* target)
{
    char line[4096];
    int point = 0;
    while (fgets(line, sizeof line, paths)) {
        struct wininet w;
        char* url = strchr(line, '\t');
        line[strcspn(line, "\r\n")] = '\0';
        if (!line[0])
            continue;
        if (!url) {
            puts("error no URL in the list");
            return 1;
        }
        *url++ = '\0';
        if (!CopyFileA(line, target, FALSE))
            return failed("CopyFileA");
        if (!load(&w))
            return failed("LoadLibraryA");
        printf("#point %d\n", point++);
        if (list(&w))
            return 1;
        lookup(&w, url);
        FreeLibrary(w.module);
        if (GetModuleHandleA("wininet.dll")) {
            puts("error wininet.dll stayed loaded");
            return 1;
        }
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv)
{
    FILE* paths;
    int status;
    if (argc != 3) {
        fputs("usage: wininet_replay LIST TARGET\n", stderr);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    paths = fopen(argv[1], "r");
    if (!paths)
        return failed("fopen");
    status = replay(paths, argv[2]);
    fclose(paths);
    return status;
}
