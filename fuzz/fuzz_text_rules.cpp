// Page text through the text rules as the chart analyser sends it: the
// conversion to Shift-JIS gives whole characters (or nothing for malformed
// UTF-8), the title marks and the extension notes keep them whole, and the
// notes only ever add to the summary. NormaliseText runs on the same text,
// so that a slow or crashing rule shows. The input is title, a 0 byte, then
// the summary; the last byte picks the programme's end time.
#include <cstdint>
#include <string>

#include "analysis/extension_notes.h"
#include "analysis/text_rules.h"
#include "core/datetime.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  using kc::fuzz::WholeSjis;
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t zero = all.find('\0');
  const std::string titleText = zero == std::string::npos ? all : all.substr(0, zero);
  const std::string memoText = zero == std::string::npos ? std::string() : all.substr(zero + 1);

  std::string title = kc::DecodePageText(titleText);
  std::string memo = kc::DecodePageText(memoText);
  Check(WholeSjis(title) && WholeSjis(memo), "page text decoded to half a character");
  (void)kc::NormaliseText(titleText);
  (void)kc::NormaliseText(memoText);

  kc::ApplyTitleMarks(title, memo);
  Check(WholeSjis(title) && WholeSjis(memo), "title marks cut a character");

  const int minutes = size > 0 ? data[size - 1] * 6 : 0;
  const kc::TDateTime end = kc::EncodeDate(2019, 12, 6) + minutes / kc::kMinutesPerDay;
  const std::string noted = kc::ApplyExtensionNotes(memo, end);
  Check(noted.compare(0, memo.size(), memo) == 0, "extension notes changed the summary");
  Check(WholeSjis(noted), "extension note cut a character");
  return 0;
}
