// Defaults the sanitizer runtimes read at start-up in the sanitizer build.

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
         "leak:libdbus-1.so\n";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
