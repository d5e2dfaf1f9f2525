#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "network/CompoundBuilder.h"
#include "network/LowMemory.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"

namespace {

// A compound whose description is chosen per test by the module's name, and a
// hook that sees each such compound just before its inside is built.
std::map<std::string, CompoundDescription> descriptions;
std::function<void(cModule*)> onBuild;

class Scratch : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return "Scratch"; }
    void doBuildInside() override
    {
        if (onBuild)
            onBuild(this);
        build_compound(this, descriptions.at(name()));
    }
};

class Probe : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
};

const sDescrItem scratchItems[] = {{'M', "default", nullptr, 0}, {'P', "k", "LDXFT", 0},
                                   {'P', "m", "LDXFT", 0},       {'G', "in", nullptr, 'I'},
                                   {'G', "out", nullptr, 'O'},   {'G', "port_in[]", nullptr, 'I'},
                                   {'E', nullptr, nullptr, 0}};
const sDescrItem probeItems[] = {
    {'M', "default", nullptr, 0}, {'P', "a", "LDXFT", 0},       {'P', "n", "LDXFT", 0},   {'P', "flag", "B", 0},
    {'G', "in[]", nullptr, 'I'},  {'G', "out[]", nullptr, 'O'}, {'G', "x", nullptr, 'I'}, {'E', nullptr, nullptr, 0}};

class CompoundBuild : public ::testing::Test {
  protected:
    void SetUp() override { simulation.deleteNetwork(); }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
        descriptions.clear();
        onBuild = nullptr;
    }
    // Builds a Scratch root "Net" from descriptions[...], with these ini lines
    // ahead of defaults that give every remaining parameter a value.
    cModule* build(const std::string& iniLines = "", bool withDefaults = true)
    {
        ini.clear();
        ini.readText("[Parameters]\n" + iniLines + "\n");
        if (withDefaults)
            ini.readText("[Parameters]\n**.k = 3\n**.m = 4\n**.a = 1\n**.n = 2\n**.flag = false\n");
        simulation.setIniFile(&ini);
        cModule* root = findModuleType("Scratch")->create("Net", nullptr);
        simulation.setSystemModule(root);
        root->readInputParams();
        root->buildInside();
        return root;
    }
    std::string buildError(const std::string& iniLines = "")
    {
        try {
            build(iniLines);
        } catch (const cRuntimeError& e) {
            return e.what();
        }
        return "(built without error)";
    }

    cIniFile ini;
};

TEST_F(CompoundBuild, BuildsDepthFirstEachSubmoduleCompleteBeforeTheNext)
{
    descriptions["Net"] = {{{"A", "Scratch", {}, {}, {{"port_in", 2}}, "i=a"}, {"B", "Probe"}}};
    descriptions["A"] = {{{"C", "Probe"}, {"D", "Probe"}}, {}, "b=1,1"};
    std::vector<std::string> seen;
    onBuild = [&](cModule* m) {
        if (std::string(m->name()) != "A")
            return;
        // Everything but the inside is done before the inside is built.
        seen.push_back(std::string(m->displayString()) + " ports=" + std::to_string(m->gateSize("port_in")) +
                       " k=" + std::to_string(m->par("k").longValue()) +
                       " siblings=" + std::to_string(m->parentModule()->submodules().size()));
    };
    cModule* net = build("Net.A.k = 9");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "i=a ports=2 k=9 siblings=1");
    cModule* a = net->submodule("A");
    int ids[] = {a->id(), a->submodule("C")->id(), a->submodule("D")->id(), net->submodule("B")->id()};
    EXPECT_LT(ids[0], ids[1]);
    EXPECT_LT(ids[1], ids[2]);
    EXPECT_LT(ids[2], ids[3]);
    EXPECT_STREQ(a->backgroundDisplayString(), "b=1,1");
}

TEST_F(CompoundBuild, AssignsFirstThenReadsInputsThenSizesGatesFromThem)
{
    descriptions["Net"] = {{{"P",
                             "Probe",
                             {},
                             {set_long("a", 7), copy_par("n", "m"), set_bool("flag", true)},
                             {{"out", Expr::own("a") + Expr::own("n")}, {"in", Expr::par("k") * 2}}}}};
    // Assigned parameters are no inputs: the ini's a is not read, and flag
    // needs no value there.
    cModule* p = build("Net.k = 3\nNet.m = 5\nNet.P.a = 100", false)->submodule("P");
    EXPECT_EQ(p->par("a").longValue(), 7);
    EXPECT_EQ(p->par("n").longValue(), 5);
    EXPECT_TRUE(p->par("flag").boolValue());
    EXPECT_EQ(p->gateSize("out"), 12);
    EXPECT_EQ(p->gateSize("in"), 6);

    // A gate size from the submodule's own input, read in the same build.
    simulation.deleteNetwork();
    descriptions["Net"] = {{{"P", "Probe", {}, {}, {{"out", Expr::own("n")}, {"in", 0}}}}};
    p = build("Net.P.n = 11")->submodule("P");
    EXPECT_EQ(p->gateSize("out"), 11);
    EXPECT_EQ(p->gateSize("in"), 0);
}

TEST_F(CompoundBuild, BuildsVectorElementsWithIndexAndReadsTheirInputsByIndex)
{
    descriptions["Net"] = {{{"P", "Probe", Expr::par("k"), {set_expr("a", Expr::index() * 10 + Expr::par("m"))}}}};
    cModule* net = build("Net.k = 3\nNet.P[1].n = 42");
    ASSERT_EQ(net->submodules().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        cModule* p = net->submodule("P", i);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->size(), 3);
        EXPECT_EQ(p->par("a").longValue(), i * 10 + 4);
        EXPECT_EQ(p->par("n").longValue(), i == 1 ? 42 : 2);
    }
}

TEST_F(CompoundBuild, ConnectsInOrderWithLoopsDisplayStringsAndDelays)
{
    descriptions["Net"] = {
        {{"P", "Probe", Expr::par("k"), {}, {{"out", 1}, {"in", 1}}}, {"Q", "Probe", {}, {}, {{"in", Expr::par("k")}}}},
        {{GateRef::element("P", Expr::index(), "out", 0), GateRef::sub("Q", "in", Expr::index()), "o=#0080ff",
          Expr::par("m") / 1000.0, 0, Expr::par("k") - 1},
         {GateRef::self("in"), GateRef::element("P", 1, "in", 0), "o=#ffffff"}}};
    cModule* net = build();
    cModule* q = net->submodule("Q");
    for (int i = 0; i < 3; ++i) {
        cGate* out = net->submodule("P", i)->gate("out", 0);
        EXPECT_EQ(out->toGate(), q->gate("in", i));
        EXPECT_STREQ(out->displayString(), "o=#0080ff");
        ASSERT_NE(out->channel(), nullptr);
        EXPECT_DOUBLE_EQ(out->channel()->delay(), 0.004);
    }
    EXPECT_EQ(net->gate("in")->toGate(), net->submodule("P", 1)->gate("in", 0));
    EXPECT_EQ(net->gate("in")->channel(), nullptr);
    EXPECT_EQ(net->submodule("P", 0)->gate("in", 0)->fromGate(), nullptr);

    // The delay holds copies of the parameters, taken when it was built.
    net->par("m").setLongValue(9000);
    EXPECT_DOUBLE_EQ(net->submodule("P", 2)->gate("out", 0)->channel()->delay(), 0.004);
}

TEST_F(CompoundBuild, NestedLoopsConnectEveryPairWithBoundsThatUseTheOuterIndex)
{
    // P[i].out[j] -> Q.in[i*m + j] for i < k, j < m: the board-major layout of
    // a device's links. R[i].out[j] for j <= i only: a triangle, whose inner
    // bound follows the outer index, to Q.in[12 + 3i + j].
    descriptions["Net"] = {
        {{"P", "Probe", Expr::par("k"), {}, {{"out", Expr::par("m")}, {"in", 0}}},
         {"Q", "Probe", {}, {}, {{"in", Expr::par("k") * Expr::par("m") + 9}}},
         {"R", "Probe", 3, {}, {{"out", 3}, {"in", 0}}}},
        {nested_loop(GateRef::element("P", Expr::index(), "out", Expr::inner()),
                     GateRef::sub("Q", "in", Expr::index() * Expr::par("m") + Expr::inner()), "o=#0000ff", 0,
                     Expr::par("k") - 1, 0, Expr::par("m") - 1),
         nested_loop(GateRef::element("R", Expr::index(), "out", Expr::inner()),
                     GateRef::sub("Q", "in", Expr::par("k") * Expr::par("m") + Expr::index() * 3 + Expr::inner()), "",
                     0, 2, 0, Expr::index())}};
    cModule* net = build();
    cModule* q = net->submodule("Q");
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) {
            cGate* out = net->submodule("P", i)->gate("out", j);
            EXPECT_EQ(out->toGate(), q->gate("in", i * 4 + j)) << i << "," << j;
            EXPECT_STREQ(out->displayString(), "o=#0000ff");
        }
    int rConnected = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rConnected += net->submodule("R", i)->gate("out", j)->toGate() != nullptr;
    EXPECT_EQ(rConnected, 6);
    EXPECT_EQ(net->submodule("R", 2)->gate("out", 2)->toGate(), q->gate("in", 20));
    EXPECT_EQ(net->submodule("R", 1)->gate("out", 0)->toGate(), q->gate("in", 15));
    EXPECT_EQ(net->submodule("R", 0)->gate("out", 1)->toGate(), nullptr);
    EXPECT_EQ(net->submodule("R", 1)->gate("out", 2)->toGate(), nullptr);
}

TEST_F(CompoundBuild, IndexArithmeticHasIntegerQuotientAndRemainder)
{
    // One flat loop k over Q.in, split back into (k / m, k % m) on the
    // other side: the inverse of board-major numbering.
    descriptions["Net"] = {
        {{"P",
          "Probe",
          Expr::par("k"),
          {set_expr("a", Expr::quot(Expr::index() * 7, 2))},
          {{"out", Expr::par("m")}, {"in", 0}}},
         {"Q", "Probe", {}, {}, {{"in", Expr::par("k") * Expr::par("m")}}}},
        {{GateRef::element("P", Expr::quot(Expr::index(), Expr::par("m")), "out", Expr::index() % Expr::par("m")),
          GateRef::sub("Q", "in", Expr::index()),
          "",
          {},
          0,
          Expr::par("k") * Expr::par("m") - 1}}};
    cModule* net = build();
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(net->submodule("Q")->gate("in", k)->fromGate(), net->submodule("P", k / 4)->gate("out", k % 4));
    EXPECT_EQ(net->submodule("P", 1)->par("a").longValue(), 3);
    EXPECT_EQ(net->submodule("P", 2)->par("a").longValue(), 7);

    cPar p("p");
    p.setExpression(
        {cPar::ExprElem::constant(-7.9), cPar::ExprElem::constant(2.5), cPar::ExprElem::oper(cPar::REMAINDER)});
    EXPECT_EQ(p.doubleValue(), -1.0);
    p.setExpression(
        {cPar::ExprElem::constant(-7.9), cPar::ExprElem::constant(2.5), cPar::ExprElem::oper(cPar::QUOTIENT)});
    EXPECT_EQ(p.doubleValue(), -3.0);
    try {
        p.setExpression(
            {cPar::ExprElem::constant(5), cPar::ExprElem::constant(0.5), cPar::ExprElem::oper(cPar::QUOTIENT)});
        ADD_FAILURE() << "a divisor that truncates to zero was accepted";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(std::string(e.what()), "Division by zero in parameter p");
    }
}

TEST_F(CompoundBuild, AConnectionWhoseDelayIsNegativeOrNotANumberIsRefusedAtSetUp)
{
    struct Case {
        const char* ini;
        const char* error; // null: built, with the delay below
        double delay;
    };
    const Case cases[] = {
        {"Net.m = 5\nNet.k = 1000", nullptr, 0.005},
        {"Net.m = 0\nNet.k = 1000", nullptr, 0},
        {"Net.m = -1\nNet.k = 1000", "Connection Net.P.out[0] --> Net.Q.in[0]: delay -0.001 is negative or not finite",
         0},
        {"Net.m = 0\nNet.k = 0", "Connection Net.P.out[0] --> Net.Q.in[0]: delay nan is negative or not finite", 0},
        {"Net.m = 1\nNet.k = 0", "Connection Net.P.out[0] --> Net.Q.in[0]: delay inf is negative or not finite", 0},
    };
    for (const Case& c : cases) {
        simulation.deleteNetwork();
        descriptions["Net"] = {
            {{"P", "Probe", {}, {}, {{"out", 1}}}, {"Q", "Probe", {}, {}, {{"in", 1}}}},
            {{GateRef::sub("P", "out", 0), GateRef::sub("Q", "in", 0), "", Expr::par("m") / Expr::par("k")}}};
        if (c.error) {
            EXPECT_EQ(buildError(c.ini), c.error);
            continue;
        }
        cModule* net = build(c.ini);
        EXPECT_DOUBLE_EQ(net->submodule("P")->gate("out", 0)->channel()->delay(), c.delay);
    }
}

TEST_F(CompoundBuild, ChecksInternalConnectionsOnlyWhenAsked)
{
    descriptions["Net"] = {{{"P", "Probe"}}, {}, "", false};
    EXPECT_NO_THROW(build());
    descriptions["Net"].checkInternalConnections = true;
    EXPECT_EQ(buildError(), "Gate Net.in is not connected to any submodule");
}

TEST_F(CompoundBuild, FailsWithTheTextOfEachBuildError)
{
    descriptions["Net"] = {{{"P", "NoSuchType"}}};
    EXPECT_EQ(buildError(), "Simple module type definition NoSuchType not found");

    descriptions["Net"] = {{{"P", "Probe", {}, {set_long("a", 1), set_long("speed", 2)}}}};
    EXPECT_EQ(buildError(), "Unknown parameter named speed");

    descriptions["Net"] = {{{"P", "Probe", {}, {}, {{"in", 0}, {"out", Expr::own("n") - 5}}}}};
    EXPECT_EQ(buildError(), "Negative gate vector size P.out[-3] in compound module Scratch");

    descriptions["Net"] = {{{"P", "Probe", Expr::par("k") - 3}}};
    EXPECT_EQ(buildError(), "Negative or zero module vector size P[0] in compound module Scratch");
    descriptions["Net"] = {{{"P", "Probe", Expr::par("k") - 5}}};
    EXPECT_EQ(buildError(), "Negative or zero module vector size P[-2] in compound module Scratch");
}

TEST_F(CompoundBuild, FailsOnBadIndexesAndMissingGates)
{
    auto connectOnly = [](GateRef from, GateRef to, bool toFirst = false) {
        ConnectionDescription c{std::move(from), std::move(to)};
        c.toNamedFirst = toFirst;
        return CompoundDescription{{{"P", "Probe", 2, {}, {{"in", 1}, {"out", 1}}}, {"Q", "Probe"}}, {c}};
    };
    descriptions["Net"] = connectOnly(GateRef::element("P", 2, "out", 0), GateRef::self("out"));
    EXPECT_EQ(buildError(), "Bad submodule index P[2] in compound module Scratch");
    descriptions["Net"] = connectOnly(GateRef::element("P", -1, "out", 0), GateRef::self("out"));
    EXPECT_EQ(buildError(), "Bad submodule index P[-1] in compound module Scratch");
    descriptions["Net"] = connectOnly(GateRef::element("P", 0, "out", 1), GateRef::self("out"));
    EXPECT_EQ(buildError(), "Gate P.out[1] not found");
    descriptions["Net"] = connectOnly(GateRef::sub("Q", "link_out"), GateRef::self("out"));
    EXPECT_EQ(buildError(), "Gate Q.link_out not found");
    // A gate of the compound itself has no module name before the dot.
    descriptions["Net"] = connectOnly(GateRef::self("x"), GateRef::sub("Q", "x"));
    EXPECT_EQ(buildError(), "Gate .x not found");
    descriptions["Net"] = connectOnly(GateRef::self("in"), GateRef::self("port_in", 0));
    EXPECT_EQ(buildError(), "Gate .port_in[0] not found");
    // Written destination first, the destination is looked up first.
    descriptions["Net"] = connectOnly(GateRef::sub("Q", "nowhere"), GateRef::sub("Q", "x2"), true);
    EXPECT_EQ(buildError(), "Gate Q.x2 not found");
}

TEST_F(CompoundBuild, LowMemoryEndsTheBuildWithItsErrorCode)
{
    descriptions["Net"] = {{{"P", "Probe"}}};
    release_memory_reserve();
    try {
        build();
        ADD_FAILURE() << "the build must stop on low memory";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.errorCode(), eNOMEM);
        EXPECT_STREQ(e.what(), lowMemoryMessage);
    }
    restore_memory_reserve();
    EXPECT_FALSE(memory_is_low());
    EXPECT_NO_THROW(build());
}

} // namespace

Define_Module_Interface(Scratch, scratchItems);
Define_Compound_Module(Scratch);
Define_Module_Interface(Probe, probeItems);
Define_Module(Probe, 8192);
