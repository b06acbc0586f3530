// SPDX-License-Identifier: GPL-3.0-or-later
#include <CLI/CLI.hpp>

#include "commands.h"
#include "faithful_text.h"
#include "project_info.h"

namespace trovana::cli {

namespace {

constexpr const char* kProgram = "trovana-cache";

void AddFileTimeOption(CLI::App& command, const std::string& name, uint64_t& time, const std::string& zeroMeans)
{
    // strtoull, which CLI11 reads numbers with, would turn "-1" into the largest value.
    static const CLI::Validator notNegative(
        [](std::string& value) { return value.starts_with('-') ? std::string("must not be negative") : std::string(); },
        "");
    command.add_option(name, time, "a FILETIME: 100 ns intervals since 1601-01-01 UTC; 0: " + zeroMeans)
        ->type_name("FILETIME")
        ->check(notNegative);
}

void AddFormatOption(CLI::App& command, std::string& format)
{
    command.add_option("--format", format, "jsonl (one JSON object a line) or csv")
        ->check(CLI::IsMember({"jsonl", "csv"}))
        ->capture_default_str();
}

void AddTimesOption(CLI::App& command, std::string& times)
{
    command.add_option("--times", times, "filetime (the numbers alone) or iso-utc (ISO 8601 UTC beside each)")
        ->check(CLI::IsMember({"filetime", "iso-utc"}))
        ->capture_default_str();
}

void AddProvenanceOption(CLI::App& command, bool& provenance)
{
    command.add_flag("--provenance", provenance,
                     "on every row the container's index file (container_path) and its SHA-256 (container_sha256)");
}

// Everything the command line can set; the parser writes into it.
struct Arguments {
    CacheChoice choice;
    std::string format = "jsonl";
    bool catalogue = false;
    bool recovered = false;
    std::string times = "filetime";
    std::string url;
    std::vector<std::string> urls;
    AddOptions add;
    std::string demoDirectory;
    std::string cachesFormat = "text";
    std::string sourceZone;
    std::string codePage = "windows-1252";
    bool provenance = false;
};

void AddAddCommand(CLI::App& app, Arguments& arguments)
{
    CLI::App* add = app.add_subcommand("add",
                                       "add an entry, as WinINet's CreateUrlCacheEntry and "
                                       "CommitUrlCacheEntry do, and print it as info does");
    AddOptions& options = arguments.add;
    urlcache::NewCacheEntry& entry = options.entry;
    add->add_option("URL", entry.url, "the entry's URL")->required()->type_name("");
    CLI::Option* body = add->add_option("--body", options.bodyFile, "a file whose bytes the entry's local file gets")
                            ->type_name("FILE");
    CLI::Option* noFile = add->add_flag("--no-file", options.noFile, "an entry without local file");
    body->excludes(noFile);
    add->add_option("--header", options.headerFile, "a file with the response header bytes to store")
        ->type_name("FILE");
    add->add_option("--type", entry.cacheEntryType, "entry type flags, decimal or 0x hex; the container adds its own")
        ->type_name("N")
        ->capture_default_str();
    add->add_option("--extension", options.extension, "the local file's extension without the dot (default: the URL's)")
        ->type_name("EXT");
    add->add_option("--hit-rate", entry.hitRate, "hit count")->type_name("N")->capture_default_str();
    add->add_option("--use-count", entry.useCount, "use count; above 0 the entry is locked")
        ->type_name("N")
        ->capture_default_str();
    AddFileTimeOption(*add, "--last-modified", entry.lastModifiedTime, "not set");
    AddFileTimeOption(*add, "--last-access", entry.lastAccessTime, "now");
    AddFileTimeOption(*add, "--expire", entry.expireTime, "never");
    AddFileTimeOption(*add, "--last-sync", entry.lastSyncTime, "now");
    AddFormatOption(*add, arguments.format);
    AddTimesOption(*add, arguments.times);
}

void AddTimelineCommand(CLI::App& app, Arguments& arguments)
{
    CLI::App* timeline = app.add_subcommand(
        "timeline", "one row per time of each entry, in the CSV or JSON lines that Timesketch imports");
    AddFormatOption(*timeline, arguments.format);
    timeline->add_flag("--recovered", arguments.recovered, "every record, as list --recovered gives them");
    AddProvenanceOption(*timeline, arguments.provenance);
}

// Runs the command; returns Listing::Incomplete when list or timeline left
// out what damage hid.
Listing Dispatch(const CLI::App& app, Arguments& arguments, Streams streams)
{
    const ExportFormat format = arguments.format == "csv" ? ExportFormat::Csv : ExportFormat::Jsonl;
    if (app.got_subcommand("demo")) {
        DemoCommand(arguments.demoDirectory, streams);
        return Listing::Complete;
    }
    const bool utcTimes = arguments.times == "iso-utc";
    if (!arguments.choice.image.empty()) {
        const std::string command = app.got_subcommand("caches") ? "caches" : app.got_subcommand("list") ? "list"
                                                                                                          : "timeline";
        return ImageCommand(command, arguments.choice, arguments.cachesFormat,
                            {format, arguments.catalogue, arguments.recovered, utcTimes, arguments.sourceZone,
                             arguments.provenance},
                            streams);
    }
    if (app.got_subcommand("caches")) {
        CachesCommand(arguments.cachesFormat, streams);
        return Listing::Complete;
    }
    arguments.add.utcTimes = utcTimes;
    std::string whyReadOnly;
    urlcache::UrlCache cache(LocateCache(arguments.choice, &whyReadOnly));
    // info names it too for a WebCache database, which is never changed.
    const bool webCache = !cache.Location().webCaches.empty();
    if (!whyReadOnly.empty() &&
        (app.got_subcommand("delete") || app.got_subcommand("add") || (webCache && app.got_subcommand("info")))) {
        streams.err << kProgram << ": warning: opened read-only: " << whyReadOnly << '\n';
    }
    Listing listing = Listing::Complete;
    try {
        if (!app.got_subcommand("add")) {
            RequireReadableCache(cache, arguments.choice);
        }
        const ListOptions options{format,   arguments.catalogue,  arguments.recovered,
                                  utcTimes, arguments.sourceZone, arguments.provenance};
        if (app.got_subcommand("list")) {
            listing = ListCommand(cache, options, streams);
        } else if (app.got_subcommand("timeline")) {
            listing = TimelineCommand(cache, options, streams);
        } else if (app.got_subcommand("info")) {
            InfoCommand(cache, arguments.url, format, streams, utcTimes, arguments.sourceZone);
        } else if (app.got_subcommand("delete")) {
            DeleteCommand(cache, arguments.urls, streams);
        } else if (app.got_subcommand("add")) {
            AddCommand(cache, arguments.add, format, streams);
        }
    } catch (const CommandError& error) {
        ReportProblems(cache, streams.err, error.what());
        throw;
    } catch (...) {
        ReportProblems(cache, streams.err);
        throw;
    }
    ReportProblems(cache, streams.err);
    return listing;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CLI::App app{
        "Lists and changes a WinINet URL cache: the index.dat containers of a Wine prefix or of a "
        "Windows user profile, and (read only) the WebCache database of a Windows 8-11 profile.",
        kProgram};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string(kProgram) + " " + kVersion, "the program's version, then exit");
    app.fallthrough();
    app.footer(
        "With --image: caches lists every cache of the image, numbered; list and timeline give the entries of all "
        "of them, or with --in N of one, each row naming the image, volume, snapshot and path inside the image. "
        "The image is only read; found caches are copied to a private temporary folder and opened read-only.\n"
        "Without --path, --prefix, --profile, --container or --image: the profile named by TROVANA_PROFILE, else "
        "the current user's cache in WINEPREFIX (default ~/.wine).\n"
        "A cache that cannot be written (read-only file system, another user's files) is opened "
        "read-only by itself.\n"
        "Exit status: 0 done, 1 error, 2 usage error, 3 list or timeline incomplete: part of the cache is "
        "damaged (named on standard error) and every row that could be read is written.");

    Arguments arguments;
    CLI::Option* prefix = app.add_option("--prefix", arguments.choice.prefix,
                                         "the current user's cache in this Wine prefix")
                              ->type_name("DIR");
    CLI::Option* profile = app.add_option("--profile", arguments.choice.profile,
                                          "the cache of this user profile folder (Wine, or Windows XP to 11)")
                               ->type_name("DIR");
    CLI::Option* container =
        app.add_option("--container", arguments.choice.container,
                       "one container file alone: index.dat, or a copy of any name that has a container's signature, "
                       "or a WebCache database (WebCacheV01.dat) of any name")
            ->type_name("FILE");
    CLI::Option* path = app.add_option("--path", arguments.choice.path,
                                       "any of these: a Wine prefix, a user profile folder, a Windows drive root "
                                       "with one user profile, a container folder or a container file")
                            ->type_name("PATH");
    CLI::Option* image =
        app.add_option("--image", arguments.choice.image,
                       "a disk image, read-only and never mounted: raw or split raw (.001), E01, VMDK, VHD, VHDX, "
                       "QCOW2 or a block device; every cache of its NTFS volumes, their shadow copies and deleted "
                       "files (see caches)")
            ->type_name("IMAGE");
    app.add_option("--in", arguments.choice.in,
                   "with --image: list or timeline only the cache of this number (the first column of caches)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    const std::vector<CLI::Option*> names = {prefix, profile, container, path, image};
    for (size_t i = 0; i < names.size(); ++i) {
        for (size_t j = i + 1; j < names.size(); ++j) {
            names[i]->excludes(names[j]);
        }
    }
    app.add_flag("--read-only", arguments.choice.readOnly,
                 "change nothing: no lock, nothing made in the cache's folders; delete and add are refused");
    app.add_option("--source-tz", arguments.sourceZone,
                   "the time zone (IANA name, e.g. Europe/Amsterdam) of the machine that wrote the daily and weekly "
                   "history, whose visit times are its local time; default: for a Wine prefix the zone its system.reg "
                   "records, else this machine's; UTC for a copied profile or a single file; the column source_tz "
                   "names the zone assumed")
        ->type_name("ZONE");

    app.add_option("--codepage", arguments.codePage,
                   "the code page of text that is not UTF-8 (WinINet's ANSI functions store the system's): "
                   "ascii, windows-874, windows-932, windows-936, windows-949, windows-950, windows-1250 to "
                   "windows-1258; where the text does not give back the bytes, a column NAME_hex holds them")
        ->check([](const std::string& name) {
            return CodePage::Named(name) ? std::string() : "no such code page: " + name;
        })
        ->capture_default_str()
        ->type_name("NAME");

    CLI::App* list = app.add_subcommand("list", "every entry, in WinINet's enumeration order");
    AddFormatOption(*list, arguments.format);
    list->add_flag("--catalogue", arguments.catalogue,
                   "also the columns Trovana derives: category (1 to 6), class, access_time (local time) and "
                   "key_path (the site tree's path, a JSON array)");
    list->add_flag("--recovered", arguments.recovered,
                   "every record the containers hold, read without any change: besides the listed entries "
                   "(state live) redirects, leaked entries and entries recovered from records no slot names "
                   "or from free blocks; for a WebCache database the rows recovered from its pages (deleted) "
                   "and those only its transaction logs hold (log only), and the rows of its tables that hold no "
                   "URL cache entries (table row); with the columns state, index_file, "
                   "record_offset, record_place, partial and filled");
    AddTimesOption(*list, arguments.times);
    AddProvenanceOption(*list, arguments.provenance);
    CLI::App* info = app.add_subcommand(
        "info", "one entry, in the form list gives it; without URL each container's kind, path, size, SHA-256 "
                "and format");
    info->add_option("URL", arguments.url, "the entry's URL, exactly as stored")->type_name("");
    AddFormatOption(*info, arguments.format);
    AddTimesOption(*info, arguments.times);
    app.add_subcommand("delete", "delete entries, one result line for each URL")
        ->add_option("URL", arguments.urls, "the URLs, exactly as stored")
        ->required()
        ->type_name("");
    AddAddCommand(app, arguments);
    AddTimelineCommand(app, arguments);
    app.add_subcommand("demo", "make a Wine prefix whose cache looks like a real one")
        ->add_option("DIR", arguments.demoDirectory, "a new or empty folder")
        ->required()
        ->type_name("");

    app.add_subcommand("caches",
                       "the caches on this machine: Wine prefixes (WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes), "
                       "Steam's Proton prefixes in every Steam library, Bottles, Lutris and PlayOnLinux prefixes; "
                       "one line each with kind, name, path, user, containers, entries and bytes on disk")
        ->add_option("--format", arguments.cachesFormat, "text (a table), jsonl or csv")
        ->check(CLI::IsMember({"text", "jsonl", "csv"}))
        ->capture_default_str();

    auto usageError = [&](const std::string& message) {
        err << kProgram << ": " << message << " (see " << kProgram << " --help)\n";
        return 2;
    };
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return 0;
    } catch (const CLI::Success&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        // A word where the command should be is named, not "a subcommand is required".
        if (app.get_subcommands().empty() && !app.remaining().empty() && !app.remaining().front().starts_with('-')) {
            std::string commands;
            for (const CLI::App* command : app.get_subcommands({})) {
                commands += (commands.empty() ? "" : ", ") + command->get_name();
            }
            return usageError("unknown command \"" + app.remaining().front() + "\" (the commands: " + commands + ")");
        }
        return usageError(e.what());
    }
    const bool fromImage = !arguments.choice.image.empty();
    if (fromImage && !app.got_subcommand("caches") && !app.got_subcommand("list") && !app.got_subcommand("timeline")) {
        return usageError("--image works with caches, list and timeline: an image is read, never changed");
    }
    if (arguments.choice.in != 0 && !fromImage) {
        return usageError("--in chooses a cache of an image: give --image too");
    }
    const bool ownPlace = app.got_subcommand("demo") || (app.got_subcommand("caches") && !fromImage);
    if (ownPlace && (arguments.choice.Named() || arguments.choice.readOnly)) {
        const std::string why = app.got_subcommand("demo") ? "demo makes a prefix of its own"
                                                           : "caches looks everywhere";
        return usageError(why + ": --path, --prefix, --profile, --container and --read-only do not apply");
    }
    if (app.got_subcommand("add") && !arguments.add.bodyFile && !arguments.add.noFile) {
        return usageError("add needs --body FILE or --no-file");
    }

    SetCacheCodePage(*CodePage::Named(arguments.codePage));
    try {
        if (Dispatch(app, arguments, {out, err}) == Listing::Incomplete) {
            return kExitIncomplete;
        }
    } catch (const std::exception& e) {
        out.flush();
        err << kProgram << ": " << e.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace trovana::cli
