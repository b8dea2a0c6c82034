#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "base/scope_exit.h"
#include "base/support_log.h"
#include "base/unique_handle.h"

namespace {

// A close that fails and says so, as a close may: the owner must not let that
// replace the error of the call the caller asks about.
std::vector<int> closedHandles;
struct NoisyTraits {
    using Type = int;
    static Type invalid() noexcept { return 0; }
    static void close(Type handle) noexcept {
        closedHandles.push_back(handle);
        SetLastError(ERROR_INVALID_HANDLE);
    }
};
using NoisyHandle = UniqueHandle<NoisyTraits>;

TEST(UniqueHandle, EveryCloseKeepsTheLastError) {
    struct Case {
        const char* name;
        void (*close)(NoisyHandle&);
    };
    const Case cases[] = {
        {"reset", [](NoisyHandle& h) { h.reset(); }},
        {"reset to another", [](NoisyHandle& h) { h.reset(8); }},
        {"put", [](NoisyHandle& h) { h.put(); }},
        {"move-assigned over", [](NoisyHandle& h) { h = NoisyHandle(9); }},
        {"destroyed", [](NoisyHandle& h) { NoisyHandle gone(h.release()); }},
    };
    for (const Case& c : cases) {
        closedHandles.clear();
        NoisyHandle handle(7);
        SetLastError(ERROR_FILE_NOT_FOUND);
        c.close(handle);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << c.name;
        EXPECT_EQ(closedHandles, std::vector<int>{7}) << c.name;
        handle.release();
    }
}

TEST(UniqueHandle, PutClosesWhatWasHeldAndTakesWhatIsStored) {
    closedHandles.clear();
    NoisyHandle handle(3);
    int* place = handle.put();
    EXPECT_EQ(closedHandles, std::vector<int>{3});
    EXPECT_EQ(*place, 0);
    EXPECT_FALSE(handle);
    *place = 4;
    EXPECT_EQ(handle.get(), 4);
    handle.reset();
    EXPECT_EQ(closedHandles, (std::vector<int>{3, 4}));
    handle.put();  // nothing held: nothing closed
    EXPECT_EQ(closedHandles.size(), 2u);
}

TEST(UniqueHandle, PutTakesAKernelHandleFromTheCall) {
    UniqueKernelHandle process;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), process.put(), 0,
                                FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(process);
    EXPECT_EQ(GetProcessId(process.get()), GetCurrentProcessId());
}

TEST(ScopeExit, UndoesOnceUnlessDismissed) {
    int undone = 0;
    {
        ScopeExit undo([&undone] { ++undone; });
    }
    EXPECT_EQ(undone, 1);
    {
        ScopeExit undo([&undone] { ++undone; });
        undo.dismiss();
    }
    EXPECT_EQ(undone, 1);
}

TEST(Win32Failure, NamesWhatFailedAndTheErrorNumber) {
    EXPECT_EQ(win32Failure("Java could not be started", ERROR_FILE_NOT_FOUND), "Java could not be started (error 2)");
    EXPECT_EQ(win32Failure("lock", 0), "lock (error 0)");
    EXPECT_EQ(win32Failure("x", 0xFFFFFFFFul), "x (error 4294967295)");
}

}  // namespace
