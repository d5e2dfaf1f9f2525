#pragma once

#include <cstddef>
#include <memory>
#include <utility>

class cObject;

// The addresses a queue holds, oldest first, in one ring of a power-of-two
// size. Taking the oldest and adding the newest, which is nearly all a queue
// of the model does, move one index each; the ring grows by doubling and
// never shrinks, so a queue that has held n objects takes and gives with no
// allocation until it holds more. Insertion and removal inside the ring move
// the entries after the place, as in an array.
class ObjectRing {
  public:
    class const_iterator {
      public:
        const_iterator(const ObjectRing* ring, size_t i) : ring_(ring), i_(i) {}
        cObject* operator*() const { return (*ring_)[i_]; }
        const_iterator& operator++()
        {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return i_ == other.i_; }
        bool operator!=(const const_iterator& other) const { return i_ != other.i_; }

      private:
        const ObjectRing* ring_;
        size_t i_;
    };

    ObjectRing() = default;
    ObjectRing(const ObjectRing&) = delete;
    ObjectRing& operator=(const ObjectRing&) = delete;

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    cObject* operator[](size_t i) const { return slots_[(head_ + i) & mask_]; }
    cObject* front() const { return slots_[head_]; }
    cObject* back() const { return (*this)[count_ - 1]; }

    void push_back(cObject* obj)
    {
        if (count_ == capacity())
            grow();
        slots_[(head_ + count_) & mask_] = obj;
        ++count_;
    }
    cObject* pop_front()
    {
        cObject* obj = slots_[head_];
        head_ = (head_ + 1) & mask_;
        --count_;
        return obj;
    }
    // Puts `obj` at place `i` (0 to size()), after the entries before it.
    void insert(size_t i, cObject* obj);
    // Takes out the entry at place `i`.
    void erase(size_t i);
    // The place of `obj`, or size() when it is not here.
    size_t find(const cObject* obj) const;
    void swap(ObjectRing& other)
    {
        std::swap(slots_, other.slots_);
        std::swap(mask_, other.mask_);
        std::swap(head_, other.head_);
        std::swap(count_, other.count_);
    }

    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, count_); }

  private:
    size_t capacity() const { return slots_ ? mask_ + 1 : 0; }
    void grow();
    cObject*& at(size_t i) { return slots_[(head_ + i) & mask_]; }

    std::unique_ptr<cObject*[]> slots_;
    size_t mask_ = 0;
    size_t head_ = 0;
    size_t count_ = 0;
};
