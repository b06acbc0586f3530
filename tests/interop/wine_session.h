// SPDX-License-Identifier: GPL-3.0-or-later
// A temporary Wine prefix for the interoperability test, with the WinINet
// client run under Wine and trovana-cache run on the same prefix.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace interop {

struct RunResult {
    int status = -1;  // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// What the test needs from outside, taken from the environment CTest sets.
// Any path may be empty: the test is then skipped.
struct Tools {
    std::filesystem::path wine;
    std::filesystem::path wineserver;
    std::filesystem::path client;   // wininet_client.exe
    std::filesystem::path replay;   // wininet_replay.exe
    std::filesystem::path trovana;  // trovana-cache

    static Tools FromEnvironment();
    // Why the test cannot run, or empty when everything is there.
    std::string Missing() const;
};

// A program started with the given environment (NAME=value strings); its
// output goes to the files `scratch`.out and `scratch`.err.
class Process {
public:
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::filesystem::path& scratch);
    ~Process();  // waits for it
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Whether it has written this text to standard output within the time.
    bool WaitForOutput(const std::string& text, int seconds) const;
    // Waits until it exits and collects its output.
    RunResult Wait();

private:
    pid_t m_pid = -1;
    std::string m_spawnError;
    std::filesystem::path m_out;
    std::filesystem::path m_err;
};

// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// The Windows name of a Linux path, through Wine's drive Z: (the root).
std::string WindowsPath(const std::filesystem::path& path);

// Runs a program to its end.
RunResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
              const std::filesystem::path& scratch);

class WineSession {
public:
    explicit WineSession(Tools tools);
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    // Creates the prefix (wineboot); returns the error text, empty on success.
    std::string Boot();

    RunResult Client(const std::vector<std::string>& args) const;
    // wininet_replay.exe with its list of files and URLs, and the index it
    // copies each file over (Linux paths).
    RunResult Replay(const std::filesystem::path& list, const std::filesystem::path& target) const;
    // The client started in the background (StopWine ends it).
    std::unique_ptr<Process> StartClient(const std::vector<std::string>& args) const;
    // trovana-cache --prefix <prefix> args...
    RunResult Trovana(const std::vector<std::string>& args) const;
    // Starts a wineserver that stays for the given seconds without clients.
    void StartPersistentServer(int seconds) const;
    // Stops the prefix's wineserver and waits until it has exited.
    void StopWine() const;

    const std::filesystem::path& Prefix() const { return m_prefix; }
    // A scratch file in the session's folder (bodies and headers for `add`).
    std::filesystem::path WriteScratch(const std::string& name, const std::string& bytes) const;
    // The user's profile folder Wine made (drive_c/users/<login name>).
    std::filesystem::path Profile() const;

private:
    RunResult RunWine(std::vector<std::string> argv) const;
    std::vector<std::string> ClientCommand(const std::vector<std::string>& args) const;
    void RemoveServerFolder() const;

    Tools m_tools;
    std::filesystem::path m_work;
    std::filesystem::path m_prefix;
    std::vector<std::string> m_env;
};

}  // namespace interop
