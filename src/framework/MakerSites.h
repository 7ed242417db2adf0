// The maker's pages, a setting of the build (CMake: DUSTWHIRL_MAKER_SERVER and
// DUSTWHIRL_SECOND_MAKER_SITE). Defined in MakerSites.cpp alone, which each executable compiles
// with its own setting: the test build points them at a loopback server, and the package for
// users is linked from the same objects with the real addresses.
#pragma once

// <server>/ad.csv, narrow for WinINet's narrow API.
extern const char kAdListUrl[];
// The two links of the top strip, and the help button's pages (<server>/dustwhirl/help/).
extern const wchar_t kFirstMakerSite[];
extern const wchar_t kSecondMakerSite[];
extern const wchar_t kHelpPages[];
