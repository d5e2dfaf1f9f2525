#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/Sim.h"

// Small modules for kernel tests: a simple module whose activity() and
// initialize() are lambdas, and a fixture that gives each test a fresh root.
class LambdaModule : public cSimpleModule {
  public:
    LambdaModule(const char* name, cModule* parent, std::function<void(LambdaModule&)> body = {})
        : cSimpleModule(name, parent, 16384), body_(std::move(body))
    {
    }
    void activity() override
    {
        if (body_)
            body_(*this);
    }
    void initialize() override
    {
        if (onInitialize)
            onInitialize(*this);
    }
    void finish() override
    {
        if (onFinish)
            onFinish(*this);
    }
    void setBody(std::function<void(LambdaModule&)> body) { body_ = std::move(body); }
    std::function<void(LambdaModule&)> onInitialize;
    std::function<void(LambdaModule&)> onFinish;

  private:
    std::function<void(LambdaModule&)> body_;
};

class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        simulation.deleteNetwork();
        simulation.setSimTimeLimit(MAXTIME);
        root = new cCompoundModule("Net", nullptr);
        simulation.setSystemModule(root);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
    }
    LambdaModule* addModule(const char* name, std::function<void(LambdaModule&)> body, cModule* parent = nullptr)
    {
        auto* m = new LambdaModule(name, parent ? parent : root, std::move(body));
        m->addGate("in", 'I', true);
        m->addGate("out", 'O', true);
        return m;
    }
    static void connect(cModule* from, int outIndex, cModule* to, int inIndex, double delay = 0)
    {
        if (from->gateSize("out") <= outIndex)
            from->setGateSize("out", outIndex + 1);
        if (to->gateSize("in") <= inIndex)
            to->setGateSize("in", inIndex + 1);
        cChannel* ch = nullptr;
        if (delay > 0) {
            ch = new cChannel("ch");
            ch->setDelay(delay);
        }
        from->gate("out", outIndex)->connectTo(to->gate("in", inIndex), ch);
    }
    RunOutcome runAll()
    {
        simulation.callInitialize();
        return simulation.run();
    }

    cModule* root = nullptr;
};
