// The "&#x" rule of NormaliseText against the rule as written (the loop that
// rescans after every replacement), on short texts: both give the same
// bytes. Texts with a "―" are left out, since the dash rule runs first.
#include <cstdint>
#include <string>

#include "analysis/text_rules.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "tests/analysis/reference_hex_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = kc::DecodePageText(text);
  if (kc::SjisContains(decoded, "―")) return 0;
  const std::string got = kc::NormaliseText(text);
  const std::string want = kc::test::ReferenceHexRule(decoded);
  if (got != want) {
    std::fprintf(stderr, "decoded: ");
    for (unsigned char c : decoded) std::fprintf(stderr, "%02x ", c);
    std::fprintf(stderr, "\nrule:    ");
    for (unsigned char c : got) std::fprintf(stderr, "%02x ", c);
    std::fprintf(stderr, "\nloop:    ");
    for (unsigned char c : want) std::fprintf(stderr, "%02x ", c);
    std::fprintf(stderr, "\n");
    kc::fuzz::Check(false, "the rule and its loop differ");
  }
  return 0;
}
