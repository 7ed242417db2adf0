// Resource and command ids of Dustwhirl. Also read by the resource compiler.
#pragma once

// Each dialog keeps its own ids beside it; the resource script sees them all through this file,
// together with the program's icon and the skin's art, which are no one dialog's.
#include "about/AboutIds.h"
#include "ads/AdIds.h"
#include "app/KeepListIds.h"
#include "app/MainIds.h"
#include "app/SignInIds.h"
#include "clean/ProgressIds.h"

// The program's icon
#define IDI_MAIN 128

// Skin images, resources of type "PNG"
#define IDB_BACKGROUND 130
#define IDB_CACHE_NORMAL 131
#define IDB_CACHE_HOVER 132
#define IDB_CACHE_PRESSED 133
#define IDB_CACHE_COOKIE_NORMAL 134
#define IDB_CACHE_COOKIE_HOVER 135
#define IDB_CACHE_COOKIE_PRESSED 136
#define IDB_COOKIE_NORMAL 137
#define IDB_COOKIE_HOVER 138
#define IDB_COOKIE_PRESSED 139
#define IDB_HELP_NORMAL 140
#define IDB_HELP_HOVER 141
#define IDB_HELP_PRESSED 142
#define IDB_EXIT_NORMAL 143
#define IDB_EXIT_HOVER 144
#define IDB_EXIT_PRESSED 145
