// Where the launcher finds the status window program.
//
// The launcher's resource folder is the folder of its own executable, links
// resolved, and holds the application folder Printwatch.app. The build tree
// (build/apps/watchlauncher/, where Printwatch.app is a link to the built
// one) and an installed tree (<libexec>/kv71p/) are laid out alike, so the
// same program works in both. To start another program in its place, for
// example a stand-in that records its arguments in a test, copy the
// launcher into a folder of your own next to a Printwatch.app of your own.
#pragma once

#include <string>

namespace kv71p::watchlauncher {

// The folder of the running executable; empty when it cannot be found.
std::string ResourceFolder();

// `resourceFolder` followed by "/Printwatch.app/Contents/MacOS/Printwatch".
std::string LaunchPath(const std::string& resourceFolder);

}  // namespace kv71p::watchlauncher
