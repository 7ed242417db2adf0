// Polling helpers for tests that watch other threads and processes.
#pragma once

#include <windows.h>

#include <functional>

// Pumps this thread's messages and polls pred until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs);
// Pumps this thread's messages for ms milliseconds.
void PumpFor(DWORD ms);
