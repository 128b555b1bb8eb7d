// What the plug-in relies on from the listings site and the maker's pages:
// the base address and the page paths, and the addresses that the windows
// open in the browser. All addresses of the program are set here.
#pragma once

#include <string>

namespace kc::site {

// The built-in base address (the build setting KC_BASE_URL).
std::string BuiltInBaseAddress();
// Scheme and host of the listings site, no trailing "/": the environment
// variable KANALIA_BASE_URL when set (trimmed, trailing "/" removed), else
// the built-in address.
std::string BaseAddress();
// The site's home page: the base address itself.
std::string HomePage();

// Page paths below the base address.
constexpr const char kChartPathSkypt[] = "/chart/cs/";
constexpr const char kChartPathE2[] = "/chart/cs110/";
constexpr const char kSkyptListPath[] = "/chart/cs/skylist.action";
constexpr const char kE2ListPath[] = "/chart/cs110/e2list.action";
// A chart page link containing this leads to a programme's detail page.
constexpr const char kSchedulePathPart[] = "/schedule/";

// The maker's pages (version window and settings window).
std::string MakerHomePage();
std::string MakerBoardPage();
std::string HelpPage();

}  // namespace kc::site
