#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "sim/Coroutine.h"
#include "tests/shared/TestModules.h"

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

// Goes `depth` frames down, each with a local array, and waits there.
int descendAndWait(LambdaModule& m, int depth)
{
    volatile char frame[512];
    std::memset(const_cast<char*>(frame), depth & 0xFF, sizeof frame);
    if (depth > 0)
        return descendAndWait(m, depth - 1) + frame[depth % 512];
    delete m.receive();
    return 0;
}

TEST_F(KernelTest, ModulesOnHugeStacksAreDeletedMidActivityAndTheirStacksServeAgain)
{
    // Far beyond what the sanitizer clears by itself when an exception
    // unwinds a stack.
    simulation.setMinStackSize(256u << 20);
    int waiting = 0;
    for (int round = 0; round < 4; ++round) {
        for (int k = 0; k < 3; ++k)
            addModule(("deep" + std::to_string(k)).c_str(), [&, round, k](LambdaModule& m) {
                ++waiting;
                descendAndWait(m, 50 + 200 * ((round + k) % 3));
            });
        runAll();
        EXPECT_EQ(waiting, 3 * (round + 1));
        // Deleting the network unwinds every module from deep inside.
        simulation.deleteNetwork();
        root = new cCompoundModule("Net", nullptr);
        simulation.setSystemModule(root);
    }
    simulation.setMinStackSize(256u << 10);
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

// An allocation that fails in a module (a setting that sizes a table beyond
// what the machine holds) ends the run with a message that names the module
// and says it ran out of memory, not with a bare "std::bad_alloc".
TEST_F(KernelTest, AnAllocationFailureInAModuleNamesTheModuleAndSaysItRanOutOfMemory)
{
    addModule("Sizer", [](LambdaModule&) { throw std::bad_alloc(); });
    try {
        simulation.callInitialize();
        simulation.run();
        ADD_FAILURE() << "the run must stop";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.modulePath(), "Net.Sizer");
        EXPECT_NE(std::string(e.what()).find("ran out of memory"), std::string::npos) << e.what();
    }
}

} // namespace
