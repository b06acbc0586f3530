// SPDX-License-Identifier: GPL-3.0-or-later
/* A small WinINet client, run under Wine by the interoperability test. It
 * drives the real URL cache functions and prints entries as one JSON object
 * per line, with the keys and value formats of `trovana-cache list --format
 * jsonl` (plus "local_windows", the path as WinINet gives it).
 *
 * Arguments that carry bytes (content, header, extension, URL) understand the
 * escapes \r \n \t \\ and \xHH, so that any byte reaches WinINet unchanged by
 * the command line's code-page conversion.
 *
 * Exit status: 0 success; 1 a WinINet call failed ("error <code>" is printed);
 * 2 a usage error.
 */
#include "entry_json.h"

#include <windows.h>
#include <wininet.h>

#include <fcntl.h>
#include <inttypes.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(const char* what)
{
    DWORD code = GetLastError();
    fprintf(stderr, "%s failed\n", what);
    printf("error %lu\n", (unsigned long)code);
    return 1;
}

static int usage(void)
{
    fputs(
        "usage: wininet_client list | info URL | commit URL [CONTENT|-] [HEADER] [EXT]\n"
        "       | fill COUNT URL-PREFIX | cookie URL NAME VALUE | visit URL\n"
        "       | retrieve URL | unlock URL | delete URL | hold SECONDS\n"
        "       | browse URL SECONDS\n",
        stderr);
    return 2;
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* Decodes the escapes in place; returns the byte count. */
static size_t unescape(char* s)
{
    char* out = s;
    const char* in = s;
    while (*in) {
        if (in[0] == '\\' && in[1]) {
            int hi, lo;
            switch (in[1]) {
            case 'r':
                *out++ = '\r';
                in += 2;
                continue;
            case 'n':
                *out++ = '\n';
                in += 2;
                continue;
            case 't':
                *out++ = '\t';
                in += 2;
                continue;
            case '\\':
                *out++ = '\\';
                in += 2;
                continue;
            case 'x':
                hi = hex_digit(in[2]);
                lo = hi >= 0 ? hex_digit(in[3]) : -1;
                if (lo >= 0) {
                    *out++ = (char)(hi * 16 + lo);
                    in += 4;
                    continue;
                }
                break;
            default: break;
            }
        }
        *out++ = *in++;
    }
    *out = '\0';
    return (size_t)(out - s);
}

/* A buffer for one entry, grown on ERROR_INSUFFICIENT_BUFFER. */
struct entry_buffer {
    INTERNET_CACHE_ENTRY_INFOA* info;
    DWORD size;
};

static int grow(struct entry_buffer* b, DWORD needed)
{
    void* p = realloc(b->info, needed);
    if (!p)
        return 0;
    b->info = p;
    b->size = needed;
    return 1;
}

static int cmd_list(void)
{
    struct entry_buffer b = {NULL, 0};
    HANDLE find;
    DWORD size;
    grow(&b, 256);
    for (;;) {
        size = b.size;
        find = FindFirstUrlCacheEntryA(NULL, b.info, &size);
        if (find || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        if (!grow(&b, size))
            return fail("realloc");
    }
    if (!find) {
        if (GetLastError() == ERROR_NO_MORE_ITEMS)
            return 0;
        return fail("FindFirstUrlCacheEntryA");
    }
    for (;;) {
        print_entry(b.info);
        for (;;) {
            size = b.size;
            if (FindNextUrlCacheEntryA(find, b.info, &size))
                break;
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
                DWORD code = GetLastError();
                FindCloseUrlCache(find);
                free(b.info);
                SetLastError(code);
                return code == ERROR_NO_MORE_ITEMS ? 0 : fail("FindNextUrlCacheEntryA");
            }
            if (!grow(&b, size))
                return fail("realloc");
        }
    }
}

/* Calls GetUrlCacheEntryInfoA or RetrieveUrlCacheEntryFileA with the retry. */
static int cmd_entry(const char* url, BOOL retrieve)
{
    struct entry_buffer b = {NULL, 0};
    DWORD size = 0;
    BOOL ok = retrieve ? RetrieveUrlCacheEntryFileA(url, NULL, &size, 0) : GetUrlCacheEntryInfoA(url, NULL, &size);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        if (!grow(&b, size))
            return fail("realloc");
        ok = retrieve ? RetrieveUrlCacheEntryFileA(url, b.info, &size, 0) : GetUrlCacheEntryInfoA(url, b.info, &size);
    }
    if (!ok)
        return fail(retrieve ? "RetrieveUrlCacheEntryFileA" : "GetUrlCacheEntryInfoA");
    print_entry(b.info);
    free(b.info);
    return 0;
}

/* A program that has the cache open: the entry looked up and an enumeration
 * left open while it waits, so that every container is mapped. */
static int cmd_browse(const char* url, const char* seconds)
{
    char buffer[4096];
    INTERNET_CACHE_ENTRY_INFOA* info = (INTERNET_CACHE_ENTRY_INFOA*)buffer;
    DWORD size = sizeof buffer;
    HANDLE find;
    if (!GetUrlCacheEntryInfoA(url, info, &size))
        return fail("GetUrlCacheEntryInfoA");
    size = sizeof buffer;
    find = FindFirstUrlCacheEntryA(NULL, info, &size);
    if (!find)
        return fail("FindFirstUrlCacheEntryA");
    puts("holding");
    fflush(stdout);
    Sleep((DWORD)atoi(seconds) * 1000);
    FindCloseUrlCache(find);
    return 0;
}

static FILETIME utc_filetime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms)
{
    SYSTEMTIME st = {year, month, 0, day, hour, minute, second, ms};
    FILETIME ft = {0, 0};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

static BOOL write_file(const char* path, const char* data, size_t n)
{
    DWORD written = 0;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    BOOL ok;
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    ok = WriteFile(h, data, (DWORD)n, &written, NULL) && written == n;
    CloseHandle(h);
    return ok;
}

/* As a browser stores a download: reserve a file, write it, commit it.
 * content NULL: an entry without a file. */
static int commit(const char* url, const char* content, size_t content_size, const char* header, size_t header_size,
                  const char* ext, DWORD type)
{
    /* Odd seconds and milliseconds: the index keeps the expiry as a DOS time. */
    FILETIME expire = utc_filetime(2031, 5, 6, 7, 8, 9, 500);
    FILETIME modified = utc_filetime(2023, 2, 3, 4, 5, 7, 250);
    char path[MAX_PATH] = "";
    if (content) {
        if (!CreateUrlCacheEntryA(url, (DWORD)content_size, ext, path, 0))
            return fail("CreateUrlCacheEntryA");
        if (!write_file(path, content, content_size))
            return fail("WriteFile");
    }
    if (!CommitUrlCacheEntryA(url, content ? path : NULL, expire, modified, type, (BYTE*)header, (DWORD)header_size,
                              ext, NULL))
        return fail("CommitUrlCacheEntryA");
    return 0;
}

static int cmd_commit(int argc, char** argv)
{
    char* url = argv[2];
    char* content = argc > 3 && strcmp(argv[3], "-") != 0 ? argv[3] : NULL;
    char* header = argc > 4 ? argv[4] : NULL;
    char* ext = argc > 5 ? argv[5] : NULL;
    size_t content_size = content ? unescape(content) : 0;
    size_t header_size = header ? unescape(header) : 0;
    unescape(url);
    if (ext)
        unescape(ext);
    return commit(url, content, content_size, header_size ? header : NULL, header_size, ext, NORMAL_CACHE_ENTRY);
}

/* COUNT content entries PREFIX0.html, PREFIX1.html, ... with files and headers. */
static int cmd_fill(const char* count_text, const char* prefix)
{
    static const char header[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    int count = atoi(count_text), i;
    for (i = 0; i < count; i++) {
        char url[1024], body[128];
        int n = snprintf(body, sizeof body, "<html><body>page %d</body></html>", i);
        snprintf(url, sizeof url, "%s%d.html", prefix, i);
        if (commit(url, body, (size_t)n, header, sizeof header - 1, "html", NORMAL_CACHE_ENTRY))
            return 1;
    }
    return 0;
}

static int cmd_cookie(const char* url, const char* name, const char* value)
{
    char data[1024];
    snprintf(data, sizeof data, "%s; expires=Sat, 01-Jan-2039 00:00:00 GMT", value);
    if (!InternetSetCookieA(url, name, data))
        return fail("InternetSetCookieA");
    return 0;
}

/* A visited link, as the browser records it in the history container. */
static int cmd_visit(const char* url)
{
    char user[256], entry[2048];
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        return fail("GetUserNameA");
    snprintf(entry, sizeof entry, "Visited: %s@%s", user, url);
    return commit(entry, NULL, 0, NULL, 0, NULL, NORMAL_CACHE_ENTRY);
}

int main(int argc, char** argv)
{
    const char* cmd = argc > 1 ? argv[1] : "";
    _setmode(_fileno(stdout), _O_BINARY);
    if (!strcmp(cmd, "list") && argc == 2)
        return cmd_list();
    if (argc < 3)
        return usage();
    if (!strcmp(cmd, "info") && argc == 3)
        return unescape(argv[2]), cmd_entry(argv[2], FALSE);
    if (!strcmp(cmd, "retrieve") && argc == 3)
        return unescape(argv[2]), cmd_entry(argv[2], TRUE);
    if (!strcmp(cmd, "commit") && argc <= 6)
        return cmd_commit(argc, argv);
    if (!strcmp(cmd, "fill") && argc == 4)
        return cmd_fill(argv[2], argv[3]);
    if (!strcmp(cmd, "cookie") && argc == 5)
        return cmd_cookie(argv[2], argv[3], argv[4]);
    if (!strcmp(cmd, "visit") && argc == 3)
        return cmd_visit(argv[2]);
    if (!strcmp(cmd, "unlock") && argc == 3) {
        unescape(argv[2]);
        if (!UnlockUrlCacheEntryFileA(argv[2], 0))
            return fail("UnlockUrlCacheEntryFileA");
        return 0;
    }
    if (!strcmp(cmd, "delete") && argc == 3) {
        unescape(argv[2]);
        if (!DeleteUrlCacheEntryA(argv[2]))
            return fail("DeleteUrlCacheEntryA");
        puts("deleted");
        return 0;
    }
    if (!strcmp(cmd, "browse") && argc == 4)
        return unescape(argv[2]), cmd_browse(argv[2], argv[3]);
    if (!strcmp(cmd, "hold") && argc == 3) {
        /* A Windows program that keeps running: the line says it has started. */
        puts("holding");
        fflush(stdout);
        Sleep((DWORD)atoi(argv[2]) * 1000);
        return 0;
    }
    return usage();
}
