// What a running cleaning tells whoever shows it: which cache it is cleaning and how far it
// has come. The progress dialog is one such sink, the command line's silent run another.
#pragma once

#include "framework/Afx.h"

// Which cache a cleaning is working on.
constexpr WPARAM kUsualCacheStage = 0;
constexpr WPARAM kProtectedCacheStage = 1;

class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // The cache now being cleaned; told only where there are two.
    virtual void Stage(WPARAM stage) = 0;
    // The whole percentage done, 1 to 99, each at most once and rising.
    virtual void Percent(int percent) = 0;
};

// The sink of a run that nobody watches.
class CNoProgress : public CProgressSink {
public:
    void Stage(WPARAM) override {}
    void Percent(int) override {}
};
