#pragma once

#include "tests/shared/ArrayFixture.h"
#include "tests/shared/ArrayStandIns.h"

// An array test whose device is built around the stand-ins of the array
// modules, which are cleared with the network.
class StandInArrayTest : public ArrayTest {
  protected:
    void TearDown() override
    {
        simulation.deleteNetwork();
        ArrayStandIn::clear();
        ArrayTest::TearDown();
    }
    ArrayStandInsInPlace standIns;
};
