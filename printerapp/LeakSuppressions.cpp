// Built into the program only with the sanitizers (KV71P_SANITIZE): what
// LeakSanitizer is not to report for it, memory that PAPPL 1.3.1 keeps
// until the process ends:
// - the options of the command line (cupsAddOption) and the connection of
//   a sub-command to the server (httpConnect2), both made by PAPPL's
//   mainloop in libcups, which has no frame pointers: their stacks end in
//   libcups;
// - the system's UUID when a saved state sets it again, and the web
//   interface's footer.
// The program's own allocations are reported as ever, and so are the job
// code's, which the tests also run in-process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libcups.so\nleak:papplSystemSetUUID\nleak:papplSystemSetFooterHTML\n";
}
