// The cleaning that the Run value starts at sign-in, and what it leaves for the user: its log,
// one file of its own under the local application data, and a note of how it ended, which the
// window reads once (and removes) to say when the last run did not end with 0.
#pragma once

#include "app/CommandLine.h"

#include <optional>
#include <string>

// Held by a run at sign-in from its start to its end.
extern const wchar_t kSignInRunMutex[];

// %LOCALAPPDATA%\Dustwhirl; empty when the shell cannot say where that is.
CString SignInFolder();
CString SignInLogPath(const CString& folder);
CString SignInResultPath(const CString& folder);

// The run itself (line.mode is SignInRun): an ordinary silent cleaning of both caches with the
// stored keep list, its log replaced in folder. Returns the exit code. A second run while one
// is still going does nothing (exit 0) and leaves the first one's record alone.
ExitCode RunAtSignIn(const CommandLine& line, const CString& folder);

// The note's two halves, apart for the tests: "running" as the run begins (a run that never
// ends leaves it), the exit code when it ends (none for 0).
void NoteSignInStarted(const CString& folder);
void NoteSignInEnded(const CString& folder, ExitCode exitCode);

// What the window says once about the last run: its text, or none when the last run ended with
// 0 (or none ran, or one is running now). The note is removed when it is taken, so the next
// window says nothing.
std::optional<CString> TakeSignInNotice(const CString& folder);

// /signin WORD: sets or removes the Run value for this executable. 0, or 3 when the registry
// refuses (said in a box unless line.silent).
ExitCode RunSignInCommand(const CommandLine& line);
