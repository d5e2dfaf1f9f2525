#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// A module that overruns its stack must end the run with the error naming that
// module, whatever the shape of the frame that overruns it: many small frames,
// one frame far larger than the guard below the stack, or a large buffer of
// which only the far end is written. Its neighbour, whose stack lies just below
// in memory, must not be blamed or silently overwritten.
namespace {

template <size_t N>
__attribute__((noinline)) int frame_of(int depth)
{
    volatile char frame[N];
    frame[0] = static_cast<char>(depth);
    frame[N - 1] = static_cast<char>(depth);
    return depth > 1000 ? 0 : frame_of<N>(depth + 1) + frame[depth % N];
}

// Writes only the lowest bytes of the buffer: those farthest from the frame's top.
__attribute__((noinline)) int low_end_written(size_t size)
{
    volatile char* buffer = static_cast<volatile char*>(__builtin_alloca(size));
    for (int i = 0; i < 64; ++i)
        buffer[i] = static_cast<char>(i);
    return buffer[7];
}

class StackOverflow : public KernelTest {
  protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_stack_XXXXXX"));
        simulation.setMinStackSize(64 * 1024);
    }
    void TearDown() override
    {
        simulation.setMinStackSize(256 * 1024);
        KernelTest::TearDown();
        scratch_.leave();
    }

    // Two modules: "deep" prints a line, waits, and then overruns its stack
    // with `overrun`; "neighbour" keeps a pattern on its own stack and keeps
    // checking it. Module output goes to a file, as when a run is redirected.
    void run_until_overflow(int (*overrun)())
    {
        addModule("deep", [overrun](LambdaModule& m) {
            ev << "deep is about to go deep\n";
            m.wait(1.0);
            overrun();
        });
        addModule("neighbour", [](LambdaModule& m) {
            volatile char pattern[4096];
            std::memset(const_cast<char*>(pattern), 0x5A, sizeof pattern);
            for (;;) {
                m.wait(0.5);
                for (char c : pattern)
                    if (c != 0x5A)
                        m.error("my stack was overwritten");
            }
        });
        std::fflush(stdout);
        if (!std::freopen("module-output.txt", "w", stdout))
            std::_Exit(9);
        runAll();
        std::fflush(stdout);
        std::_Exit(0); // reaching here means the overrun went unnoticed
    }
    std::string module_output() const { return readFile((scratch_.path() / "module-output.txt").string()); }

    static constexpr const char* kDeepOverflow = "<!> Error in module Net\\.deep: stack overflow: its coroutine stack "
                                                 "of (6[5-9]|7[0-9])[0-9]{3} bytes is too small "
                                                 "\\(raise min-stack-size in the \\[General\\] section\\)";

  private:
    ScratchDirectory scratch_;
};

TEST_F(StackOverflow, ManyFramesOf100KbAreReportedInTheirModule)
{
    EXPECT_EXIT(run_until_overflow([] { return frame_of<100 * 1024>(0); }), ::testing::ExitedWithCode(1),
                kDeepOverflow);
    EXPECT_EQ(module_output(), "deep is about to go deep\n");
}

TEST_F(StackOverflow, OneFrameOf600KbIsReportedInItsOwnModule)
{
    EXPECT_EXIT(run_until_overflow([] { return frame_of<600 * 1024>(0); }), ::testing::ExitedWithCode(1),
                kDeepOverflow);
    EXPECT_EQ(module_output(), "deep is about to go deep\n");
}

TEST_F(StackOverflow, OneFrameOf1MbEndsWithTheErrorNotASegmentationFault)
{
    EXPECT_EXIT(run_until_overflow([] { return frame_of<1024 * 1024>(0); }), ::testing::ExitedWithCode(1),
                kDeepOverflow);
    EXPECT_EQ(module_output(), "deep is about to go deep\n");
}

TEST_F(StackOverflow, BufferOf300KbWrittenOnlyAtItsLowEndCannotReachTheNeighbour)
{
    EXPECT_EXIT(run_until_overflow([] { return low_end_written(300 * 1024); }), ::testing::ExitedWithCode(1),
                kDeepOverflow);
    EXPECT_EQ(module_output(), "deep is about to go deep\n");
}

TEST_F(StackOverflow, StackThatSufficesRunsToTheEnd)
{
    // The same 100 KB frames, a few deep, fit in a stack of half a megabyte.
    simulation.setMinStackSize(512 * 1024);
    int result = -1;
    addModule("deep", [&result](LambdaModule&) { result = frame_of<100 * 1024>(998); });
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(result, 0);
}

} // namespace
