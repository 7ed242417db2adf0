// Cleaning at every sign-in: one value of the user's Run key, which starts this program with a
// silent cleaning of one kind. The value is the only place the choice is kept; the window's
// dialog and the /signin command both read and write it here.
#pragma once

#include "framework/Afx.h"
#include "framework/UniqueHandle.h"

#include <string>

// The value's name under HKCU\Software\Microsoft\Windows\CurrentVersion\Run.
extern const wchar_t kSignInValueName[];

// What the Run value says.
struct SignInSetting {
    enum class State {
        None,        // no value: nothing is cleaned at sign-in
        Ours,        // a value of the form this program writes: program, bCache, bCookie
        Foreign,     // a value of that name that this program did not write (text)
        Unreadable,  // the key or value could not be read (error): what it says is unknown
    };
    State state = State::None;
    bool bCache = false;
    bool bCookie = false;
    CString program;  // Ours: the executable it starts
    CString text;     // Ours and Foreign: the value as read
    LONG error = ERROR_SUCCESS;

    bool operator==(const SignInSetting& other) const {
        return state == other.state && text == other.text && error == other.error;
    }
    bool operator!=(const SignInSetting& other) const { return !(*this == other); }
};

// The value that starts program with a cleaning of the given kind at sign-in: the program's
// full path in quotes, then the options. Empty when the path cannot be quoted (a '"' in it,
// or nothing at all) or nothing is to be cleaned.
CString SignInValue(const CString& program, bool bCache, bool bCookie);
// Reads a value's text back: Ours only when it is exactly what SignInValue writes for some
// program and kind (read by the same parser the run itself uses), else Foreign.
SignInSetting ParseSignInValue(const CString& text);

// The user's Run key, opened with the given rights (none, with the error, when it cannot be).
CRegistryKey OpenRunKey(REGSAM rights, LONG& error);
// The setting in runKey: the value's text is bounded (a longer one is Unreadable) and must be
// a plain string (an expandable one is Foreign: it is never expanded).
SignInSetting ReadSignInSetting(HKEY runKey);
// Sets the value to start program with that kind, or removes it when neither is chosen (a
// value that is not there is no error). ERROR_SUCCESS, or the registry's refusal.
LONG WriteSignInSetting(HKEY runKey, const CString& program, bool bCache, bool bCookie);

// The same through the user's Run key.
SignInSetting ReadSignInSetting();
LONG WriteSignInSetting(const CString& program, bool bCache, bool bCookie);

// Whether two paths name the same executable (case aside, and short names on a local disk).
bool SameProgram(const CString& a, const CString& b);
// Whether path lies on a local disk, where looking at it cannot hang on a network that is gone
// (the window asks this on its own thread).
bool OnLocalDisk(const CString& path);
