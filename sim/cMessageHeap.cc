#include "sim/cMessageHeap.h"

void cMessageHeap::insert(cMessage* msg)
{
    msg->insertOrder_ = nextOrder_++;
    heap_.push_back(msg);
    siftUp(static_cast<int>(heap_.size()) - 1);
}

cMessage* cMessageHeap::removeFirst()
{
    if (heap_.empty())
        return nullptr;
    cMessage* first = heap_[0];
    cMessage* last = heap_.back();
    heap_.pop_back();
    if (!heap_.empty()) {
        place(0, last);
        siftDown(0);
    }
    first->heapIndex_ = -1;
    return first;
}

cMessage* cMessageHeap::remove(cMessage* msg)
{
    int i = msg->heapIndex_;
    if (i < 0 || i >= static_cast<int>(heap_.size()) || heap_[i] != msg)
        return nullptr;
    cMessage* last = heap_.back();
    heap_.pop_back();
    if (i < static_cast<int>(heap_.size())) {
        place(i, last);
        siftUp(i);
        siftDown(last->heapIndex_);
    }
    msg->heapIndex_ = -1;
    return msg;
}

void cMessageHeap::clear()
{
    std::vector<cMessage*> all;
    all.swap(heap_);
    for (cMessage* msg : all) {
        msg->heapIndex_ = -1;
        delete msg;
    }
}

void cMessageHeap::siftUp(int i)
{
    cMessage* msg = heap_[i];
    while (i > 0) {
        int parent = (i - 1) / 2;
        if (!before(msg, heap_[parent]))
            break;
        place(i, heap_[parent]);
        i = parent;
    }
    place(i, msg);
}

void cMessageHeap::siftDown(int i)
{
    int n = static_cast<int>(heap_.size());
    cMessage* msg = heap_[i];
    for (;;) {
        int child = 2 * i + 1;
        if (child >= n)
            break;
        if (child + 1 < n && before(heap_[child + 1], heap_[child]))
            ++child;
        if (!before(heap_[child], msg))
            break;
        place(i, heap_[child]);
        i = child;
    }
    place(i, msg);
}
