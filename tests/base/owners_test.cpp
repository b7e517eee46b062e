// Scoped owners: which handles count as held, what is closed or released and when.
#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include <utility>

#include "win_owners.h"

namespace {

// Whether the handle still names an open kernel object of this process.
bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(ScopedHandle, NullAndInvalidValueBothMeanNoHandle) {
    // The creating functions fail with one or the other; neither may be closed.
    const HANDLE none[] = {nullptr, INVALID_HANDLE_VALUE};
    for (HANDLE handle : none) {
        CScopedHandle owner(handle);
        EXPECT_FALSE(owner.IsValid());
        EXPECT_TRUE(owner.Close());
    }
}

TEST(ScopedHandle, ClosesAtScopeEndAndOnResetButNotAfterDetach) {
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(first && second);
    {
        CScopedHandle owner(first);
        EXPECT_TRUE(owner.IsValid());
        owner.Reset(second);
        EXPECT_FALSE(IsOpenHandle(first));
        CScopedHandle moved(std::move(owner));
        EXPECT_FALSE(owner.IsValid());
        EXPECT_EQ(moved.Get(), second);
        EXPECT_TRUE(IsOpenHandle(second));
    }
    EXPECT_FALSE(IsOpenHandle(second));

    HANDLE kept = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        CScopedHandle owner(kept);
        EXPECT_EQ(owner.Detach(), kept);
    }
    EXPECT_TRUE(IsOpenHandle(kept));
    CloseHandle(kept);
}

// Counts its references; "released" once the last one is gone.
class CountedObject : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;
};

TEST(ComPointer, ReleasesExactlyTheReferencesItHolds) {
    CountedObject a, b;
    {
        CComPointer<IUnknown> pointer(&a);
        *pointer.Receive() = &b;  // receiving releases what was held
        EXPECT_EQ(a.references, 0u);
        EXPECT_EQ(b.references, 1u);
        CComPointer<IUnknown> other(std::move(pointer));
        EXPECT_FALSE(pointer);
        EXPECT_EQ(other.Get(), &b);
    }
    EXPECT_EQ(b.references, 0u);

    CountedObject kept;
    {
        CComPointer<IUnknown> pointer(&kept);
        EXPECT_EQ(pointer.Detach(), &kept);
        CComPointer<IUnknown> shared = CComPointer<IUnknown>::Share(&kept);
        EXPECT_EQ(kept.references, 2u);
    }
    EXPECT_EQ(kept.references, 1u);

    // A raw member is cleared before its release, so that a release calling back finds it gone.
    struct Holder {
        IUnknown* member;
    } holder = {&kept};
    ReleaseInterface(holder.member);
    EXPECT_EQ(holder.member, nullptr);
    EXPECT_EQ(kept.references, 0u);
    ReleaseInterface(holder.member);  // nothing held: nothing happens
}

}  // namespace
