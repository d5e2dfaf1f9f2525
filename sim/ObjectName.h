#pragma once

#include <cstddef>
#include <cstring>

#include "sim/StaticText.h"

// An object's name. A name given as static text (a string literal, as the
// model's message and parameter names are) is not copied: the object keeps
// the pointer, which costs neither a length count nor a copy, and a look-up
// by the same literal finds it by its address. Other names of up to 30
// characters are kept inside the object, longer ones on the heap.
class ObjectName {
  public:
    ObjectName() { inline_[0] = '\0'; }
    explicit ObjectName(const char* s) { assign(s ? s : ""); }
    ObjectName(const ObjectName& other) { copy(other); }
    ObjectName& operator=(const ObjectName& other)
    {
        if (this != &other)
            set(other.c_str());
        return *this;
    }
    ~ObjectName() { release(); }

    const char* c_str() const { return where_ == INLINE ? inline_ : text_; }
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
        if (where_ != STATIC && s >= now && s <= now + std::strlen(now)) { // part of this very name
            ObjectName copy(s);
            release();
            assign(copy.c_str());
            return;
        }
        release();
        assign(s);
    }

  private:
    static constexpr size_t kInline = sizeof(char*) * 4 - 2; // characters kept inside
    enum Where : char { INLINE, HEAP, STATIC };

    void assign(const char* s)
    {
        if (StaticText::contains(s)) {
            text_ = s;
            where_ = STATIC;
            return;
        }
        assignCopy(s);
    }
    // Kept out of line so that naming an object after a literal stays a few
    // instructions.
    [[gnu::noinline]] void assignCopy(const char* s);
    void copy(const ObjectName& other)
    {
        if (other.where_ == HEAP) {
            assignCopy(other.text_);
            return;
        }
        // Copying the whole buffer is cheaper than measuring the name in it.
        std::memcpy(inline_, other.inline_, sizeof inline_);
        where_ = other.where_;
    }
    void release()
    {
        if (where_ == HEAP)
            delete[] text_;
        where_ = INLINE;
        inline_[0] = '\0';
    }

    union {
        char inline_[kInline + 1];
        const char* text_;
    };
    Where where_ = INLINE;
};
