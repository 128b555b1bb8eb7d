#include "storage/log_file.h"

#include <map>
#include <memory>

#include "core/datetime.h"
#include "core/text.h"
#include "platform/platform.h"

namespace kc {

namespace {

// The start and end lines carry fixed patterns, whatever the process
// formats are; only the end line's time follows the formats the log is given.
FormatSettings StampFormats() {
  FormatSettings fs;
  fs.DateSeparator = '-';
  fs.TimeSeparator = ':';
  return fs;
}

// The host may hold its log open for a moment while it writes; a few short
// tries, so that its line and ours both land.
std::unique_ptr<kc::File> OpenForAppend(const std::string& path) {
  constexpr int kAttempts = 20;
  constexpr unsigned kPauseMs = 25;
  for (int attempt = 1;; ++attempt) {
    std::unique_ptr<kc::File> f = kc::Fs().Open(path, kc::OpenMode::AppendShared);
    if (f || attempt == kAttempts) return f;
    kc::SleepMs(kPauseMs);
  }
}

}  // namespace

TLogFile::~TLogFile() {
  try {
    if (active_) WriteEndLine();
  } catch (...) {
  }
}

bool TLogFile::NameBlank() const { return Trim(fileName_).empty(); }

bool TLogFile::AppendLine(const std::string& line) {
  try {
    std::unique_ptr<kc::File> f = OpenForAppend(fileName_);
    if (!f) return false;
    std::string data = line;
    data += "\r\n";
    bool ok = f->Write(data.data(), data.size());
    ok = f->Flush() && ok;
    ok = f->Close() && ok;
    return ok;
  } catch (...) {
    return false;
  }
}

void TLogFile::WriteStartBlock() {
  if (NameBlank()) return;
  bool ok = false;
  try {
    if (fileName_.find(':') == std::string::npos && fileName_[0] != '\\')
      fileName_ = kc::ProgramFolder() + fileName_;
    std::string folder = kc::ExtractFilePath(fileName_);
    // The separator that ends the folder part is a real one (never a trail
    // byte), so it can simply be dropped.
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (!folder.empty() && !kc::Fs().DirectoryExists(folder)) kc::Fs().CreateDir(folder);

    std::string version;
    std::map<std::string, std::string> values = kc::OwnVersionValues();
    auto it = values.find("FileVersion");
    if (it != values.end()) version = it->second;

    const std::string start =
        "--- START ---\t" + FormatDateTime("yyyy-mm-dd hh:nn:ss", kc::Now(), StampFormats());
    std::unique_ptr<kc::File> f = OpenForAppend(fileName_);
    if (f) {
      std::string data = start + "\r\n" + "Version " + version + "\r\n";
      ok = f->Write(data.data(), data.size());
      ok = f->Flush() && ok;
      ok = f->Close() && ok;
    }
  } catch (...) {
    ok = false;
  }
  if (!ok) SetActive(false);
}

void TLogFile::WriteEndLine() {
  if (NameBlank() || !active_) return;
  try {
    const TDateTime now = kc::Now();
    AppendLine("--- END ---\t" + FormatDateTime("yyyy-mm-dd", now, StampFormats()) + "\t" +
               TimeToStr(now, formats_));
  } catch (...) {
  }
}

void TLogFile::SetActive(bool on) {
  if (on) {
    active_ = true;
    WriteStartBlock();
  } else {
    if (active_) WriteEndLine();
    active_ = false;
  }
}

bool TLogFile::WriteLine(const std::string& text, bool isError) {
  if (!active_ || NameBlank()) return false;
  try {
    if (!isError) return AppendLine(text);
    return AppendLine(kc::ExtractFileName(fileName_) + ": " + text + " (C.ERROR)");
  } catch (...) {
    return false;
  }
}

}  // namespace kc
