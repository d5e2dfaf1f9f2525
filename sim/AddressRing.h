#pragma once

#include <cstddef>
#include <memory>
#include <utility>

// The addresses a container holds, oldest first, in one ring of a
// power-of-two size. Taking the oldest and adding the newest, which is nearly
// all the queues and lists of the model do, move one index each; the ring
// grows by doubling and never shrinks, so a container that has held n entries
// takes and gives with no allocation until it holds more. Insertion and
// removal inside the ring move the entries after the place, as in an array.
template <typename T>
class AddressRing {
  public:
    class const_iterator {
      public:
        const_iterator(const AddressRing* ring, size_t i) : ring_(ring), i_(i) {}
        T* operator*() const { return (*ring_)[i_]; }
        const_iterator& operator++()
        {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return i_ == other.i_; }
        bool operator!=(const const_iterator& other) const { return i_ != other.i_; }

      private:
        const AddressRing* ring_;
        size_t i_;
    };

    AddressRing() = default;
    AddressRing(const AddressRing&) = delete;
    AddressRing& operator=(const AddressRing&) = delete;

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T* operator[](size_t i) const { return slots_[(head_ + i) & mask_]; }
    T* front() const { return slots_[head_]; }
    T* back() const { return (*this)[count_ - 1]; }

    void push_back(T* entry)
    {
        if (count_ == capacity())
            grow();
        slots_[(head_ + count_) & mask_] = entry;
        ++count_;
    }
    T* pop_front()
    {
        T* entry = slots_[head_];
        head_ = (head_ + 1) & mask_;
        --count_;
        return entry;
    }
    // Puts `entry` at place `i` (0 to size()), after the entries before it.
    void insert(size_t i, T* entry)
    {
        push_back(entry);
        for (size_t k = count_ - 1; k > i; --k)
            at(k) = at(k - 1);
        at(i) = entry;
    }
    // Takes out the entry at place `i`.
    void erase(size_t i)
    {
        if (i == 0) {
            pop_front();
            return;
        }
        for (size_t k = i + 1; k < count_; ++k)
            at(k - 1) = at(k);
        --count_;
    }
    // The place of `entry`, or size() when it is not here.
    size_t find(const T* entry) const
    {
        for (size_t i = 0; i < count_; ++i)
            if ((*this)[i] == entry)
                return i;
        return count_;
    }
    void swap(AddressRing& other)
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
    // Out of line, so that adding an entry stays short where it is inlined.
    [[gnu::noinline]] void grow()
    {
        const size_t capacity = slots_ ? 2 * (mask_ + 1) : 8;
        std::unique_ptr<T*[]> slots(new T*[capacity]);
        for (size_t i = 0; i < count_; ++i)
            slots[i] = (*this)[i];
        slots_ = std::move(slots);
        mask_ = capacity - 1;
        head_ = 0;
    }
    T*& at(size_t i) { return slots_[(head_ + i) & mask_]; }

    std::unique_ptr<T*[]> slots_;
    size_t mask_ = 0;
    size_t head_ = 0;
    size_t count_ = 0;
};
