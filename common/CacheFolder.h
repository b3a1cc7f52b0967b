// The shared cache folder: the model folder that holds the information
// files, the per-job files and the flag files, and the maker folder above it.
#pragma once

#include <string>

namespace kv71p {

// The model folder: $KV71P_CACHE_DIR when set and not empty (trailing
// slashes removed), else the build-time default.
std::string CacheFolder();

// The maker folder: the parent of the model folder.
std::string MakerFolder();

// "<model folder>/<name>".
std::string CacheFilePath(const std::string& name);

// Makes sure the maker folder and the model folder exist. A folder it
// creates gets mode 01777 (everyone may create files, only a file's owner
// may remove or replace it) whatever the umask; a folder that exists is
// left as it is, and one that cannot be made is passed over.
void CheckAndMake_CacheFolder();

// Makes sure the model folder exists (created with mode 01777).
void CheckAndMake_CacheSubFolder();

}  // namespace kv71p
