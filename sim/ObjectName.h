#pragma once

#include <cstddef>
#include <cstring>

// An object's name: up to 30 characters are kept inside the object, longer
// ones on the heap. The model's message names (such as "FC_FRAME_PAYLOAD")
// are mostly 11 to 20 characters long, and a message is made and deleted for
// nearly every event, so keeping them inline saves an allocation per message
// where a standard string would keep only 15.
class ObjectName {
  public:
    ObjectName() { inline_[0] = '\0'; }
    explicit ObjectName(const char* s) { assign(s ? s : ""); }
    ObjectName(const ObjectName& other) { assign(other.c_str()); }
    ObjectName& operator=(const ObjectName& other)
    {
        if (this != &other)
            set(other.c_str());
        return *this;
    }
    ~ObjectName() { release(); }

    const char* c_str() const { return onHeap() ? heap_ : inline_; }
    bool empty() const { return c_str()[0] == '\0'; }
    bool equals(const char* s) const { return std::strcmp(c_str(), s) == 0; }
    void set(const char* s)
    {
        if (!s)
            s = "";
        const char* now = c_str();
        if (s >= now && s <= now + std::strlen(now)) { // part of this very name
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
    bool onHeap() const { return flag_ != 0; }
    void assign(const char* s)
    {
        size_t n = std::strlen(s);
        if (n <= kInline) {
            std::memcpy(inline_, s, n + 1);
            flag_ = 0;
        } else {
            heap_ = new char[n + 1];
            std::memcpy(heap_, s, n + 1);
            flag_ = 1;
        }
    }
    void release()
    {
        if (onHeap())
            delete[] heap_;
        flag_ = 0;
        inline_[0] = '\0';
    }

    union {
        char inline_[kInline + 1];
        char* heap_;
    };
    char flag_ = 0;
};
