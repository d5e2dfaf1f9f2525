#include "sim/ParList.h"

#include <cstring>
#include <new>

ParList::~ParList()
{
    if (!block_)
        return;
    clear();
    if (block_->order != block_->inlineOrder)
        MessagePool::release(block_->order, static_cast<size_t>(block_->capacity) * sizeof(cPar*));
    block_->~Block();
    MessagePool::release(block_, sizeof(Block));
}

int ParList::find(const char* name) const
{
    if (!block_)
        return -1;
    // The model names a parameter by the same literal where it adds it and
    // where it reads it, and a name given as a literal is kept as that very
    // pointer: most look-ups end at the address comparison.
    cPar* const* order = block_->order;
    for (int i = 0, n = block_->size; i < n; ++i) {
        const char* own = order[i]->name();
        if (own == name || (own[0] == name[0] && std::strcmp(own, name) == 0))
            return i;
    }
    return -1;
}

cPar& ParList::add(const char* name, const cObject* owner)
{
    Block& b = block();
    if (b.used == kAllSlots || b.size == b.capacity)
        return addBeyondSlots(name, owner);
    const int slot = __builtin_ctz(~b.used);
    b.used |= 1u << slot;
    cPar* par = ::new (b.slots[slot]) cPar(name);
    par->setOwner(owner);
    b.order[b.size++] = par;
    return *par;
}

cPar& ParList::addBeyondSlots(const char* name, const cObject* owner)
{
    void* slot = freeSlot();
    cPar* par = slot ? ::new (slot) cPar(name) : new cPar(name);
    return append(par, owner);
}

cPar& ParList::adopt(cPar* par, const cObject* owner)
{
    return append(par, owner);
}

void ParList::removeAt(int index)
{
    Block& b = *block_;
    destroy(b.order[index]);
    for (int i = index + 1; i < b.size; ++i)
        b.order[i - 1] = b.order[i];
    --b.size;
}

void ParList::clear()
{
    if (!block_)
        return;
    Block& b = *block_;
    for (int i = 0; i < b.size; ++i) {
        cPar* par = b.order[i];
        if (b.inSlot(par))
            par->cPar::~cPar(); // built here as a plain cPar
        else
            delete par;
    }
    b.size = 0;
    b.used = 0;
}

void ParList::copyFrom(const ParList& other, const cObject* owner)
{
    clear();
    for (int i = 0; i < other.size(); ++i) {
        const cPar& source = other.at(i);
        void* slot = freeSlot();
        cPar* copy = slot ? ::new (slot) cPar(source) : new cPar(source);
        append(copy, owner);
    }
}

ParList::Block& ParList::block()
{
    if (!block_)
        block_ = ::new (MessagePool::allocate(sizeof(Block))) Block();
    return *block_;
}

void* ParList::freeSlot()
{
    Block& b = block();
    const unsigned free = ~b.used & kAllSlots;
    if (!free)
        return nullptr;
    const int slot = __builtin_ctz(free);
    b.used |= 1u << slot;
    return b.slots[slot];
}

cPar& ParList::append(cPar* par, const cObject* owner)
{
    Block& b = block();
    if (b.size == b.capacity) {
        const int capacity = 2 * b.capacity;
        auto** order = static_cast<cPar**>(MessagePool::allocate(static_cast<size_t>(capacity) * sizeof(cPar*)));
        std::memcpy(order, b.order, static_cast<size_t>(b.size) * sizeof(cPar*));
        if (b.order != b.inlineOrder)
            MessagePool::release(b.order, static_cast<size_t>(b.capacity) * sizeof(cPar*));
        b.order = order;
        b.capacity = capacity;
    }
    par->setOwner(owner);
    b.order[b.size++] = par;
    return *par;
}

void ParList::destroy(cPar* par)
{
    if (block_->inSlot(par)) {
        block_->used &= ~(1u << block_->slotOf(par));
        par->cPar::~cPar(); // built here as a plain cPar
    } else {
        delete par;
    }
}
