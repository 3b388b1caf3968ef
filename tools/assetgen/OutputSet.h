#pragma once
// The generator's output as one transaction: every file is written into a
// staging folder beside the destination, and only when all of them were
// written and checked does the staging folder replace the destination (two
// renames). Any failure before that, or an OutputSet destroyed without
// Commit, removes the staging folder and leaves the destination as it was:
// the data folder is never partial.

#include <string>
#include <vector>

namespace assetgen {

class OutputSet {
 public:
  explicit OutputSet(std::string destination);
  ~OutputSet();
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Creates an empty staging folder (removing one an interrupted run left).
  bool Begin(std::string* error);

  // Where to write the file `relative` ("char/body.x"): its path inside the
  // staging folder, its directory created. The name is recorded, and Commit
  // insists that the file exists then. Names must be lower case.
  std::string Path(const std::string& relative);

  // Checks that every recorded file and every name in `required` exists and
  // is not empty, then moves the staging folder into place. False (with the
  // reason) leaves the destination untouched and removes the staging folder.
  bool Commit(const std::vector<std::string>& required, std::string* error);

  // Removes the staging folder (also done by the destructor without Commit).
  void Abandon();

  const std::string& StagingFolder() const { return staging_; }
  const std::vector<std::string>& Files() const { return files_; }

 private:
  std::string destination_;
  std::string staging_;
  std::vector<std::string> files_;
  bool begun_ = false;
  bool committed_ = false;
  bool badName_ = false;
};

}  // namespace assetgen
