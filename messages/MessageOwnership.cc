#include "messages/MessageOwnership.h"

#include <cstdint>
#include <typeinfo>

#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"

namespace {

// What an owning field names.
enum class Carried {
    MESSAGE, // a message or record object, discarded with what it owns in turn
    STRING,  // a file name, a new char[]
    ROUTE    // a route array, a new long[]
};

// One field through which a message class owns an object. `take` returns the
// address the field holds when the message owns what it names (0 otherwise)
// and clears the field, so that nothing is freed twice.
struct OwnedField {
    const std::type_info& messageClass;
    Carried carried;
    long (*take)(cMessage* msg);
};

template <class T>
long take_context(cMessage* msg)
{
    auto* carrier = static_cast<T*>(msg);
    const long address = carrier->getHasCtxPtr() ? carrier->getCtxPtr() : 0;
    carrier->setHasCtxPtr(false);
    carrier->setCtxPtr(0);
    return address;
}

long take_record_context(cMessage* msg)
{
    LocalFrameActive& record = static_cast<LocFrmOk*>(msg)->getLocFrmActive();
    const long address = record.hasCtxPtr ? record.ctxPtr : 0;
    record.hasCtxPtr = false;
    record.ctxPtr = 0;
    return address;
}

long take_record_route(cMessage* msg)
{
    LocalFrameActive& record = static_cast<LocFrmOk*>(msg)->getLocFrmActive();
    const long address = record.rtPathPtr;
    record.rtPathPtr = 0;
    return address;
}

long take_command_block(cMessage* msg)
{
    auto* unit = static_cast<FcpIu*>(msg);
    const long address = unit->getCdbPtr();
    unit->setCdbPtr(0);
    return address;
}

long take_id_list_name(cMessage* msg)
{
    auto* packet = static_cast<FcGsPacket*>(msg);
    const long address = packet->getGidFtFileNamePtr();
    packet->setGidFtFileNamePtr(0);
    return address;
}

constexpr unsigned char FSPF_LSU = 0x15;

long take_link_state_name(cMessage* msg)
{
    auto* packet = static_cast<FspfPacket*>(msg);
    if (packet->getCmdCode() != FSPF_LSU)
        return 0;
    const long address = packet->getLsuFileNamePtr();
    packet->setLsuFileNamePtr(0);
    return address;
}

const OwnedField ownedFields[] = {
    {typeid(FcSeqPayload), Carried::MESSAGE, take_context<FcSeqPayload>},
    {typeid(FcFrameHead), Carried::MESSAGE, take_context<FcFrameHead>},
    {typeid(LocFrmOk), Carried::MESSAGE, take_record_context},
    {typeid(LocFrmOk), Carried::ROUTE, take_record_route},
    {typeid(FcpIu), Carried::MESSAGE, take_command_block},
    {typeid(FcGsPacket), Carried::STRING, take_id_list_name},
    {typeid(FspfPacket), Carried::STRING, take_link_state_name},
};

// Whatever the kernel frees on its own (the event list and the queues at the
// end of a run) goes the same way.
const bool kernelDisposesThroughTheTable = [] {
    cMessage::setDisposer([](cMessage* msg) { discard_message(msg); });
    return true;
}();

void free_carried(Carried carried, long address)
{
    switch (carried) {
    case Carried::MESSAGE: discard_message(object_at<cMessage>(address)); break;
    case Carried::STRING: delete[] object_at<char>(address); break;
    case Carried::ROUTE: delete[] object_at<long>(address); break;
    }
}

constexpr size_t kOwnedFields = sizeof(ownedFields) / sizeof(ownedFields[0]);
static_assert(kOwnedFields <= 8, "a class's owned fields are one bit each of a byte");

// Which rows of the table a message class has, one bit a row. A message is
// discarded for nearly every event, and comparing type_info objects of
// different classes compares their names: the answer for each class is
// remembered by the address of its type_info, worked out in full on a miss.
unsigned char owned_fields_of(const std::type_info& messageClass)
{
    struct Slot {
        const std::type_info* messageClass = nullptr;
        unsigned char rows = 0;
    };
    static Slot slots[32];
    Slot& slot = slots[(reinterpret_cast<std::uintptr_t>(&messageClass) >> 4) % 32];
    if (slot.messageClass != &messageClass) {
        unsigned char rows = 0;
        for (size_t i = 0; i < kOwnedFields; ++i)
            if (ownedFields[i].messageClass == messageClass)
                rows = static_cast<unsigned char>(rows | 1u << i);
        slot = {&messageClass, rows};
    }
    return slot.rows;
}

} // namespace

bool discard_message(cMessage* msg)
{
    if (!msg)
        return false;
    bool freed = false;
    if (msg->encapsulatedMsg())
        freed = discard_message(msg->decapsulate());
    const unsigned rows = owned_fields_of(typeid(*msg));
    for (size_t i = 0; rows >> i; ++i) {
        if (!(rows >> i & 1u))
            continue;
        const OwnedField& field = ownedFields[i];
        if (const long address = field.take(msg)) {
            free_carried(field.carried, address);
            freed = freed || field.carried == Carried::MESSAGE;
        }
    }
    delete msg;
    return freed;
}

bool delete_context(bool hasCtxPtr, long ctxPtr)
{
    if (!hasCtxPtr || ctxPtr == 0)
        return false;
    discard_message(object_at<cMessage>(ctxPtr));
    return true;
}

bool release_record(LocalFrameActive& record)
{
    const bool freed = delete_context(record.hasCtxPtr, record.ctxPtr);
    record.hasCtxPtr = false;
    record.ctxPtr = 0;
    free_route(record.rtPathPtr);
    record.rtPathPtr = 0;
    return freed;
}

long new_route(int hopNum)
{
    return hopNum > 0 ? object_address(new long[hopNum]()) : 0;
}

long* route_at(long rtPathPtr)
{
    return object_at<long>(rtPathPtr);
}

void free_route(long rtPathPtr)
{
    delete[] route_at(rtPathPtr);
}
