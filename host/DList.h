#pragma once

// An element of a DList: its neighbours in the list it is in.
class DLinkable {
  public:
    virtual ~DLinkable() = default;

    DLinkable* prev = nullptr;
    DLinkable* next = nullptr;
};

// A doubly linked list that does not own its elements.
class DList {
  public:
    // Links `element` between `prev` and `next`, which must be neighbours
    // (or null at the ends of the list).
    void Insert(DLinkable* prev, DLinkable* element, DLinkable* next);
    // Unlinks `element`, which must be in this list.
    void Remove(DLinkable* element);

    DLinkable* first = nullptr;
    DLinkable* last = nullptr;
    int count = 0;
};
