#include "analysis/site.h"

#include "core/text.h"
#include "platform/platform.h"

#ifndef KC_BASE_URL
#define KC_BASE_URL "https://www.kanalia.example"
#endif

namespace kc::site {

namespace {

std::string WithoutTrailingSlash(std::string s) {
  while (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

std::string BuiltInBaseAddress() { return WithoutTrailingSlash(KC_BASE_URL); }

std::string BaseAddress() {
  std::string env = WithoutTrailingSlash(Trim(kc::GetEnv("KANALIA_BASE_URL")));
  return env.empty() ? BuiltInBaseAddress() : env;
}

std::string HomePage() { return BaseAddress(); }

std::string MakerHomePage() { return "https://kanalia-cs.example/"; }
std::string MakerBoardPage() { return "https://kanalia-cs.example/bbs/"; }
std::string HelpPage() { return "https://kanalia-cs.example/help/"; }

}  // namespace kc::site
