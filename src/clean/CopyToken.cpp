#include "clean/CopyToken.h"

#include <vector>

namespace {

// S-1-5-114, SECURITY_LOCAL_ACCOUNT_AND_ADMIN_RID (Windows 8.1 on; MinGW's headers lack it).
constexpr DWORD kLocalAccountAndAdminRid = 114;
// The groups through which a token holds administrator rights: the machine's Administrators,
// and the mark Windows gives a local account that belongs to them.
constexpr DWORD kAdministratorGroups[][2] = {
    {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS},
    {kLocalAccountAndAdminRid, 0},
};

// A SID built by AllocateAndInitializeSid.
struct CFreeSid {
    bool operator()(PSID sid) const { return ::FreeSid(sid) == nullptr; }
};
using CAllocatedSid = CUniqueHandle<PSID, CFreeSid>;

// A token's information of one class, or empty when it cannot be read.
std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
    return buffer;
}

bool SetLowIntegrity(HANDLE token) {
    SID lowLabel{SID_REVISION, 1, SECURITY_MANDATORY_LABEL_AUTHORITY, {SECURITY_MANDATORY_LOW_RID}};
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = &lowLabel;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    return ::SetTokenInformation(token, TokenIntegrityLevel, &label, sizeof(label) + ::GetLengthSid(&lowLabel)) != FALSE;
}

// An elevated token's objects are owned by Administrators by default; a group kept for deny
// only should own nothing, so the copy's own objects are owned by its user. Where the system
// cannot set the owner (Wine) the token stays as it is: the rights it holds are what matter,
// and a copy that then cannot make an object fails its pass, which is said.
void SetOwnerToUser(HANDLE token) {
    std::vector<BYTE> user = TokenInformation(token, TokenUser), owner = TokenInformation(token, TokenOwner);
    if (user.empty() || owner.empty()) return;
    const PSID userSid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    if (::EqualSid(userSid, reinterpret_cast<TOKEN_OWNER*>(owner.data())->Owner)) return;
    TOKEN_OWNER newOwner{userSid};
    ::SetTokenInformation(token, TokenOwner, &newOwner, sizeof(newOwner));
}

// An elevated token's default DACL grants Administrators and the system alone; with the group
// kept for deny only, the copy could not open what it creates itself. It grants the user too.
void GrantUserByDefault(HANDLE token) {
    std::vector<BYTE> user = TokenInformation(token, TokenUser);
    if (user.empty()) return;
    const PSID userSid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    BYTE systemSid[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof(systemSid);
    if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &systemSize)) return;
    const DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) + ::GetLengthSid(userSid) +
                       ::GetLengthSid(systemSid);
    std::vector<BYTE> buffer(size);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    if (!::InitializeAcl(acl, size, ACL_REVISION) || !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, userSid) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, systemSid)) {
        return;
    }
    TOKEN_DEFAULT_DACL dacl{acl};
    ::SetTokenInformation(token, TokenDefaultDacl, &dacl, sizeof(dacl));
}

}  // namespace

CKernelHandle RestrictedLowIntegrityToken(HANDLE token) {
    // SIDs as CreateRestrictedToken takes them: built here, freed when this returns.
    std::vector<CAllocatedSid> admins;
    std::vector<SID_AND_ATTRIBUTES> denyOnly;
    for (const auto& group : kAdministratorGroups) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        CAllocatedSid sid;
        const BYTE count = group[1] != 0 ? 2 : 1;
        if (!::AllocateAndInitializeSid(&nt, count, group[0], group[1], 0, 0, 0, 0, 0, 0, sid.Receive())) {
            return CKernelHandle();
        }
        denyOnly.push_back({sid.get(), 0});
        admins.push_back(std::move(sid));
    }
    // Every privilege the token has but change-notify (which any process needs to walk
    // folders), named one by one: DISABLE_MAX_PRIVILEGE says the same, but Wine ignores it.
    const std::vector<BYTE> held = TokenInformation(token, TokenPrivileges);
    if (held.empty()) return CKernelHandle();
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(held.data());
    LUID changeNotify{};
    if (!::LookupPrivilegeValueW(nullptr, SE_CHANGE_NOTIFY_NAME, &changeNotify)) return CKernelHandle();
    std::vector<LUID_AND_ATTRIBUTES> removed;
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID luid = privileges->Privileges[i].Luid;
        if (luid.LowPart != changeNotify.LowPart || luid.HighPart != changeNotify.HighPart) removed.push_back({luid, 0});
    }
    CKernelHandle restricted;
    // A group named here that the token holds stays for deny only.
    if (!::CreateRestrictedToken(token, 0, static_cast<DWORD>(denyOnly.size()), denyOnly.data(),
                                 static_cast<DWORD>(removed.size()), removed.empty() ? nullptr : removed.data(), 0,
                                 nullptr, restricted.Receive())) {
        return CKernelHandle();
    }
    SetOwnerToUser(restricted.get());
    GrantUserByDefault(restricted.get());
    if (!SetLowIntegrity(restricted.get())) return CKernelHandle();
    return restricted;
}

CKernelHandle CopyToken() {
    CKernelHandle own;
    const DWORD access = TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT;
    if (!::OpenProcessToken(::GetCurrentProcess(), access, own.Receive())) return CKernelHandle();
    return RestrictedLowIntegrityToken(own.get());
}
