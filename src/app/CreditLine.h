// The credit line of the main window: plain text, the first maker's name, plain text, the
// second maker's name. The names are the two links.
#pragma once

extern const wchar_t* const kCreditSegments[4];
