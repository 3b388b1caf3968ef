#pragma once
// Thread creation in the C runtime's style: the thread runs start(argument)
// and ends; there is no join. Returns a handle, or (uintptr_t)-1 on failure.

#include <cstdint>

std::uintptr_t _beginthread(void (*start)(void*), unsigned stackSize, void* argument);
