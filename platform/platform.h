// The operating system services the program uses, behind one interface with
// two backends: platform_win.cpp (the real one, Win32) and platform_posix.cpp
// (our own small layer that behaves the same, for native tests and the
// headless run). This header never includes windows.h.
//
// Paths are Shift-JIS byte strings with backslashes, as on Windows
// ("C:\x\..\hoz.ini"). The Windows backend converts them from code page 932 to UTF-16
// and calls the wide APIs; the POSIX backend turns backslashes that are not
// trail bytes into "/" and the name into UTF-8.
//
// File and process calls go through replaceable objects (Fs(), Processes())
// and the clock through Now(), so that tests can inject failures and fix the
// time: ScopedFs, ScopedProcesses and ScopedClock replace one for their
// lifetime and put back what was there before, also when an exception passes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/datetime.h"
#include "core/stringlist.h"

// windows.h maps these names to its own A/W functions; where it was included
// first, the names below are ours. (Include windows.h before this header.)
#ifdef WriteProfileString
#undef WriteProfileString
#endif
#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef CopyFile
#undef CopyFile
#endif

namespace kc {

using kc::StringList;
using kc::TDateTime;

// ---------------------------------------------------------------- files

enum FileAttr : unsigned {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNormal = 0x80,
  // Ordinary, read-only, hidden, system and archive files (not folders).
  faAnyFile = faReadOnly | faHidden | faSysFile | faArchive | faNormal,
};

struct FoundFile {
  std::string Name;       // file name only, no folder
  unsigned Attr = 0;      // FileAttr bits
  std::int64_t Size = 0;
  TDateTime LastWrite = 0;  // local time
};

enum class OpenMode {
  Read,     // read only, others may read and write (no sharing restriction)
  Rewrite,  // create or truncate, exclusive
  Append,   // append, create when missing
  // Append, create when missing, while others may read and write the file
  // too (a log the host also writes): every write lands whole at the end as
  // it is then.
  AppendShared,
};

// An open file. Move-only; the destructor closes it and never throws.
class File {
 public:
  virtual ~File() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Reads up to size bytes; returns the count, 0 at the end, -1 on error.
  virtual long long Read(void* data, std::size_t size) = 0;
  virtual bool Flush() = 0;
  virtual bool Close() = 0;
  virtual std::int64_t Size() = 0;
  // Moves the read position to offset bytes from the start.
  virtual bool Seek(std::int64_t offset) = 0;
  // Cuts the file to size bytes (a write-mode file); writes go on at the end.
  virtual bool Truncate(std::int64_t size) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  virtual bool FileExists(const std::string& path) = 0;       // files only
  virtual bool DirectoryExists(const std::string& path) = 0;
  // pattern: folder + "\" + wildcard name ("*" and "?"; matched without
  // regard to ASCII case). Only entries with an attribute in attrMask, or
  // plain files when attrMask includes faNormal, are returned; "." and ".."
  // never.
  virtual std::vector<FoundFile> FindFiles(const std::string& pattern,
                                           unsigned attrMask) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to,
                        bool overwrite) = 0;
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Moves from over to in one step, replacing to when it exists: readers see
  // the old file or the new one, never none.
  virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;
  virtual bool CreateDir(const std::string& path) = 0;         // one level
  virtual bool ForceDirectories(const std::string& path) = 0;  // with parents
  virtual std::int64_t FileSize(const std::string& path) = 0;  // -1 if missing
  // Last-write time in local time; false when the file is missing.
  virtual bool FileAge(const std::string& path, TDateTime& out) = 0;
  virtual bool SetFileAge(const std::string& path, TDateTime localTime) = 0;
  virtual std::string GetCurrentDir() = 0;
  virtual bool SetCurrentDir(const std::string& path) = 0;
};

FileSystem& Fs();

class ScopedFs {
 public:
  explicit ScopedFs(FileSystem& fs);
  ~ScopedFs();
  ScopedFs(const ScopedFs&) = delete;
  ScopedFs& operator=(const ScopedFs&) = delete;

 private:
  FileSystem* previous_;
};

// Convenience over Fs(): whole-file read (false when it cannot be opened) and
// write (create or truncate).
bool ReadWholeFile(const std::string& path, std::string& out);
// The rest of an open file appended to out; false on a read error.
bool ReadRest(File& f, std::string& out);
bool WriteWholeFile(const std::string& path, const std::string& data);

// Path helpers on Shift-JIS text (a backslash that is a trail byte is no
// separator). ExtractFileName: after the last "\" or "/" (or ":");
// ExtractFilePath: up to and including it; ChangeFileExt: replaces the
// extension (from the last "." after the last separator) or appends one;
// IncludeTrailingBackslash adds "\" unless present.
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingBackslash(const std::string& path);

// A path as the system's own tools take it on their command line: on POSIX
// with "/" for the separators and in UTF-8, on Windows as it is.
std::string NativePath(const std::string& path);

// The running program's full file name and its folder with a trailing "\".
std::string ProgramFileName();
std::string ProgramFolder();

// ---------------------------------------------------------------- profiles

// Initialisation (ini) files, opened anew for every call, as the system's
// private profile services behave: section and key names match without
// regard to ASCII case, blanks around names and values are dropped, one pair
// of enclosing quotes of a value is removed, ";" lines are comments, the
// first of duplicate keys wins, a missing file/section/key gives the default.
// A write creates the file, section or key as needed and keeps every other
// line of the file.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def);
bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value);
// Key names of a section in file order (empty when missing).
StringList ReadProfileKeys(const std::string& file, const std::string& section);
// Section names in file order.
StringList ReadProfileSections(const std::string& file);
// Every key of a section in file order with the value ReadProfileString
// gives for it; the file is read once (POSIX; Windows asks the system, which
// keeps the file cached).
std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& file,
                                                                    const std::string& section);
void FlushProfile(const std::string& file);

// ---------------------------------------------------------------- code page

// UTF-16 to code page 932 and back; characters without a form become "?".
std::string WideToCp932(const std::u16string& w);
std::u16string Cp932ToWide(const std::string& s);
// The same via UTF-8, for the edges (terminal, tool output, POSIX names).
std::string Utf8ToCp932(const std::string& utf8);
std::string Cp932ToUtf8(const std::string& sjis);
std::string WideToUtf8(const std::u16string& w);
std::u16string Utf8ToWide(const std::string& utf8);  // invalid bytes: U+FFFD
// The system's own lead-byte test for code page 932 (IsDBCSLeadByteEx on
// Windows); must agree with kc::IsSjisLeadByte.
bool IsCp932LeadByteSystem(unsigned char b);

// ---------------------------------------------------------------- clock

TDateTime Now();  // local date-time: every reading of the clock comes here
// A clock for intervals, in days, that never goes back when the time of day
// is set back (TickMs). While Now() is overridden it reads the override,
// moving only forward: a setting back counts as no time.
TDateTime MonotonicNow();

// Now() answers with now() for its lifetime.
class ScopedClock {
 public:
  explicit ScopedClock(std::function<TDateTime()> now);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  std::function<TDateTime()> previous_;
};

void SleepMs(unsigned ms);  // 0 gives up the rest of the time slice

// SleepMs calls sleep for its lifetime (tests that run many whole runs
// quickly, or let the fake clock move instead).
class ScopedSleep {
 public:
  explicit ScopedSleep(std::function<void(unsigned ms)> sleep);
  ~ScopedSleep();
  ScopedSleep(const ScopedSleep&) = delete;
  ScopedSleep& operator=(const ScopedSleep&) = delete;

 private:
  std::function<void(unsigned)> previous_;
};
std::uint64_t TickMs();     // monotonic milliseconds

// ---------------------------------------------------------------- environment

// Value of an environment variable, name matched without regard to case;
// empty when unset. The whole value, however long; characters without a
// form in the program's text become "?".
std::string GetEnv(const std::string& name);
// A variable that names a folder, in the program's text. A value with
// characters that text cannot hold names the folder by its short name
// (Windows), when that one can be held; false when neither can (out then
// holds the value with "?" for those characters, for a message). Unset:
// true and empty.
bool GetEnvFolder(const std::string& name, std::string& out);
// The system's own temp folder (Windows: GetTempPath; POSIX: TMPDIR or
// "/tmp"), for when the "temp" variable is unset.
std::string SystemTempFolder();

// ---------------------------------------------------------------- processes

enum ShowState { SW_Hide = 0, SW_ShowNormal = 1 };

class Process {
 public:
  virtual ~Process() = default;
  virtual bool Running() = 0;    // false once ended (or when the test fails)
  virtual void Terminate() = 0;  // ends it; harmless when already ended
  // Once it has ended by itself: its exit status (0 is success); -1 while it
  // runs, after Terminate, or when it ended by a signal.
  virtual int ExitCode() = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts the command line (Windows: CreateProcess with no application name,
  // no handle inheritance, the given show state; POSIX: /bin/sh -c) in the
  // given working folder. nullptr when it cannot be started.
  virtual std::unique_ptr<Process> Start(const std::string& commandLine,
                                         int showState,
                                         const std::string& workDir) = 0;
};

ProcessLauncher& Processes();

class ScopedProcesses {
 public:
  explicit ScopedProcesses(ProcessLauncher& launcher);
  ~ScopedProcesses();
  ScopedProcesses(const ScopedProcesses&) = delete;
  ScopedProcesses& operator=(const ScopedProcesses&) = delete;

 private:
  ProcessLauncher* previous_;
};

// The system "open" action on a document or web address; does not wait.
void ShellOpen(const std::string& target, const std::string& params);

// ---------------------------------------------------------------- single instance

// true when this process created the named guard, false when it existed
// (Windows: a named mutex; POSIX: a lock file that the system drops when the
// process ends).
bool TryCreateNamedGuard(const std::string& name);
bool NamedGuardExists(const std::string& name);
void ReleaseNamedGuard();

// ---------------------------------------------------------------- version values

// String values of the program's own version resource under its first
// translation ("FileVersion", "ProductName", "LegalCopyright", ...); a
// missing value is absent from the map. POSIX: the same values compiled in.
std::map<std::string, std::string> OwnVersionValues();

// ---------------------------------------------------------------- window placement

struct Placement {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Maximized = false;
};
// Stored per window name under the user key
// "software\Corvane\HozScheduler2" (POSIX: a small file or nothing).
bool LoadPlacement(const std::string& windowName, Placement& out);
void SavePlacement(const std::string& windowName, const Placement& p);

}  // namespace kc
