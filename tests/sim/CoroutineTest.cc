#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/Coroutine.h"
#include "tests/sim/TestModules.h"

namespace {

struct PingPong {
    Coroutine* a = nullptr;
    Coroutine* b = nullptr;
    std::vector<int> trace;
};

TEST(Coroutine, SwitchesStraightBetweenCoroutinesAndBackToMain)
{
    PingPong pp;
    Coroutine a(
        [](void* arg) {
            auto* p = static_cast<PingPong*>(arg);
            p->trace.push_back(1);
            Coroutine::switchTo(p->b); // straight to b, not through main
            p->trace.push_back(3);
            for (;;)
                Coroutine::switchTo(Coroutine::main());
        },
        &pp, 64 * 1024, "a");
    Coroutine b(
        [](void* arg) {
            auto* p = static_cast<PingPong*>(arg);
            p->trace.push_back(2);
            Coroutine::switchTo(p->a);
            for (;;)
                Coroutine::switchTo(Coroutine::main());
        },
        &pp, 64 * 1024, "b");
    pp.a = &a;
    pp.b = &b;
    Coroutine::switchTo(&a);
    pp.trace.push_back(4);
    EXPECT_EQ(pp.trace, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Coroutine::current(), Coroutine::main());
}

TEST(Coroutine, StackIsAtLeastTheRequestedSizeInWholePages)
{
    Coroutine c([](void*) {}, nullptr, 70000, "c");
    EXPECT_GE(c.stackSize(), 70000u);
    EXPECT_EQ(c.stackSize() % Coroutine::pageSize(), 0u);
}

int recurse(int depth)
{
    volatile char frame[1024];
    std::memset(const_cast<char*>(frame), depth & 0xFF, sizeof frame);
    return depth > 1000000 ? 0 : recurse(depth + 1) + frame[depth % 1024];
}

TEST_F(KernelTest, StackOverflowEndsTheProgramWithAMessageNamingTheModule)
{
    addModule("deep", [](LambdaModule&) { recurse(0); });
    EXPECT_EXIT(runAll(), ::testing::ExitedWithCode(1), "<!> Error in module Net\\.deep: stack overflow");
}

} // namespace
