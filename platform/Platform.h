// The operating-system services both programs use, behind one small API. Paths handed in and
// out are in Windows form ("C:\output", "Z:\home\ann\a.pdf"); texts are UTF-8. Only the
// implementation files of this folder know the host system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Host.h"  // the services without Qt, which plain libraries use too

namespace platform {

// ---------------------------------------------------------------------------------------------
// Paths and drives

// Sets the host folder that stands for drive C: (tests point it at a temporary folder).
void SetCDriveRoot(const std::string& hostFolder);
// The host folder of drive C:, created on first use.
std::string CDriveRoot();
// Windows-form path to host path: "C:\a\b" lies under the C drive root, "Z:\x" is "/x".
// Both separators are accepted; a path without a drive is taken relative, separators mapped.
// The private-use stand-ins U+F000 + c of ToWindowsPath become the characters c again.
std::string ToHostPath(std::string_view windowsPath);
// Host path to Windows form: under the C drive root it is "C:\...", anything else "Z:\...";
// an empty text for an empty path or one that cannot be made absolute. A character a Windows
// name cannot hold (\ : * ? " < > |) becomes U+F000 + its code, so every name round-trips.
std::string ToWindowsPath(std::string_view hostPath);
// True when the program runs installed: its folder holds the file "installed" that the
// install rules put there. The folder is then the system's, and nothing is written to it.
bool IsInstalled();
// Where a program keeps a settings file (Windows form). Beside the program when it runs from
// where it was built. Installed, the files are written to the user's configuration folder,
// $XDG_CONFIG_HOME/<program> (by default ~/.config/<program>), as Windows redirects a program's
// writes out of its protected folder, and read from there, or else from the program folder,
// where a default for every user may ship.
std::string SettingsFileToRead(std::string_view program, std::string_view name);
std::string SettingsFileToWrite(std::string_view program, std::string_view name);

// The paths on a program's command line after its name (as a file manager hands files over),
// each made absolute against the current folder, in Windows form; the bytes of a name are
// taken as they are.
std::vector<std::string> CommandLinePaths(int argc, const char* const* argv);
// The folder of the running program in Windows form, without a trailing backslash.
std::string ProgramFolder();
// Overrides the program folder with a host folder (tests, whose executables live elsewhere).
void SetProgramFolder(const std::string& hostFolder);

// ---------------------------------------------------------------------------------------------
// Letter case and characters

// Only the letters A to Z lowered: for names compared as Windows compares extensions, program
// names and drive letters, whatever else the text holds.
std::string LowerCaseAscii(std::string_view text);
// Every letter of a UTF-8 text lowered, as Windows compares the names in one folder.
std::string LowerCaseLetters(std::string_view utf8);
// Every letter of a UTF-8 text raised.
std::string UpperCaseLetters(std::string_view utf8);
// The last count characters of a UTF-8 text, counted in UTF-16 units as Windows counts them.
std::string LastCharacters(std::string_view utf8, int count);
// The text without the white space around it.
std::string TrimmedText(std::string_view utf8);

// ---------------------------------------------------------------------------------------------
// Files and folders (all paths in Windows form)

enum FileAttribute : uint32_t {
    kAttributeReadOnly = 1,
    kAttributeHidden = 2,
    kAttributeSystem = 4,
    kAttributeDirectory = 16,
    kAttributeArchive = 32,
};

struct DirectoryEntry {
    std::string name;  // in Windows form, as ToWindowsPath gives it
    uint32_t attributes = 0;
};

// Lists a folder in the host's listing order, "." and ".." included, in the manner of the
// find-first / find-next / find-close calls. Symbolic links are reported as files, so a walk
// over a tree never leaves it.
class DirectoryListing {
  public:
    explicit DirectoryListing(std::string_view folder);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    bool IsOpen() const;
    // The next entry, or nothing when the listing is exhausted (or could not be opened).
    std::optional<DirectoryEntry> Next();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

bool PathExists(std::string_view path);
bool IsFolder(std::string_view path);
// True for a symbolic link (on Windows a junction), whatever it points at.
bool IsLink(std::string_view path);
// Creates one folder level; fails when the parent is missing or the folder exists.
bool CreateFolder(std::string_view path);
// Removes an empty folder; fails on a read-only folder, as Windows does.
bool RemoveFolder(std::string_view path);
// Deletes a file; fails on a read-only file, as Windows does.
bool DeleteFile(std::string_view path);
// Clears read-only (and on the host makes the entry writable by its owner).
bool SetAttributesNormal(std::string_view path);
// Copies a file; with failIfExists an existing target is left alone and the call fails.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);
struct [[nodiscard]] FileCopy {
    std::string error;    // the system's text for why the copy failed; empty when copied
    int systemError = 0;  // the C library's error number behind it
};
// Copies a file over to through a new file beside it that is renamed over it, so a failure
// (a full disk) leaves to as it was and no part of the copy; a folder or a read-only file
// under that name is not replaced.
FileCopy CopyFileOver(std::string_view from, std::string_view to);
// Gives a file another name in the same folder tree, in one step; an existing file of that
// name is replaced, a folder or a read-only file is not.
bool MoveFile(std::string_view from, std::string_view to);
struct FileContents {
    std::string bytes;
    std::string error;  // the system's text for why the file could not be read; empty when read
};

// The whole file's bytes.
FileContents ReadWholeFile(std::string_view path);
// Replaces the file with bytes through a new file beside it that is renamed over it, so an
// interrupted write leaves the old file or the new one, never a part of either.
bool WriteWholeFile(std::string_view path, std::string_view bytes);

// An exclusive lock on a file, held while the object lives and released by the system when the
// process ends, however it ends; a process it starts never inherits it. Two holders in one
// process exclude each other as two processes do. The file itself stays.
class FileLock {
  public:
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    friend struct LockAttempt TryLockFile(std::string_view path);
    explicit FileLock(int handle) : handle_(handle) {}
    int handle_;
};

enum class LockClaim { Taken, HeldElsewhere, Failed };

struct LockAttempt {
    LockClaim claim = LockClaim::Failed;
    std::unique_ptr<FileLock> lock;  // set when taken
};

// Takes the lock of the file without waiting, creating the file when it is missing.
LockAttempt TryLockFile(std::string_view path);

// ---------------------------------------------------------------------------------------------
// Processes

struct ProcessInfo {
    int64_t id = 0;
    std::string exeName;  // executable file name, without folder
};

std::vector<ProcessInfo> RunningProcesses();
// True when name matches an executable file name: case-insensitive, and a name ending in
// ".exe" also matches the same name without it.
bool ProcessNameMatches(std::string_view watchedName, std::string_view exeName);
// Ids of this user's running processes (on Windows, of this session) whose executable name
// matches: another user's program of that name is none of ours to wait for or end.
std::vector<int64_t> FindProcesses(std::string_view exeName);
// Ends a process by id.
bool EndProcess(int64_t id);
// Starts a Windows-form command line without waiting for it; false when it cannot start.
bool LaunchDetached(std::string_view commandLine);

// Splits a command line into arguments the way Windows does (quotes, backslashes before quotes).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// The host program and arguments for a Windows command line: "<program folder>\x.exe" runs x
// from the program folder if there, else x from PATH; arguments in drive form become host paths.
std::vector<std::string> ResolveCommandLine(std::string_view commandLine);

struct ChildStart;

// A hidden child process whose standard output and standard error go into one pipe.
class ChildProcess {
  public:
    // Starts the command line.
    static ChildStart Start(std::string_view commandLine);
    ~ChildProcess();  // closes the pipe; does not end the child, which is reaped once it ends
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int64_t id() const;
    // Bytes waiting in the pipe now.
    size_t BytesWaiting() const;
    // Reads at most maxBytes; nothing once the pipe is at its end (all writers gone) or broken.
    std::optional<std::string> Read(size_t maxBytes);
    bool IsAlive();
    // The exit code once the child has ended.
    std::optional<int> ExitCode();
    // Ends the child and everything it started in its process group, then reaps the child;
    // after that it signals nothing, since the group's id may be another program's by then.
    void EndAll();

  private:
    ChildProcess(int64_t id, int readFd);
    void Reap();
    int64_t id_;
    int readFd_;
    std::optional<int> exitCode_;
    bool reaped_ = false;
};

struct ChildStart {
    std::unique_ptr<ChildProcess> process;  // set when it started
    std::string error;                      // why it did not start
    int pipeError = 0;  // the system's error number when the pipe could not be made
};

// ---------------------------------------------------------------------------------------------
// Desktop services: everything modal or outward-facing. Tests install a recording fake.

enum class MessageIcon { Exclamation, Critical, Information };

struct FileFilter {
    std::string description;
    std::string pattern;  // "*.pdf", or several separated by ";"
};

struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    int selectedFilter = 0;
    std::string initialFile;  // Windows form; may be empty
    std::string defaultExtension;
    bool mustExist = true;
};

struct FontChoice {
    std::string name;
    double size = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

class Desktop {
  public:
    virtual ~Desktop() = default;
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;
    // The chosen file in Windows form, or nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // The chosen folder in Windows form, or nothing when cancelled.
    virtual std::optional<std::string> BrowseFolder(const std::string& title) = 0;
    // Colour as 0x00BBGGRR, as Windows stores it.
    virtual std::optional<uint32_t> ChooseColor(uint32_t initial) = 0;
    virtual std::optional<FontChoice> ChooseFont(const FontChoice& initial) = 0;
    // Opens a folder (Windows form) or a web address in the shell.
    virtual bool ShellOpen(const std::string& target) = 0;
    // Starts a program (Windows-form command line) without waiting, in a normal window.
    virtual bool StartDetached(const std::string& commandLine) = 0;
    // Plays a wave file to its end; a missing file plays the system's default sound.
    virtual void PlaySoundFile(const std::string& path) = 0;
    virtual void Beep() = 0;
};

// The window over which every dialog and message box opens (a QWidget* on Qt), even when the
// request comes while another program is active; 0 leaves it to the active window.
void SetOwnerWindow(intptr_t window);
intptr_t OwnerWindow();

// The desktop in use: the Qt one unless a test installed another.
Desktop& GetDesktop();
// Installs a desktop (not owned); nullptr restores the Qt one.
void SetDesktop(Desktop* desktop);

// Processes all pending window events once.
void Yield();

// ---------------------------------------------------------------------------------------------
// Single-instance command channel: a local socket that only this user can reach. Another
// process sends lines of UTF-8 text to it; each line is delivered to the program.

class CommandChannel {
  public:
    virtual ~CommandChannel() = default;
    // Every line received (without its line end; empty lines and lines over 16 KiB are dropped)
    // goes to receiver, in the order received, from the event loop; lines that came before a
    // receiver was set wait for it. A receiver that yields or shows a modal window gets the
    // lines that arrive meanwhile from that inner loop.
    virtual void SetReceiver(std::function<void(const std::string& line)> receiver) = 0;
};

enum class ChannelClaim { Owned, OtherInstanceRunning, Failed };

struct ClaimedChannel {
    ChannelClaim claim = ChannelClaim::Failed;
    std::unique_ptr<CommandChannel> channel;  // set when owned
};

// Sends lines of text to the program listening on the socket, each ended by "\n"; only to a
// socket of this user (without XDG_RUNTIME_DIR the socket lies in /tmp, where anyone may make
// one first). False when none of this user answers there or the lines could not all be sent
// within a few seconds.
bool SendCommandLines(const std::string& hostSocketPath, const std::vector<std::string>& lines);

// The socket of a program: $XDG_RUNTIME_DIR/<program>.command, or /tmp/<program>-<uid>.command
// when XDG_RUNTIME_DIR is unset or empty. A host path.
std::string CommandSocketPath(std::string_view program);
// Listens on the socket (rights 0600). When another instance answers on it, nothing is
// claimed; a stale socket of this user, left by a program that was killed, is removed and taken
// over; any other file under the name (another user's socket) is left alone and the claim fails.
// The socket file goes with the channel.
ClaimedChannel ClaimCommandChannel(const std::string& hostSocketPath);

// ---------------------------------------------------------------------------------------------
// Libraries loaded by name

// "Quirel.dll" is "libQuirel.so" on the host.
std::string HostLibraryFileName(std::string_view dllName);

struct LibraryLoad;

class Library {
  public:
    // Looks in the program folder, then the loader's search path.
    static LibraryLoad Load(std::string_view dllName);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The function's address, or nullptr when the library lacks it.
    void* Function(const char* name) const;
    template <typename F>
    F Function(const char* name) const {
        return reinterpret_cast<F>(Function(name));
    }

  private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_;
};

struct LibraryLoad {
    std::unique_ptr<Library> library;  // nothing when it could not be loaded
    std::string error;                 // then the loader's own reason
    bool present = false;              // then whether the program folder holds the file
};

}  // namespace platform
