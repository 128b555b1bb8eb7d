// The log component: appends lines to the host's log file, which the host
// writes too. Every line opens the file, appends, flushes and closes it, so
// nothing is held open between lines; no call ever throws to its caller.
#pragma once

#include <string>

#include "core/datetime.h"

namespace kc {

class TLogFile {
 public:
  TLogFile() = default;
  // Writes the end line when still active; never throws.
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  bool Active() const { return active_; }
  // On: writes the start block ("--- START ---\t" + yyyy-mm-dd hh:nn:ss,
  // then "Version " + the program's file version), also when already on; a
  // failure there switches the log off again. Off: writes the end line
  // ("--- END ---\t" + yyyy-mm-dd + "\t" + the long time format of the
  // formats given) when it was on.
  void SetActive(bool on);

  // The formats whose long time format the end line uses (by default
  // "hh:nn:ss").
  void SetFormats(const FormatSettings& formats) { formats_ = formats; }

  const std::string& LogFileName() const { return fileName_; }
  // A name without ":" that does not begin with "\" is taken relative to the
  // program's folder when the log is switched on.
  void SetLogFileName(const std::string& name) { fileName_ = name; }

  // A message line (text unchanged), or with isError the error line
  // file-name-part + ": " + text + " (C.ERROR)". False when nothing was
  // written (off, blank name, any file failure).
  bool WriteLine(const std::string& text, bool isError = false);

 private:
  bool AppendLine(const std::string& line);
  void WriteStartBlock();
  void WriteEndLine();
  bool NameBlank() const;

  bool active_ = false;
  std::string fileName_;
  FormatSettings formats_;
};

}  // namespace kc
