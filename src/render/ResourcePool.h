#pragma once
// A table of shared resources: one entry per key (a canonical file path),
// each with a reference count. Loaders Acquire a key and, on a miss, load the
// file and Add it; every holder gives its reference back with Release. The
// derived pool says how one resource is destroyed.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

template <typename T>
class SharedResourceManagerBase {
 public:
  struct Entry {
    std::int32_t refCount;
    T resource;
  };

  SharedResourceManagerBase() = default;
  // Frees the table only: the owner calls ReleaseAll before while resources remain.
  virtual ~SharedResourceManagerBase() = default;
  SharedResourceManagerBase(const SharedResourceManagerBase&) = delete;
  SharedResourceManagerBase& operator=(const SharedResourceManagerBase&) = delete;

  // Enters the resource with one reference. A null resource is ignored; a key
  // that is present already keeps its entry.
  void Add(const std::string& key, T resource) {
    if (resource == nullptr) return;
    entries_.emplace(key, Entry{1, resource});
  }

  // The resource of the key with one more reference, or null (nothing changes).
  T Acquire(const std::string& key) {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return nullptr;
    ++found->second.refCount;
    return found->second.resource;
  }

  // Gives back one reference; the last one destroys the resource and removes
  // its entry. Null or a resource the pool does not hold is ignored.
  void Release(T resource) {
    if (resource == nullptr) return;
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->second.resource != resource) continue;
      if (--it->second.refCount > 0) return;
      entries_.erase(it);  // first, so that DeleteResource may use the pool again
      DeleteResource(resource);
      return;
    }
  }

  // Destroys every resource once, whatever its count, and empties the pool.
  void ReleaseAll() {
    std::map<std::string, Entry> entries;
    entries.swap(entries_);
    for (auto& [key, entry] : entries) DeleteResource(entry.resource);
  }

  // Appends a pointer to every entry's resource, in key order, so that a
  // caller can replace resources in place.
  void CollectResources(std::vector<T*>* out) {
    for (auto& [key, entry] : entries_) out->push_back(&entry.resource);
  }

  // Appends a pointer to every key, in the same order as CollectResources.
  void CollectKeys(std::vector<const std::string*>* out) const {
    for (const auto& [key, entry] : entries_) out->push_back(&key);
  }

  // The reference count of the key, 0 when it is not in the pool.
  std::int32_t Count(const std::string& key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? 0 : found->second.refCount;
  }

  std::size_t Size() const { return entries_.size(); }

 protected:
  virtual void DeleteResource(T resource) = 0;

 private:
  std::map<std::string, Entry> entries_;
};
