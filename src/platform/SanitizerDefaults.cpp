// Defaults the sanitizer runtimes read at start-up. Every executable of a
// sanitizer or fuzzing build carries them (see grapple_target_defaults), so the
// game and its tools report our leaks, not the system libraries' own.

extern "C" {

// Memory that system libraries keep for the life of the process (SDL's video
// and GL loader state, the Mesa driver, fontconfig, D-Bus). Our own code has
// no entry here.
const char* __lsan_default_suppressions() {
  return "leak:libSDL2-2.0.so\n"
         "leak:libEGL_mesa.so\n"
         "leak:libEGL.so\n"
         "leak:libGLX_mesa.so\n"
         "leak:libGLdispatch.so\n"
         "leak:swrast_dri.so\n"
         "leak:libgallium\n"
         "leak:libLLVM\n"
         "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         // The dynamic loader's own records, found only through thread-local
         // storage, which is not scanned (below).
         "leak:ld-linux-x86-64.so.2\n"
         "leak:_dlerror_run\n"
         // GoogleTest keeps its trace stacks in thread-local storage.
         "leak:testing::internal::ThreadLocal\n";
}

// Thread-local storage is not scanned: after a driver library unloads a
// module of its own, glibc's table of dynamic TLS blocks can hold stale
// entries, and reading them crashes the leak checker. Our code keeps no
// heap memory in thread-local variables.
const char* __lsan_default_options() { return "use_tls=0:print_suppressions=0"; }

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
