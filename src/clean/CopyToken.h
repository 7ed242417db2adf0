// The token the second pass's copy runs with: this process's own user, restricted and at low
// integrity. Lowering the level alone would leave an administrator's copy (a parent run
// elevated) every administrator right: its groups stay enabled and its privileges (backup,
// restore, take ownership, debug) can be turned on. The copy needs none of them.
#pragma once

#include "framework/UniqueHandle.h"

// A primary token made from token (opened with TOKEN_DUPLICATE, TOKEN_QUERY,
// TOKEN_ASSIGN_PRIMARY and TOKEN_ADJUST_DEFAULT, which the new token inherits): the
// administrator groups kept for deny only, every privilege removed but change-notify, the
// default owner the user and a default DACL that grants the user (where the system lets them
// be set), and the integrity level low. None when any step fails: the copy is
// then not started, rather than started with more rights than it was meant to have.
CKernelHandle RestrictedLowIntegrityToken(HANDLE token);

// The same of this process's own token.
CKernelHandle CopyToken();
