#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Maps names to small integer indices with one hash and usually one string
// comparison per look-up, and no allocation on look-up. Used for a module's
// parameters, which the model reads by name at high rates.
class NameIndex {
  public:
    void insert(const char* name, int value)
    {
        if ((count_ + 1) * 2 > slots_.size())
            grow();
        insertSlot(name, hash(name), value);
        ++count_;
    }
    // The value for `name`, or -1.
    int find(const char* name) const
    {
        if (slots_.empty())
            return -1;
        uint32_t h = hash(name);
        size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.value < 0)
                return -1;
            if (s.hash == h && s.name == name)
                return s.value;
        }
    }
    void clear()
    {
        slots_.clear();
        count_ = 0;
    }

  private:
    struct Slot {
        uint32_t hash = 0;
        int value = -1;
        std::string name;
    };
    static uint32_t hash(const char* s)
    {
        uint32_t h = 2166136261u;
        for (; *s; ++s)
            h = (h ^ static_cast<unsigned char>(*s)) * 16777619u;
        return h;
    }
    void insertSlot(const char* name, uint32_t h, int value)
    {
        size_t mask = slots_.size() - 1;
        size_t i = h & mask;
        while (slots_[i].value >= 0) {
            if (slots_[i].hash == h && slots_[i].name == name) {
                slots_[i].value = value;
                --count_;
                return;
            }
            i = (i + 1) & mask;
        }
        slots_[i].hash = h;
        slots_[i].value = value;
        slots_[i].name = name;
    }
    void grow()
    {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.resize(old.empty() ? 16 : old.size() * 2);
        for (Slot& s : old)
            if (s.value >= 0)
                insertSlot(s.name.c_str(), s.hash, s.value);
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};
