#include <gtest/gtest.h>

#include <memory>

#include "env/tk/FieldRows.h"
#include "env/tk/QueueRows.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "tests/shared/TestModules.h"

namespace {

// A module with queues of every origin: members (named and not), one made
// in initialize() and one made while its activity() runs.
class QueueHolder : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void initialize() override { madeAtStart = std::make_unique<cQueue>("started"); }
    void activity() override { madeWhileRunning = std::make_unique<cQueue>("running"); }

    cQueue waiting{"waiting"};
    cQueue unnamed;
    std::unique_ptr<cQueue> madeAtStart;
    std::unique_ptr<cQueue> madeWhileRunning;
};
const sDescrItem queueHolderItems[] = {{'M', "default", nullptr, 0}, {'E', nullptr, nullptr, 0}};

using QueueRows = KernelTest;

std::string address_of(const void* p)
{
    return std::to_string(object_address(p));
}

TEST_F(QueueRows, ModuleListsTheQueuesItMadeAndEachShowsWhatWaitsInIt)
{
    auto* holder = static_cast<QueueHolder*>(findModuleType("QueueHolder")->create("Holder", root));
    cModule* other = findModuleType("QueueHolder")->create("Other", root);
    runAll();
    cQueue outside("outside"); // made by no module

    auto* first = new cMessage("first", FC_FRAME_HEAD);
    auto* second = new cMessage("second", 9999);
    auto* note = new cObject("note");
    holder->waiting.insert(first);
    holder->waiting.insert(second);
    holder->waiting.insert(note);

    std::vector<InspectorRow> rows = module_queue_rows(*holder);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].section, "queues");
    EXPECT_EQ(rows[0].label, "waiting");
    EXPECT_EQ(rows[0].value, "3 queued");
    EXPECT_EQ(rows[0].field, address_of(&holder->waiting));
    EXPECT_EQ(rows[1].label, "queue 2") << "a queue without a name is known by its place";
    EXPECT_EQ(rows[1].value, "0 queued");
    EXPECT_EQ(rows[2].label, "started");
    EXPECT_EQ(rows[3].label, "running");
    EXPECT_EQ(module_queue_rows(*other).size(), 4u) << "each module has only its own";
    EXPECT_EQ(outside.ownerModuleId(), -1);
    EXPECT_EQ(module_queue_rows(*root).size(), 0u);

    int inModuleInspector = 0;
    for (const InspectorRow& r : inspect_module(*holder))
        inModuleInspector += r.section == "queues";
    EXPECT_EQ(inModuleInspector, 4);

    std::vector<InspectorRow> q = inspect_queue(holder->waiting);
    ASSERT_EQ(q.size(), 6u);
    EXPECT_EQ(q[0].value, "waiting");
    EXPECT_EQ(q[1].label, "module");
    EXPECT_EQ(q[1].value, "Net.Holder");
    EXPECT_EQ(q[2].value, "3");
    EXPECT_EQ(q[3].section, "contents");
    EXPECT_EQ(q[3].label, "#0");
    EXPECT_EQ(q[3].value, "(cMessage)first  kind FC_FRAME_HEAD");
    EXPECT_EQ(q[3].field, address_of(first));
    EXPECT_EQ(q[4].value, "(cMessage)second  kind 9999") << "a kind without a name shows its number";
    EXPECT_EQ(q[5].value, "(cObject)note");
    EXPECT_EQ(q[5].field, "") << "only a message opens";
    EXPECT_EQ(inspect_queue(holder->unnamed)[0].value, "(no name)");

    EXPECT_EQ(queued_message_at(object_address(first)), first);
    EXPECT_EQ(queued_message_at(object_address(note)), nullptr);
    EXPECT_EQ(queue_at(object_address(&holder->waiting)), &holder->waiting);
    EXPECT_EQ(queue_at(object_address(first)), nullptr);

    // What leaves a queue, and a queue destroyed, are no longer found.
    delete holder->waiting.pop();
    EXPECT_EQ(queued_message_at(object_address(first)), nullptr);
    long gone = object_address(holder->madeAtStart.get());
    holder->madeAtStart.reset();
    EXPECT_EQ(queue_at(gone), nullptr);
    rows = module_queue_rows(*holder);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].value, "2 queued");
    EXPECT_EQ(rows[2].label, "running");
}

TEST_F(QueueRows, QueuedMessagesAreToldApartByTheFieldsThatDiffer)
{
    cQueue sectors("sectors");
    for (unsigned long sec : {100ul, 101ul, 102ul}) {
        auto* io = new DskSecIo("SEC_IO_REQ", 0);
        io->setDskSec(sec);
        io->setIoType(0x88);
        io->setDskBlk(7);
        io->setLunBlk(sec == 102 ? 9 : 8);
        sectors.insert(io);
    }
    std::vector<InspectorRow> q = inspect_queue(sectors);
    ASSERT_EQ(q.size(), 6u);
    EXPECT_EQ(q[3].value, "(DskSecIo)SEC_IO_REQ  kind SEQ_SEG_COST  dskSec=100  lunBlk=8");
    EXPECT_EQ(q[5].value, "(DskSecIo)SEC_IO_REQ  kind SEQ_SEG_COST  dskSec=102  lunBlk=9");
    while (sectors.length() > 0)
        delete sectors.pop();
}

TEST_F(QueueRows, QueuesOfADeletedModuleLeaveTheList)
{
    cModule* holder = findModuleType("QueueHolder")->create("Holder", root);
    long waiting = object_address(&static_cast<QueueHolder*>(holder)->waiting);
    int id = holder->id();
    EXPECT_NE(queue_at(waiting), nullptr);
    delete holder;
    EXPECT_EQ(queue_at(waiting), nullptr);
    EXPECT_TRUE(cQueue::queuesOf(id).empty());
}

} // namespace

Define_Module_Interface(QueueHolder, queueHolderItems);
Define_Module(QueueHolder, 16384);
