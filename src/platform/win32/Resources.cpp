#include "platform/win32/Resources.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

struct Entry {
  WORD type;
  WORD id;
  const void* data;
  DWORD size;
};

// Function-local statics: registrations run from static initialisers of
// other translation units, in an order nobody controls.
std::vector<Entry>& Table() {
  static std::vector<Entry> table;
  return table;
}

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

// The number a MAKEINTRESOURCEA value or a "#123" string stands for; -1 otherwise.
long ResourceNumber(LPCSTR name) {
  if (name == nullptr) return -1;
  if (IS_INTRESOURCE(name)) return static_cast<long>(reinterpret_cast<std::uintptr_t>(name));
  if (name[0] != '#' || name[1] < '0' || name[1] > '9') return -1;
  char* end = nullptr;
  const long value = std::strtol(name + 1, &end, 10);
  return *end == '\0' && value <= 0xFFFF ? value : -1;
}

}  // namespace

namespace win32 {

bool RegisterResource(WORD type, WORD id, const void* data, DWORD size) {
  std::lock_guard<std::mutex> guard(TableLock());
  for (const Entry& entry : Table()) {
    if (entry.type == type && entry.id == id) return false;
  }
  Table().push_back(Entry{type, id, data, size});
  return true;
}

}  // namespace win32

// A resource handle is its table index plus one, so it stays valid when the
// table grows.
HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
  const long id = ResourceNumber(name);
  const long kind = ResourceNumber(type);
  if (id < 0 || kind < 0) return nullptr;
  std::lock_guard<std::mutex> guard(TableLock());
  const std::vector<Entry>& table = Table();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].type == kind && table[i].id == id) return reinterpret_cast<HRSRC>(i + 1);
  }
  return nullptr;
}

static bool EntryOf(HRSRC resource, Entry* out) {
  const std::uintptr_t index = reinterpret_cast<std::uintptr_t>(resource);
  std::lock_guard<std::mutex> guard(TableLock());
  if (index == 0 || index > Table().size()) return false;
  *out = Table()[index - 1];
  return true;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  Entry entry{};
  return EntryOf(resource, &entry) ? const_cast<void*>(entry.data) : nullptr;
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  Entry entry{};
  return EntryOf(resource, &entry) ? entry.size : 0;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }
