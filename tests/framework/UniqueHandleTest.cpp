// The owner template over two real kinds, a kernel event and a LocalAlloc block: each handle
// the system gave is closed exactly once, whichever way its owner lets go, and never after it
// was released or when it is the kind's "none".
#include "framework/UniqueHandle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Every close the owners asked for, with whether the system accepted it: a second close of
// one handle shows twice (and refused), a close of "none" shows at all.
struct Closed {
    void* handle;
    bool accepted;
};
std::vector<Closed> g_closed;

template <class TClose>
struct CRecordingClose {
    template <class T>
    bool operator()(T h) const {
        const bool accepted = TClose()(h);
        g_closed.push_back({h, accepted});
        return accepted;
    }
};

struct EventKind {
    using Owner = CUniqueHandle<HANDLE, CRecordingClose<CCloseKernelHandle>>;
    static HANDLE Make() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
};
struct LocalBlockKind {
    using Owner = CUniqueHandle<HLOCAL, CRecordingClose<CLocalFree>>;
    static HLOCAL Make() { return ::LocalAlloc(LMEM_FIXED, 64); }
};

template <class TKind>
class UniqueHandle : public ::testing::Test {
protected:
    using Owner = typename TKind::Owner;
    void SetUp() override { g_closed.clear(); }
    static auto Make() {
        auto h = TKind::Make();
        EXPECT_NE(h, nullptr);
        return h;
    }
    // The handles closed since the last look, in order; each must have been accepted.
    static std::vector<void*> TakeClosed() {
        std::vector<void*> handles;
        for (const Closed& c : g_closed) {
            EXPECT_TRUE(c.accepted) << "closed twice, or never a handle: " << c.handle;
            handles.push_back(c.handle);
        }
        g_closed.clear();
        return handles;
    }
};
using Kinds = ::testing::Types<EventKind, LocalBlockKind>;
TYPED_TEST_SUITE(UniqueHandle, Kinds);

TYPED_TEST(UniqueHandle, ClosesOnceAtScopeEndAndOnReset) {
    using Owner = typename TestFixture::Owner;
    auto first = this->Make();
    auto second = this->Make();
    {
        Owner owner(first);
        EXPECT_TRUE(owner);
        owner.Reset(second);
        EXPECT_EQ(this->TakeClosed(), std::vector<void*>{first}) << "a reset closes what was held";
        EXPECT_EQ(owner.get(), second);
    }
    EXPECT_EQ(this->TakeClosed(), std::vector<void*>{second}) << "the scope's end closes what is held";

    Owner owner(this->Make());
    void* held = owner.get();
    EXPECT_TRUE(owner.Close());
    EXPECT_FALSE(owner);
    EXPECT_TRUE(owner.Close()) << "nothing held, nothing refused";
    owner.Reset();
    EXPECT_EQ(this->TakeClosed(), std::vector<void*>{held});
}

TYPED_TEST(UniqueHandle, AMoveHandsOnWithoutClosing) {
    using Owner = typename TestFixture::Owner;
    Owner a(this->Make());
    void* first = a.get();
    Owner b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), first);
    EXPECT_TRUE(this->TakeClosed().empty()) << "a move closes nothing";

    Owner c(this->Make());
    void* second = c.get();
    c = std::move(b);  // the target's own handle goes, the moved one stays
    EXPECT_EQ(this->TakeClosed(), std::vector<void*>{second});
    EXPECT_EQ(c.get(), first);
    c = std::move(c);
    EXPECT_EQ(c.get(), first) << "a move onto itself keeps the handle";
    EXPECT_TRUE(this->TakeClosed().empty());
    {
        Owner gone(std::move(c));
    }
    EXPECT_EQ(this->TakeClosed(), std::vector<void*>{first});
}

TYPED_TEST(UniqueHandle, AReleasedHandleIsNeverClosedAndReceiveClosesFirst) {
    using Owner = typename TestFixture::Owner;
    auto released = this->Make();
    {
        Owner owner(released);
        EXPECT_EQ(owner.Release(), released);
        EXPECT_FALSE(owner);
    }
    EXPECT_TRUE(this->TakeClosed().empty()) << "a released handle is the caller's";
    Owner taken(released);  // closed at the end, as every handle here

    Owner receiving(this->Make());
    void* old = receiving.get();
    auto* slot = receiving.Receive();
    EXPECT_EQ(this->TakeClosed(), std::vector<void*>{old}) << "an out-parameter never overwrites a live handle";
    EXPECT_EQ(*slot, nullptr);
    *slot = this->Make();
    EXPECT_TRUE(receiving);
}

// "None" is never closed, for the kinds that say it with null and with INVALID_HANDLE_VALUE
// alike, and a none owner is false.
TEST(UniqueHandleNone, TheNoneValueIsNeverClosed) {
    g_closed.clear();
    using NullNone = CUniqueHandle<HANDLE, CRecordingClose<CCloseKernelHandle>>;
    using FileNone = CUniqueHandle<HANDLE, CRecordingClose<CCloseKernelHandle>, kNoneIsInvalidHandleValue>;
    {
        NullNone empty, null(nullptr);
        FileNone file(INVALID_HANDLE_VALUE), defaulted;
        EXPECT_FALSE(empty);
        EXPECT_FALSE(null);
        EXPECT_FALSE(file);
        EXPECT_EQ(defaulted.get(), INVALID_HANDLE_VALUE);
        EXPECT_TRUE(file.Close());
        file.Reset(INVALID_HANDLE_VALUE);
        *file.Receive() = INVALID_HANDLE_VALUE;
    }
    EXPECT_TRUE(g_closed.empty()) << g_closed.size() << " closes of none";
}

// The kinds the program uses close through the system: a closed event is gone.
TEST(UniqueHandleNone, TheProgramsOwnersCloseThroughTheSystem) {
    HANDLE raw;
    {
        CKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "the event's handle is still open";
    HKEY key = nullptr;
    {
        CRegistryKey owner;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, owner.Receive()), ERROR_SUCCESS);
        key = owner.get();
    }
    EXPECT_EQ(::RegCloseKey(key), ERROR_INVALID_HANDLE) << "the key was closed once already";
}

}  // namespace
