// SPDX-License-Identifier: GPL-3.0-or-later
/* Fills the URL cache of the Wine prefix it runs in through Wine's own
 * WinINet, as a browser would: COUNT entries over 400 hosts, of which 19 in
 * 50 are downloads with a small file and the short headers of a real
 * response (content), 23 in 50 visited links (history) and 8 in 50
 * persistent cookies. Of the downloads, 19 in 40 are pages, 15 in 40 images
 * and the rest scripts, style sheets and videos.
 *
 * The mix is what lets Wine write 100,000 entries: each container's
 * index.dat grows by doubling up to the 126,336 blocks of 128 bytes that its
 * allocation bitmap can address ((0x4000 - 0x250) * 8), and a full one makes
 * CommitUrlCacheEntryA fail with error 8. A download takes 3 blocks (the
 * 0x68-byte record, URL, file name, headers, extension), a visited link or
 * a cookie 2, and every 448 entries a 32-block hash table. 38,000 downloads
 * fill about 118,000 blocks of the content container; the history and
 * cookie containers stay below 100,000.
 *
 * Usage, under Wine: wine_fill_cache COUNT
 * Prints the entries made, and the time taken every 10,000 on stderr; exit
 * status 1 when a WinINet call fails. */
#include <windows.h>
#include <wininet.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "cache_kinds.h"

#define HOSTS 400

static int fail(const char* what, int i)
{
    fprintf(stderr, "%s failed at entry %d: error %lu\n", what, i, (unsigned long)GetLastError());
    return 1;
}

/* The download's bytes, written with the C library as a browser's own code
 * would write them. */
static BOOL write_file(const char* path, const char* data, size_t n)
{
    FILE* file = fopen(path, "wb");
    BOOL ok;
    if (!file)
        return FALSE;
    ok = fwrite(data, 1, n, file) == n;
    return fclose(file) == 0 && ok;
}

static FILETIME filetime_days_ago(int days, int seconds)
{
    SYSTEMTIME now;
    FILETIME ft;
    ULARGE_INTEGER v;
    GetSystemTime(&now);
    SystemTimeToFileTime(&now, &ft);
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    v.QuadPart -= ((ULONGLONG)days * 86400 + (ULONGLONG)seconds) * 10000000;
    ft.dwLowDateTime = v.LowPart;
    ft.dwHighDateTime = v.HighPart;
    return ft;
}

/* The n-th cookie: one per host and folder, 40,000 such before any repeats
 * (each folder's cookies are one entry). */
static int cookie(int i, int n)
{
    char url[256], name[32], data[256];
    snprintf(url, sizeof url, "http://www.site%d.example.com/dir%d/", n % HOSTS, n / HOSTS % 100);
    snprintf(name, sizeof name, "id%d", i);
    snprintf(data, sizeof data, "%d; path=/dir%d/; expires=Sat, 01-Jan-2039 00:00:00 GMT", i, n / HOSTS % 100);
    return InternetSetCookieA(url, name, data) ? 0 : fail("InternetSetCookieA", i);
}

static int visit(int i, const char* user, const char* url)
{
    char entry[1024];
    snprintf(entry, sizeof entry, "Visited: %s@%s", user, url);
    if (!CommitUrlCacheEntryA(entry, NULL, filetime_days_ago(-30, 0), filetime_days_ago(i % 60, i), NORMAL_CACHE_ENTRY,
                              NULL, 0, NULL, NULL))
        return fail("CommitUrlCacheEntryA", i);
    return 0;
}

static int download(int i, const char* url, const char* const kind[2])
{
    static char body[4096];
    char path[MAX_PATH] = "", header[256];
    DWORD size = 100 + (DWORD)(i % 1000);
    int n = snprintf(header, sizeof header,
                     "HTTP/1.1 200 OK\r\nContent-Type: %s\r\nContent-Length: %lu\r\nETag: \"%x\"\r\n\r\n", kind[1],
                     (unsigned long)size, (unsigned)i * 2654435761u);
    if (!body[0])
        memset(body, 'x', sizeof body);
    if (!CreateUrlCacheEntryA(url, size, kind[0], path, 0))
        return fail("CreateUrlCacheEntryA", i);
    if (!write_file(path, body, size))
        return fail("WriteFile", i);
    if (!CommitUrlCacheEntryA(url, path, filetime_days_ago(-30, 0), filetime_days_ago(i % 90, i), NORMAL_CACHE_ENTRY,
                              (BYTE*)header, (DWORD)n, (char*)kind[0], NULL))
        return fail("CommitUrlCacheEntryA", i);
    return 0;
}

/* The kind of the n-th download, by its index in kCacheKinds: of every 40,
 * 15 pages and 4 XML files (Documents), 15 images, 2 scripts, 2 style sheets
 * and 2 videos. */
static int download_kind(int n)
{
    static const unsigned char mix[40] = {0, 1, 0, 2, 0, 3, 0, 6, 0, 1, 0, 2, 0, 3, 0, 4, 0, 1, 6, 2,
                                          0, 3, 0, 5, 0, 1, 0, 2, 6, 3, 7, 7, 0, 1, 0, 2, 6, 3, 4, 5};
    return mix[n % 40];
}

int main(int argc, char** argv)
{
    char user[256];
    DWORD user_size = sizeof user;
    int count, i;
    DWORD start = GetTickCount();
    if (argc != 2 || (count = atoi(argv[1])) <= 0) {
        fputs("usage: wine_fill_cache COUNT\n", stderr);
        return 2;
    }
    if (!GetUserNameA(user, &user_size))
        return fail("GetUserNameA", 0);
    for (i = 0; i < count; i++) {
        char host[64], url[512];
        int role = i % 50, n = i / 50;
        const char* const* kind =
            kCacheKinds[role < 19 ? download_kind(n * 19 + role) : (n * 23 + role) % (int)CACHE_KIND_COUNT];
        int status;
        snprintf(host, sizeof host, "www.site%d.example.com", i % HOSTS);
        snprintf(url, sizeof url, "http://%s/dir%d/sub%d/file%d.%s", host, i % 7, i % 13, i, kind[0]);
        if (role < 19)
            status = download(i, url, kind);
        else if (role < 42)
            status = visit(i, user, url);
        else
            status = cookie(i, n * 8 + role - 42);
        if (status)
            return status;
        if ((i + 1) % 10000 == 0)
            fprintf(stderr, "%d entries, %lu ms\n", i + 1, (unsigned long)(GetTickCount() - start));
    }
    printf("%d entries made\n", count);
    return 0;
}
