#include "frame/InstallPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

#ifndef GRAPPLE_DATA_FROM_BIN
#define GRAPPLE_DATA_FROM_BIN "../share/grapple"
#endif

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

std::string InstalledDataRoot(const std::string& executablePath) {
  return (fs::path(FolderOf(executablePath)) / GRAPPLE_DATA_FROM_BIN).lexically_normal().string();
}

bool EnterInstalledDataRoot(const std::string& executablePath) {
  if (IsFolder("data")) return false;
  const fs::path root = InstalledDataRoot(executablePath);
  if (!IsFolder(root / "data")) return false;
  std::error_code error;
  fs::current_path(root, error);
  return !error;
}

std::string ChooseConfigPath(const std::string& besidePath, bool besideWritable, const char* xdgConfigHome,
                             const char* home) {
  if (besideWritable) return besidePath;
  const std::size_t slash = besidePath.rfind('/');
  const std::string name = slash == std::string::npos ? besidePath : besidePath.substr(slash + 1);
  // Relative XDG paths are invalid and ignored.
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/grapple/" + name;
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/grapple/" + name;
  return std::string();
}

std::string ChooseConfigPath(const std::string& besidePath) {
  const bool writable = access(FolderOf(besidePath).c_str(), W_OK) == 0;
  return ChooseConfigPath(besidePath, writable, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

bool MakeParentFolders(const std::string& path) {
  const fs::path folder = FolderOf(path);
  std::error_code error;
  if (IsFolder(folder)) return true;
  fs::create_directories(folder, error);
  return !error;
}
