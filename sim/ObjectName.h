#pragma once

#include <cstddef>
#include <cstring>

#include "sim/StaticText.h"

// An object's name. A name given as static text (a string literal, as the
// model's message and parameter names are) is not copied: the object keeps
// the pointer, which costs neither a length count nor a copy, and a look-up
// by the same literal finds it by its address. Other names of up to 14
// characters are kept inside the object, longer ones on the heap: the names a
// run makes as it goes (a frame's "hop-<n>") and nearly all gate and
// parameter names are that short, and a name of two words keeps a message
// parameter smaller than a cache line.
class ObjectName {
  public:
    ObjectName() { makeEmpty(); }
    explicit ObjectName(const char* s) { assign(s ? s : ""); }
    ObjectName(const ObjectName& other) { copy(other); }
    ObjectName& operator=(const ObjectName& other)
    {
        if (this != &other)
            set(other.c_str());
        return *this;
    }
    ~ObjectName() { release(); }

    const char* c_str() const { return where() == INLINE ? bytes_ : pointer(); }
    bool empty() const { return c_str()[0] == '\0'; }
    bool equals(const char* s) const
    {
        const char* own = c_str();
        return own == s || std::strcmp(own, s) == 0;
    }
    void set(const char* s)
    {
        if (!s)
            s = "";
        const char* now = c_str();
        if (where() != STATIC && s >= now && s <= now + std::strlen(now)) { // part of this very name
            ObjectName copy(s);
            release();
            assign(copy.c_str());
            return;
        }
        release();
        assign(s);
    }

  private:
    // The characters with their terminating zero, or a pointer to them; the
    // last byte says which.
    static constexpr size_t kSize = sizeof(char*) * 2;
    static constexpr size_t kInline = kSize - 2; // characters kept inside
    enum Where : char { INLINE, HEAP, STATIC };

    Where where() const { return static_cast<Where>(bytes_[kSize - 1]); }
    const char* pointer() const
    {
        const char* text;
        std::memcpy(&text, bytes_, sizeof text);
        return text;
    }
    void point(const char* text, Where where)
    {
        std::memcpy(bytes_, &text, sizeof text);
        bytes_[kSize - 1] = where;
    }
    void makeEmpty()
    {
        bytes_[0] = '\0';
        bytes_[kSize - 1] = INLINE;
    }
    void assign(const char* s)
    {
        if (StaticText::contains(s)) {
            point(s, STATIC);
            return;
        }
        assignCopy(s);
    }
    // Kept out of line so that naming an object after a literal stays a few
    // instructions.
    [[gnu::noinline]] void assignCopy(const char* s);
    void copy(const ObjectName& other)
    {
        if (other.where() == HEAP) {
            assignCopy(other.pointer());
            return;
        }
        // Copying the whole buffer is cheaper than measuring the name in it.
        std::memcpy(bytes_, other.bytes_, kSize);
    }
    void release()
    {
        if (where() == HEAP)
            delete[] pointer();
        makeEmpty();
    }

    alignas(char*) char bytes_[kSize];
};
