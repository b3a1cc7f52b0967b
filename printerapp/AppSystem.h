// The printer application's PAPPL system, made from the server's options:
//   -o server-port=N        TCP port (default: the build's
//                           KV71P_PRINTER_APP_PORT, 8071)
//   -o listen-hostname=H    the addresses it listens on: "localhost" (the
//                           default), or "*" for every address
//   -o state-directory=D    the state file and (unless spool-directory is
//                           given) the spool; default: $SNAP_COMMON when set
//                           (PAPPL's mainloop then keeps its control socket
//                           there too), /var/lib/kv71p-printer-app for root,
//                           else ~/.config/kv71p-printer-app
//   -o spool-directory=D    default: <state-directory>/spool
//   -o log-file=F           "-" (standard error, the default), "syslog" or
//                           a file
//   -o log-level=L          fatal, error, warn (the default), info, debug
//   -o admin-group=G, -o server-hostname=H, -o private-server=true as
//   PAPPL's mainloop has them.
#pragma once

#include <pappl/pappl.h>

namespace kv71p::printerapp {

// papplMainloop's system callback: the system with the drivers, the
// web interface's texts and the saved state loaded. `data` is the
// application's PrinterApp.
pappl_system_t* CreateSystem(int numOptions, cups_option_t* options, void* data);

}  // namespace kv71p::printerapp
