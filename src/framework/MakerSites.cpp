#include "framework/MakerSites.h"

const char kAdListUrl[] = DUSTWHIRL_MAKER_SERVER "/ad.csv";
const wchar_t kFirstMakerSite[] = L"" DUSTWHIRL_MAKER_SERVER "/";
const wchar_t kSecondMakerSite[] = L"" DUSTWHIRL_SECOND_MAKER_SITE "/";
const wchar_t kHelpPages[] = L"" DUSTWHIRL_MAKER_SERVER "/dustwhirl/help/";
