#include "platform/color/SharedColorTransform.h"

#include <sys/stat.h>

#include <deque>
#include <mutex>
#include <tuple>

namespace kv71p {

namespace {

// The version of a profile file a transform was built from.
struct ProfileVersion {
  std::string path;
  dev_t device;
  ino_t inode;
  off_t size;
  long long modifiedSeconds;
  long modifiedNanoseconds;

  bool operator==(const ProfileVersion& o) const {
    return std::tie(path, device, inode, size, modifiedSeconds, modifiedNanoseconds) ==
           std::tie(o.path, o.device, o.inode, o.size, o.modifiedSeconds, o.modifiedNanoseconds);
  }
};

// Only a few profiles are in use at once (one per printer model and
// finish); the oldest entry makes room.
constexpr size_t kKeptTransforms = 4;

std::mutex gLock;
std::deque<std::pair<ProfileVersion, std::shared_ptr<const ColorEngineTransform>>> gKept;

}  // namespace

std::shared_ptr<const ColorEngineTransform> SharedTransformOfProfile(const std::string& path) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0) return nullptr;
  const ProfileVersion version{path,          info.st_dev,          info.st_ino,
                               info.st_size,  info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
  std::lock_guard<std::mutex> hold(gLock);
  for (const auto& [kept, transform] : gKept)
    if (kept == version) return transform;
  std::shared_ptr<const ColorEngineTransform> transform = ColorEngineTransform::FromProfile(path.c_str());
  if (!transform) return nullptr;
  if (gKept.size() == kKeptTransforms) gKept.pop_front();
  gKept.emplace_back(version, transform);
  return transform;
}

}  // namespace kv71p
