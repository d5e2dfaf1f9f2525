#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/cException.h"

// A named registry that owns its entries and keeps them in registration order,
// so that listings come out the same in every run. The constructor is
// constexpr so that registries are ready before any static registration
// object runs, whatever the order of the translation units.
template <class T>
class cRegistry {
  public:
    constexpr explicit cRegistry(const char* what) : what_(what) {}
    cRegistry(const cRegistry&) = delete;
    cRegistry& operator=(const cRegistry&) = delete;
    ~cRegistry() { delete data_; }

    void add(T* item)
    {
        Data& d = data();
        std::string key = item->name();
        if (d.index.count(key)) {
            delete item;
            throwError("%s %s registered twice", what_, key.c_str());
        }
        d.index[key] = d.items.size();
        d.items.emplace_back(item);
    }
    T* find(const char* name) const
    {
        if (!data_)
            return nullptr;
        auto it = data_->index.find(name ? name : "");
        return it == data_->index.end() ? nullptr : data_->items[it->second].get();
    }
    size_t size() const { return data_ ? data_->items.size() : 0; }
    T* at(size_t i) const { return data_->items[i].get(); }
    void clear()
    {
        delete data_;
        data_ = nullptr;
    }

  private:
    struct Data {
        std::vector<std::unique_ptr<T>> items;
        std::unordered_map<std::string, size_t> index;
    };
    Data& data()
    {
        if (!data_)
            data_ = new Data;
        return *data_;
    }

    const char* what_;
    Data* data_ = nullptr;
};
