#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "sim/AddressSanitizer.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

namespace {

struct Arrival {
    std::string name;
    simtime_t time;
    bool operator==(const Arrival& o) const { return name == o.name && time == o.time; }
};

TEST_F(KernelTest, SelfMessagesArriveByTimeThenPriorityThenSchedulingOrder)
{
    std::vector<std::string> order;
    addModule("a", [&](LambdaModule& m) {
        auto at = [&](double t, const char* name, int prio) {
            auto* msg = new cMessage(name);
            msg->setPriority(prio);
            m.scheduleAt(t, msg);
        };
        at(2.0, "late", 0);
        at(1.0, "first-fifo", 0);
        at(1.0, "second-fifo", 0);
        at(1.0, "urgent", -1);
        at(0.5, "early", 5);
        // Priorities beyond 16 bits share the ends of the range, in scheduling order.
        at(1.0, "lowest", std::numeric_limits<int>::max());
        at(1.0, "also-lowest", 40000);
        at(1.0, "top", std::numeric_limits<int>::min());
        at(1.0, "also-top", -40000);
        for (int i = 0; i < 9; ++i) {
            cMessage* msg = m.receive();
            order.push_back(msg->name());
            EXPECT_TRUE(msg->isSelfMessage());
            EXPECT_DOUBLE_EQ(msg->arrivalTime(), m.simTime());
            delete msg;
        }
    });
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(order, (std::vector<std::string>{"early", "top", "also-top", "urgent", "first-fifo", "second-fifo",
                                               "lowest", "also-lowest", "late"}));
    EXPECT_DOUBLE_EQ(simulation.simTime(), 2.0);
}

// Messages passed on at the current time keep the order of one event list
// with those already pending for that time: by priority, then sending order,
// also when a later one has a smaller priority or one of them is cancelled;
// the event list counts and lists every one of them.
TEST_F(KernelTest, MessagesSentAtTheCurrentTimeArriveByPriorityThenSendingOrder)
{
    std::vector<std::string> order;
    int pendingWhileSending = -1;
    bool listedAll = false;
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        auto* early = new cMessage("booked-earlier");
        early->setPriority(1);
        m.sendDelayed(early, 1.0, "out", 0);
        m.wait(1.0);
        auto out = [&](const char* name, int prio) {
            auto* msg = new cMessage(name);
            msg->setPriority(prio);
            m.send(msg, "out", 0);
        };
        out("p0-a", 0);
        // Cancelled from the middle of those waiting for the current time.
        auto* self = new cMessage("self-now");
        m.scheduleAt(m.simTime(), self);
        out("p0-b", 0);
        out("low", 2);
        out("p0-c", 0);
        out("urgent", -1);
        cMessageHeap& fes = simulation.messageQueue();
        pendingWhileSending = fes.length();
        std::vector<std::string> listed;
        for (int i = 0; i < fes.length(); ++i)
            listed.push_back(fes.at(i)->name());
        listedAll = std::find(listed.begin(), listed.end(), "self-now") != listed.end() &&
                    std::find(listed.begin(), listed.end(), "urgent") != listed.end();
        EXPECT_EQ(m.cancelEvent(self), self);
        EXPECT_FALSE(self->isScheduled());
        delete self;
        EXPECT_EQ(fes.length(), pendingWhileSending - 1);
    });
    LambdaModule* sink = addModule("sink", [&](LambdaModule& m) {
        for (int i = 0; i < 6; ++i) {
            cMessage* msg = m.receive();
            EXPECT_DOUBLE_EQ(m.simTime(), 1.0);
            order.push_back(msg->name());
            delete msg;
        }
    });
    connect(src, 0, sink, 0);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(pendingWhileSending, 7);
    EXPECT_TRUE(listedAll);
    EXPECT_EQ(order, (std::vector<std::string>{"urgent", "p0-a", "p0-b", "p0-c", "booked-earlier", "low"}));
}

// Hundreds of messages passed on at one time, and one of them cancelled
// after those ahead of it have gone: it is found and never delivered.
TEST_F(KernelTest, AMessageWaitingBehindManyAtOneTimeCanStillBeCancelled)
{
    constexpr int kBurst = 300;
    int received = 0;
    bool cancelled = false, victimArrived = false;
    int pendingAfterCancel = -1;
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        m.wait(1.0);
        for (int i = 0; i < kBurst; ++i)
            m.send(new cMessage("burst"), "out", 0);
        auto* victim = new cMessage("victim");
        victim->setPriority(1);
        m.scheduleAt(m.simTime(), victim);
        cMessage* msg = m.receive();
        victimArrived = msg == victim;
        if (!victimArrived) {
            cancelled = m.cancelEvent(victim) == victim && !victim->isScheduled();
            pendingAfterCancel = simulation.messageQueue().length();
            delete victim;
        }
        delete msg;
    });
    LambdaModule* sink = addModule("sink", [&](LambdaModule& m) {
        for (;;) {
            cMessage* msg = m.receive();
            EXPECT_DOUBLE_EQ(m.simTime(), 1.0);
            delete msg;
            if (++received == kBurst)
                m.send(new cMessage("poke"), "out", 0);
        }
    });
    connect(src, 0, sink, 0);
    connect(sink, 0, src, 0);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(received, kBurst);
    EXPECT_FALSE(victimArrived);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(pendingAfterCancel, 0);
}

// Forty modules keep timers at scattered times and priorities, booked in
// bursts that land all over a deep event list, and cancel some of them
// again: what arrives is exactly every timer not cancelled, sorted by time,
// then priority, then the order of booking.
// Every module books timers on a grid of later times, with random
// priorities, and some take timers back; the timers must arrive in the order
// of time, priority and booking.
class TimerBookings : public KernelTest {
  protected:
    void bookTimersAndCheckTheirOrder(int modules, unsigned gridSteps);
};

void TimerBookings::bookTimersAndCheckTheirOrder(int modules, unsigned gridSteps)
{
    struct Booking {
        double time;
        int priority;
        long number;
        bool operator<(const Booking& o) const
        {
            return time < o.time ||
                   (time == o.time && (priority < o.priority || (priority == o.priority && number < o.number)));
        }
    };
    const int kModules = modules;
    constexpr int kRounds = 6;
    std::vector<Booking> booked, arrived;
    long cancelled = 0;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int i = 0; i < kModules; ++i) {
        addModule("m", [&, i](LambdaModule& m) {
            for (int round = 0; round < kRounds; ++round) {
                std::vector<cMessage*> mine;
                // Later times on a coarse grid, so that many share a time;
                // none is for now, which would go behind what has already
                // been delivered at this time whatever its priority.
                for (int k = 0; k < 8; ++k) {
                    auto* msg = new cMessage("timer");
                    const int priority = static_cast<int>(next() % 3) - 1;
                    msg->setPriority(priority);
                    const double t = m.simTime() + 1e-3 * static_cast<double>(next() % gridSteps + 1);
                    msg->setContextPointer(reinterpret_cast<void*>(static_cast<long>(booked.size())));
                    booked.push_back({t, priority, static_cast<long>(booked.size())});
                    m.scheduleAt(t, msg);
                    mine.push_back(msg);
                }
                auto takeBack = [&](cMessage* msg) {
                    if (m.cancelEvent(msg) != msg || msg->isScheduled())
                        return;
                    booked[static_cast<size_t>(reinterpret_cast<long>(msg->contextPointer()))].number = -1;
                    ++cancelled;
                    mine.erase(std::find(mine.begin(), mine.end(), msg));
                    delete msg;
                };
                // Every third module takes back two of its timers at once,
                // every fifth one a timer due when its first timer arrives.
                if (i % 3 == 0)
                    for (cMessage* msg : {mine[1], mine[6]})
                        takeBack(msg);
                bool tookBackADueOne = i % 5 != 1;
                while (!mine.empty()) {
                    cMessage* msg = m.receive();
                    mine.erase(std::find(mine.begin(), mine.end(), msg));
                    arrived.push_back({m.simTime(), msg->priority(), reinterpret_cast<long>(msg->contextPointer())});
                    EXPECT_EQ(msg->arrivalTime(), m.simTime());
                    delete msg;
                    for (size_t k = 0; !tookBackADueOne && k < mine.size(); ++k)
                        if (mine[k]->arrivalTime() == m.simTime()) {
                            takeBack(mine[k]);
                            tookBackADueOne = true;
                        }
                }
            }
        });
    }
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    std::vector<Booking> expected;
    for (const Booking& b : booked)
        if (b.number >= 0)
            expected.push_back(b);
    std::sort(expected.begin(), expected.end());
    EXPECT_GT(cancelled, kModules / 4);
    ASSERT_EQ(arrived.size(), expected.size());
    EXPECT_EQ(arrived.size(), static_cast<size_t>(kModules * kRounds * 8 - cancelled));
    for (size_t k = 0; k < arrived.size(); ++k) {
        ASSERT_EQ(arrived[k].number, expected[k].number) << "arrival " << k;
        ASSERT_EQ(arrived[k].time, expected[k].time) << "arrival " << k;
    }
}

TEST_F(TimerBookings, ManyModulesTimersArriveInTimePriorityBookingOrderWhateverTheirNumber)
{
    bookTimersAndCheckTheirOrder(40, 50);
}

// Hundreds of timers for each of two times: those of one time are sorted at
// once when the clock reaches it, and some are cancelled after that.
TEST_F(TimerBookings, HundredsOfTimersForOneTimeArriveInPriorityBookingOrder)
{
    bookTimersAndCheckTheirOrder(150, 2);
}

// A time of minus zero is the time zero: a timer booked for -0.0 at the
// start waits behind one booked earlier for 0 and goes before any later time.
TEST_F(KernelTest, ATimerForMinusZeroIsATimerForZero)
{
    std::vector<std::string> order;
    addModule("a", [&](LambdaModule& m) {
        m.scheduleAt(1e-300, new cMessage("tiny"));
        m.scheduleAt(0.0, new cMessage("zero"));
        m.scheduleAt(-0.0, new cMessage("minus-zero"));
        for (int i = 0; i < 3; ++i) {
            cMessage* msg = m.receive();
            order.push_back(msg->name());
            delete msg;
        }
    });
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(order, (std::vector<std::string>{"zero", "minus-zero", "tiny"}));
    EXPECT_EQ(simulation.simTime(), 1e-300);
}

TEST_F(KernelTest, WaitPutsArrivalsAsideAndReceiveReturnsThemFirstInArrivalOrder)
{
    std::vector<Arrival> got;
    LambdaModule* sink = addModule("sink", [&](LambdaModule& m) {
        m.wait(1.0);
        EXPECT_DOUBLE_EQ(m.simTime(), 1.0);
        EXPECT_EQ(m.putAsideCount(), 2);
        for (int i = 0; i < 3; ++i) {
            cMessage* msg = m.receive();
            got.push_back({msg->name(), msg->arrivalTime()});
            delete msg;
        }
        EXPECT_DOUBLE_EQ(m.simTime(), 3.0);
    });
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        m.wait(0.2);
        m.send(new cMessage("x"), "out", 0);
        m.wait(0.3);
        m.send(new cMessage("y"), "out", 0);
        m.wait(2.5);
        m.send(new cMessage("z"), "out", 0);
    });
    connect(src, 0, sink, 0);
    runAll();
    EXPECT_EQ(got, (std::vector<Arrival>{{"x", 0.2}, {"y", 0.5}, {"z", 3.0}}));
}

TEST_F(KernelTest, ReceiveWithTimeoutGivesUpOrReturnsTheEarlierMessage)
{
    std::vector<std::string> seen;
    LambdaModule* sink = addModule("sink", [&](LambdaModule& m) {
        cMessage* msg = m.receive(0.5);
        seen.push_back(msg ? msg->name() : "timeout");
        EXPECT_DOUBLE_EQ(m.simTime(), 0.5);
        delete msg;
        msg = m.receive(10.0);
        seen.push_back(msg ? msg->name() : "timeout");
        EXPECT_DOUBLE_EQ(m.simTime(), 1.0);
        delete msg;
        // The cancelled time-out must not come back later.
        msg = m.receive(20.0);
        seen.push_back(msg ? msg->name() : "timeout");
        EXPECT_DOUBLE_EQ(m.simTime(), 21.0);
    });
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        m.wait(1.0);
        m.send(new cMessage("hello"), "out", 0);
    });
    connect(src, 0, sink, 0);
    runAll();
    EXPECT_EQ(seen, (std::vector<std::string>{"timeout", "hello", "timeout"}));
}

TEST_F(KernelTest, EveryInitializeRunsBeforeAnyActivityAndInCreationOrder)
{
    std::vector<std::string> log;
    auto body = [&](LambdaModule& m) { log.push_back(std::string("run ") + m.name()); };
    LambdaModule* a = addModule("a", body);
    a->onInitialize = [&](LambdaModule& m) {
        log.push_back("init a");
        // A module created while initialising is initialised in the same pass.
        auto* child = new LambdaModule("child", &m, body);
        child->onInitialize = [&](LambdaModule&) { log.push_back("init child"); };
    };
    LambdaModule* b = addModule("b", body);
    b->onInitialize = [&](LambdaModule&) { log.push_back("init b"); };
    runAll();
    EXPECT_EQ(log, (std::vector<std::string>{"init a", "init b", "init child", "run a", "run b", "run child"}));
}

TEST_F(KernelTest, ModuleCreatedDuringTheRunStartsAtTheCurrentTime)
{
    simtime_t started = -1;
    addModule("creator", [&](LambdaModule& m) {
        m.wait(2.5);
        auto* late = new LambdaModule("late", &m, [&](LambdaModule& x) { started = x.simTime(); });
        bool initialised = false;
        late->onInitialize = [&](LambdaModule&) { initialised = true; };
        simulation.startCreatedModules(late);
        EXPECT_TRUE(initialised);
    });
    runAll();
    EXPECT_DOUBLE_EQ(started, 2.5);
}

// The modules made here outgrow the kernel's module table several times while
// the first ones are suspended at different depths of their activities.
TEST_F(KernelTest, SuspendedModulesResumeWhereTheyLeftOffWhileModulesAreCreatedAroundThem)
{
    std::vector<std::string> log;
    std::function<long(LambdaModule&, int)> nested = [&](LambdaModule& m, int depth) -> long {
        if (depth == 0) {
            m.wait(3.0);
            return 1;
        }
        long below = nested(m, depth - 1);
        return below * 10 + depth;
    };
    for (int k = 0; k < 3; ++k)
        addModule(("old" + std::to_string(k)).c_str(), [&, k](LambdaModule& m) {
            const long result = nested(m, 2 * k);
            log.push_back(std::string(m.name()) + " " + std::to_string(result) + " at " + std::to_string(m.simTime()));
        });
    int lateRan = 0;
    addModule("creator", [&](LambdaModule& m) {
        for (int round = 0; round < 4; ++round) {
            m.wait(0.5);
            for (int i = 0; i < 150; ++i) {
                auto* late =
                    new LambdaModule(("late" + std::to_string(round * 150 + i)).c_str(), &m, [&](LambdaModule& x) {
                        x.wait(1.0);
                        ++lateRan;
                    });
                simulation.startCreatedModules(late);
            }
        }
    });
    runAll();
    EXPECT_EQ(log, (std::vector<std::string>{"old0 1 at 3.000000", "old1 112 at 3.000000", "old2 11234 at 3.000000"}));
    EXPECT_EQ(lateRan, 600);
}

// A module that runs reads its own fields and the frames it left on its stack
// when it was suspended: for a small module the two lie in one page, whatever
// cache-line offset its turn gave it.
TEST_F(KernelTest, ASmallModuleAndItsSuspendedFramesShareOnePage)
{
#ifdef VELMORA_ASAN
    GTEST_SKIP() << "modules live on the sanitizer's heap";
#endif
    constexpr uintptr_t kPage = 4096;
    int split = 0;
    int ran = 0;
    for (int i = 0; i < 130; ++i) // two turns through every offset
        addModule(("m" + std::to_string(i)).c_str(), [&](LambdaModule& m) {
            volatile char local = 0;
            m.wait(1.0);
            const auto first = reinterpret_cast<uintptr_t>(&local);
            const auto last = reinterpret_cast<uintptr_t>(&m) + sizeof(LambdaModule) - 1;
            if (first / kPage != last / kPage)
                ++split;
            ++ran;
        });
    runAll();
    EXPECT_EQ(ran, 130);
    EXPECT_EQ(split, 0);
}

TEST_F(KernelTest, MessageCrossesCompoundBoundariesAndAddsEveryChannelDelay)
{
    auto* left = new cCompoundModule("Left", root);
    left->addGate("out", 'O');
    auto* right = new cCompoundModule("Right", root);
    right->addGate("in", 'I');
    simtime_t arrival = -1;
    std::string arrivedAt;
    LambdaModule* src = addModule(
        "src", [&](LambdaModule& m) { m.send(new cMessage("frame"), "out", 0); }, left);
    LambdaModule* dst = addModule(
        "dst",
        [&](LambdaModule& m) {
            cMessage* msg = m.receive();
            arrival = m.simTime();
            arrivedAt = msg->arrivalGate()->fullPath();
            EXPECT_TRUE(msg->arrivedOn("in", 0));
            EXPECT_EQ(msg->senderModule(), simulation.module(msg->senderModuleId()));
            delete msg;
        },
        right);
    src->setGateSize("out", 1);
    dst->setGateSize("in", 1);
    auto delayed = [](double d) {
        auto* ch = new cChannel("ch");
        ch->setDelay(d);
        return ch;
    };
    src->gate("out", 0)->connectTo(left->gate("out"), delayed(0.001));
    left->gate("out")->connectTo(right->gate("in"), delayed(0.010));
    right->gate("in")->connectTo(dst->gate("in", 0));
    EXPECT_EQ(src->gate("out", 0)->destinationGate(), dst->gate("in", 0));
    EXPECT_EQ(dst->gate("in", 0)->sourceGate(), src->gate("out", 0));
    EXPECT_TRUE(src->gate("out", 0)->isRouteOK());
    EXPECT_TRUE(left->gate("out")->isRouteOK());
    runAll();
    EXPECT_DOUBLE_EQ(arrival, 0.011);
    EXPECT_EQ(arrivedAt, "Net.Right.dst.in[0]");
}

TEST_F(KernelTest, SendingOnAPathThatEndsAtACompoundIsAnError)
{
    auto* box = new cCompoundModule("Box", root);
    box->addGate("in", 'I');
    LambdaModule* src = addModule("src", [&](LambdaModule& m) { m.send(new cMessage("lost"), "out", 0); });
    src->setGateSize("out", 1);
    src->gate("out", 0)->connectTo(box->gate("in"));
    try {
        runAll();
        FAIL() << "the send should have failed";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.modulePath(), "Net.src");
        EXPECT_STREQ(e.what(), "send(): the path from gate out[0] does not end at a simple module: it ends at "
                               "gate in of module Net.Box");
    }
}

TEST_F(KernelTest, SendingOnAnUnconnectedGateSaysSo)
{
    LambdaModule* src = addModule("src", [&](LambdaModule& m) { m.send(new cMessage("lost"), "out", 1); });
    LambdaModule* dst = addModule("dst", [](LambdaModule& m) { m.receive(); });
    connect(src, 0, dst, 0);
    src->setGateSize("out", 2);
    try {
        runAll();
        FAIL() << "the send should have failed";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.modulePath(), "Net.src");
        EXPECT_STREQ(e.what(), "send(): gate out[1] is not connected");
    }
}

TEST_F(KernelTest, SchedulingIntoThePastEndsTheRunWithTheModulesPath)
{
    addModule("bad", [&](LambdaModule& m) {
        m.wait(1.0);
        m.scheduleAt(0.5, new cMessage("back"));
    });
    try {
        runAll();
        FAIL() << "scheduling into the past should fail";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.modulePath(), "Net.bad");
        EXPECT_NE(std::string(e.what()).find("in the past"), std::string::npos);
    }
}

TEST_F(KernelTest, TimeNeverRunsBackwardsOrBecomesNaN)
{
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    struct Case {
        std::function<void(LambdaModule&)> act;
        const char* error;
    };
    const Case cases[] = {
        {[&](LambdaModule& m) { m.scheduleAt(nan, new cMessage("t")); }, "scheduleAt(): event time nan is not finite"},
        {[&](LambdaModule& m) { m.scheduleAt(inf, new cMessage("t")); }, "scheduleAt(): event time inf is not finite"},
        {[&](LambdaModule& m) { m.scheduleAt(0.5, new cMessage("t")); },
         "scheduleAt(): event time 0.5 is in the past (now 1)"},
        {[&](LambdaModule& m) { m.wait(nan); }, "wait(): delay nan is negative or not finite"},
        {[&](LambdaModule& m) { m.wait(-1); }, "wait(): delay -1 is negative or not finite"},
        {[&](LambdaModule& m) { m.wait(inf); }, "wait(): delay inf is negative or not finite"},
        {[&](LambdaModule& m) { delete m.receive(nan); }, "receive(): time-out nan is negative or not finite"},
        {[&](LambdaModule& m) { m.sendDelayed(new cMessage("t"), nan, "out", 0); },
         "sendDelayed(): delay nan is negative or not finite"},
        {[&](LambdaModule& m) { m.sendDelayed(new cMessage("t"), -0.25, "out", 0); },
         "sendDelayed(): delay -0.25 is negative or not finite"},
        {[&](LambdaModule& m) { m.sendDelayed(new cMessage("t"), inf, "out", 0); },
         "sendDelayed(): delay inf is negative or not finite"},
        {[&](LambdaModule& m) {
             // A delay put straight into the channel's parameter, behind its back.
             m.gate("out", 0)->channel()->delayPar().setDoubleValue(nan);
             m.send(new cMessage("t"), "out", 0);
         },
         "send(): the connections from gate out[0] add up to a delay of nan"},
    };
    for (const Case& c : cases) {
        simulation.deleteNetwork();
        root = new cCompoundModule("Net", nullptr);
        simulation.setSystemModule(root);
        LambdaModule* bad = addModule("bad", [&](LambdaModule& m) {
            m.wait(1.0);
            c.act(m);
        });
        LambdaModule* sink = addModule("sink", [](LambdaModule& m) {
            for (;;)
                delete m.receive();
        });
        connect(bad, 0, sink, 0, 0.001);
        std::string error, path;
        try {
            runAll();
        } catch (const cRuntimeError& e) {
            error = e.what();
            path = e.modulePath();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(path, "Net.bad") << c.error;
        EXPECT_EQ(simulation.simTime(), 1.0) << c.error;
    }
}

TEST_F(KernelTest, AConnectionRefusesANegativeOrNonFiniteDelayNamingBothEnds)
{
    LambdaModule* a = addModule("a", nullptr);
    LambdaModule* b = addModule("b", nullptr);
    a->setGateSize("out", 1);
    b->setGateSize("in", 1);
    for (double bad : {-1.0, std::nan(""), -std::nan(""), HUGE_VAL}) {
        auto* ch = new cChannel("ch");
        ch->setDelay(bad); // not yet connected: refused where it is
        const std::string error = errorOf([&] { a->gate("out", 0)->connectTo(b->gate("in", 0), ch); });
        EXPECT_EQ(error.substr(0, 39), "Connection Net.a.out[0] --> Net.b.in[0]") << bad;
        EXPECT_NE(error.find("is negative or not finite"), std::string::npos) << error;
        EXPECT_FALSE(a->gate("out", 0)->isConnected());
    }
    auto* ch = new cChannel("ch");
    ch->setDelay(0.5);
    a->gate("out", 0)->connectTo(b->gate("in", 0), ch);
    EXPECT_EQ(errorOf([&] { ch->setDelay(-std::nan("")); }),
              "Connection Net.a.out[0] --> Net.b.in[0]: delay nan is negative or not finite");
    EXPECT_EQ(ch->delay(), 0.5);
}

TEST_F(KernelTest, EndSimulationStopsTheRunWithEventsStillPending)
{
    int received = 0;
    addModule("stopper", [&](LambdaModule& m) {
        m.scheduleAt(5.0, new cMessage("never"));
        m.wait(1.0);
        m.endSimulation();
    });
    addModule("other", [&](LambdaModule& m) {
        m.receive();
        ++received;
    });
    EXPECT_EQ(runAll(), RunOutcome::END_SIMULATION);
    EXPECT_DOUBLE_EQ(simulation.simTime(), 1.0);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(simulation.messageQueue().length(), 1);
}

TEST_F(KernelTest, SimTimeLimitStopsBeforeLaterEventsAndARaisedLimitLetsTheRunGoOn)
{
    int ticks = 0;
    addModule("clock", [&](LambdaModule& m) {
        for (;;) {
            m.wait(1.0);
            ++ticks;
        }
    });
    simulation.setSimTimeLimit(10.5);
    EXPECT_EQ(runAll(), RunOutcome::SIM_TIME_LIMIT);
    EXPECT_EQ(ticks, 10);
    EXPECT_DOUBLE_EQ(simulation.simTime(), 10.5);

    simulation.setSimTimeLimit(20.5);
    EXPECT_EQ(simulation.run(), RunOutcome::SIM_TIME_LIMIT);
    EXPECT_EQ(ticks, 20);
    EXPECT_DOUBLE_EQ(simulation.simTime(), 20.5);
}

// Two modules passing one message back and forth at one time: every event
// after the first takes the short way through the scheduler, which must
// still see at once a failure met in the middle of an event (a write the file
// system refuses) and an interrupt.
TEST_F(KernelTest, AFailureOrAnInterruptInAChainOfMessagesAtOneTimeHoldsAtOnce)
{
    for (const bool interrupt : {false, true}) {
        SetUp();
        int passes = 0;
        LambdaModule* a = nullptr;
        auto bounce = [&](LambdaModule& m) {
            if (&m == a)
                m.send(new cMessage("ball"), "out", 0);
            for (;;) {
                cMessage* ball = m.receive();
                if (++passes == 100 && interrupt)
                    cSimulation::interrupt(SIGINT);
                else if (passes == 100)
                    simulation.failAfterEvent(cRuntimeError("disk full"));
                m.send(ball, "out", 0);
            }
        };
        a = addModule("a", bounce);
        LambdaModule* b = addModule("b", bounce);
        connect(a, 0, b, 0);
        connect(b, 0, a, 0);
        if (interrupt) {
            EXPECT_EQ(runAll(), RunOutcome::INTERRUPTED);
            EXPECT_EQ(simulation.run(), RunOutcome::INTERRUPTED) << "it holds until the network goes";
        } else {
            EXPECT_EQ(errorOf([&] { runAll(); }), "disk full");
        }
        EXPECT_EQ(passes, 100);
        EXPECT_DOUBLE_EQ(simulation.simTime(), 0.0);
    }
}

TEST_F(KernelTest, MessageToAModuleWhoseActivityEndedIsAnError)
{
    LambdaModule* quitter = addModule("quitter", [](LambdaModule&) {});
    LambdaModule* src = addModule("src", [](LambdaModule& m) {
        m.wait(1.0);
        m.send(new cMessage("late"), "out", 0);
    });
    connect(src, 0, quitter, 0);
    try {
        runAll();
        FAIL() << "delivery to an ended module should fail";
    } catch (const cRuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("Net.quitter"), std::string::npos);
    }
}

TEST_F(KernelTest, DeletingTheNetworkUnwindsSuspendedActivitiesAndFreesTheirLocals)
{
    long before = cMessage::liveMessageCount();
    addModule("holder", [](LambdaModule& m) {
        std::unique_ptr<cMessage> held(new cMessage("held in a local"));
        for (;;)
            delete m.receive();
    });
    addModule("pending", [](LambdaModule& m) { m.scheduleAt(100, new cMessage("future")); });
    simulation.setSimTimeLimit(1);
    runAll();
    EXPECT_EQ(cMessage::liveMessageCount(), before + 2);
    simulation.deleteNetwork();
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

TEST_F(KernelTest, CancelledEventIsNeverDelivered)
{
    std::vector<std::string> got;
    addModule("a", [&](LambdaModule& m) {
        auto* keep = new cMessage("keep");
        auto* drop = new cMessage("drop");
        m.scheduleAt(1, drop);
        m.scheduleAt(2, keep);
        EXPECT_TRUE(drop->isScheduled());
        EXPECT_EQ(m.cancelEvent(drop), drop);
        EXPECT_FALSE(drop->isScheduled());
        delete drop;
        cMessage* msg = m.receive();
        got.push_back(msg->name());
        delete msg;
    });
    runAll();
    EXPECT_EQ(got, std::vector<std::string>{"keep"});
}

TEST_F(KernelTest, SendingAMessageThatIsStillScheduledIsAnError)
{
    addModule("a", [&](LambdaModule& m) {
        auto* msg = new cMessage("twice");
        m.scheduleAt(1, msg);
        m.scheduleAt(2, msg);
    });
    EXPECT_THROW(runAll(), cRuntimeError);
}

// A module that records each arrival as "its name:the message's name".
std::function<void(LambdaModule&)> recordingSink(std::vector<std::string>& arrivals)
{
    return [&arrivals](LambdaModule& m) {
        for (;;) {
            cMessage* msg = m.receive();
            arrivals.push_back(std::string(m.name()) + ":" + msg->name());
            delete msg;
        }
    };
}

// Sends by name take the gate the name says, also when the name's text
// changes at the same address between sends, whatever element of a vector
// they name, and after gate vectors change.
TEST_F(KernelTest, SendByNameFollowsTheNameNotItsAddress)
{
    std::vector<std::string> arrivals;
    auto sink = recordingSink(arrivals);
    LambdaModule* left = addModule("left", sink);
    LambdaModule* right = addModule("right", sink);
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        char gateName[8];
        for (const char* name : {"toLeft", "toRight", "toLeft"}) {
            std::strcpy(gateName, name);
            m.send(new cMessage(name), gateName);
        }
        m.send(new cMessage("vector"), "out", 1);
        m.send(new cMessage("element0"), "out", 0);
        m.send(new cMessage("element1"), "out", 1);
        m.wait(1.0);
        m.setGateSize("out", 1);
        m.send(new cMessage("gone"), "out", 1);
    });
    src->addGate("toLeft", 'O');
    src->addGate("toRight", 'O');
    left->setGateSize("in", 2);
    right->setGateSize("in", 2);
    src->gate("toLeft")->connectTo(left->gate("in", 0));
    src->gate("toRight")->connectTo(right->gate("in", 0));
    connect(src, 0, left, 1);
    connect(src, 1, right, 1);
    try {
        runAll();
        FAIL() << "the last send should have failed";
    } catch (const cRuntimeError& e) {
        EXPECT_STREQ(e.what(), "send(): no gate out[1]");
    }
    EXPECT_EQ(arrivals, (std::vector<std::string>{"left:toLeft", "right:toRight", "left:toLeft", "right:vector",
                                                  "left:element0", "right:element1"}));
}

// A gate vector resized or reconnected during the run: a send by the id of
// an element follows the gate that holds that id now, and its connection now.
TEST_F(KernelTest, SendByIdFollowsAGateVectorResizedOrReconnectedDuringTheRun)
{
    std::vector<std::string> arrivals;
    auto sink = recordingSink(arrivals);
    LambdaModule* first = addModule("first", sink);
    LambdaModule* second = addModule("second", sink);
    LambdaModule* src = addModule("src", [&](LambdaModule& m) {
        const int id = m.gate("out", 1)->id();
        m.send(new cMessage("before"), id);
        m.wait(1.0);
        m.setGateSize("out", 1);
        m.setGateSize("out", 2);
        m.gate("out", 1)->connectTo(second->gate("in", 0));
        m.send(new cMessage("after"), id);
        m.wait(1.0);
        m.gate("out", 1)->disconnect();
        m.gate("out", 1)->connectTo(first->gate("in", 1));
        m.send(new cMessage("reconnected"), id);
        m.wait(1.0);
        m.setGateSize("out", 1);
        m.send(new cMessage("gone"), id);
    });
    connect(src, 1, first, 0);
    first->setGateSize("in", 2);
    second->setGateSize("in", 1);
    try {
        runAll();
        FAIL() << "the last send should have failed";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(std::string(e.what()), "send(): no gate with id " + std::to_string(1 << 16 | 1));
    }
    EXPECT_EQ(arrivals, (std::vector<std::string>{"first:before", "second:after", "first:reconnected"}));
}

} // namespace
