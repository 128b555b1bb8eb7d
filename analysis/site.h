// What the plug-in relies on from the listings site and the maker's pages:
// the base address, the page paths, the link paths the page readers look
// for, and the addresses that the windows open in the browser. Every address
// and path of the program is set here; it sits with the page readers, the
// lowest layer that needs it.
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
// A chart page: chart path + page key + kChartHead + yyyymmdd + hhmm +
// kChartSpan (six hours from that start).
constexpr const char kChartHead[] = ".action?head=";
constexpr const char kChartSpan[] = "&span=6";
constexpr const char kSkyptListPath[] = "/chart/cs/skylist.action";
constexpr const char kE2ListPath[] = "/chart/cs110/e2list.action";
// In a chart page: a link holding kRecordingLinkPart adds a programme to the
// recorder and carries its start; a site path holding kSchedulePathPart
// leads to the programme's detail page.
constexpr const char kRecordingLinkPart[] = "/m/clipAdding.action?id=";
constexpr const char kSchedulePathPart[] = "/schedule/";

// The maker's pages (version window and settings window).
std::string MakerHomePage();
std::string MakerBoardPage();
std::string HelpPage();

}  // namespace kc::site
