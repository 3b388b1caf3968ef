#include "OutputSet.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace assetgen {

namespace fs = std::filesystem;

namespace {

bool LowerCase(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

bool Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

}  // namespace

OutputSet::OutputSet(std::string destination) : destination_(std::move(destination)) {
  while (destination_.size() > 1 && destination_.back() == '/') destination_.pop_back();
  staging_ = destination_ + ".staging";
}

OutputSet::~OutputSet() {
  if (!committed_) Abandon();
}

bool OutputSet::Begin(std::string* error) {
  std::error_code ec;
  fs::remove_all(staging_, ec);
  if (ec) return Fail(error, staging_ + ": cannot remove the old staging folder (" + ec.message() + ")");
  fs::create_directories(staging_, ec);
  if (ec) return Fail(error, staging_ + ": cannot create the staging folder (" + ec.message() + ")");
  begun_ = true;
  committed_ = false;
  files_.clear();
  badName_ = false;
  return true;
}

std::string OutputSet::Path(const std::string& relative) {
  if (!LowerCase(relative) || relative.empty() || relative[0] == '/' || relative.find("..") != std::string::npos) {
    badName_ = true;
  }
  if (std::find(files_.begin(), files_.end(), relative) == files_.end()) files_.push_back(relative);
  const fs::path path = fs::path(staging_) / relative;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  return path.string();
}

bool OutputSet::Commit(const std::vector<std::string>& required, std::string* error) {
  if (!begun_) return Fail(error, "the output set was not started");
  if (badName_) {
    Abandon();
    return Fail(error, "a file name is not a lower-case relative name");
  }
  std::vector<std::string> all = files_;
  all.insert(all.end(), required.begin(), required.end());
  for (const std::string& name : all) {
    std::error_code ec;
    const fs::path path = fs::path(staging_) / name;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0 || ec) {
      Abandon();
      return Fail(error, name + ": missing or empty");
    }
  }
  // Swap: the old destination steps aside, the staging folder takes its
  // name, then the old one goes. A failed second rename puts it back.
  const std::string previous = destination_ + ".previous";
  std::error_code ec;
  fs::remove_all(previous, ec);
  const bool hadDestination = fs::exists(destination_, ec);
  if (hadDestination) {
    fs::rename(destination_, previous, ec);
    if (ec) {
      Abandon();
      return Fail(error, destination_ + ": cannot move the old folder aside (" + ec.message() + ")");
    }
  }
  fs::rename(staging_, destination_, ec);
  if (ec) {
    std::error_code ignored;
    if (hadDestination) fs::rename(previous, destination_, ignored);
    Abandon();
    return Fail(error, destination_ + ": cannot move the new folder into place (" + ec.message() + ")");
  }
  fs::remove_all(previous, ec);
  committed_ = true;
  return true;
}

void OutputSet::Abandon() {
  if (!begun_) return;
  std::error_code ec;
  fs::remove_all(staging_, ec);
  begun_ = false;
}

}  // namespace assetgen
