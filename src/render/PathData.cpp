#include "render/PathData.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsDirectoryNamed(const PathData* component, const char* name) {
  return component->kind == PathData::kDirectory && component->name == name;
}

// The component takes the place of `from` in the chain, dropping everything
// between them.
void TakeOver(PathData* component, const PathData* from) {
  component->kind = from->kind;
  component->name = from->name;
  component->parent = from->parent;
}

// The components of one path. They are all owned here; a component dropped
// from the chain is simply no longer linked and is freed with the rest.
class Chain {
 public:
  // Appends the components of a path: a leading separator gives the root
  // when the chain is empty, a name followed by a separator a directory, a
  // name at the end a file.
  void Append(const std::string& text) {
    std::size_t position = 0;
    if (leaf_ == nullptr && !text.empty() && IsSeparator(text.front())) Link(PathData::kRoot, std::string());
    while (position < text.size()) {
      std::size_t end = position;
      while (end < text.size() && !IsSeparator(text[end])) ++end;
      if (end > position) {
        const PathData::Kind kind = end < text.size() ? PathData::kDirectory : PathData::kFile;
        Link(kind, text.substr(position, end - position));
      }
      position = end + 1;
    }
  }

  PathData* Leaf() const { return leaf_; }

  // The path from the root down, '/' after the root and every directory.
  std::string Text() const {
    std::vector<const PathData*> components;
    for (const PathData* c = leaf_; c != nullptr; c = c->parent) components.push_back(c);
    std::string text;
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
      text += (*it)->name;
      if ((*it)->kind != PathData::kFile) text += '/';
    }
    return text;
  }

 private:
  void Link(PathData::Kind kind, std::string name) {
    auto component = std::make_unique<PathData>();
    component->kind = kind;
    component->name = std::move(name);
    component->parent = leaf_;
    leaf_ = component.get();
    components_.push_back(std::move(component));
  }

  std::vector<std::unique_ptr<PathData>> components_;
  PathData* leaf_ = nullptr;
};

// Removes the "." directories, nearest to the file first. A "." with nothing
// before it cannot be removed: false, and ".." is then left alone too.
bool RemoveDots(PathData* leaf) {
  for (PathData* c = leaf; c != nullptr;) {
    if (!IsDirectoryNamed(c, ".")) {
      c = c->parent;
      continue;
    }
    if (c->parent == nullptr) return false;
    TakeOver(c, c->parent);  // look at c again: it may be "." once more
  }
  return true;
}

// Resolves one ".." with the directory before it. A ".." before it is
// resolved first (inner ones before outer ones); an explicit stack instead
// of recursion keeps long runs of ".." off the call stack. False when a ".."
// has no directory before it, or that one has nothing before it.
bool ResolveDotDot(PathData* dotDot) {
  std::vector<PathData*> pending{dotDot};
  while (!pending.empty()) {
    PathData* c = pending.back();
    if (c->parent != nullptr && IsDirectoryNamed(c->parent, "..")) {
      pending.push_back(c->parent);
      continue;
    }
    if (c->parent == nullptr || c->parent->parent == nullptr) return false;
    TakeOver(c, c->parent->parent);  // a/b/.. becomes a
    pending.pop_back();
  }
  return true;
}

void ResolveDotDots(PathData* leaf) {
  for (PathData* c = leaf; c != nullptr;) {
    if (!IsDirectoryNamed(c, "..")) {
      c = c->parent;
      continue;
    }
    if (!ResolveDotDot(c)) return;  // the rest of the chain stays as it is
  }
}

}  // namespace

void PathData::NormalizePath(std::string* path) {
  if (path == nullptr) return;
  Chain chain;
  if (path->empty() || !IsSeparator(path->front())) {
    // A relative path hangs below the current directory. Without one (it was
    // removed, say) the path stays relative.
    std::error_code error;
    const std::string current = std::filesystem::current_path(error).string();
    if (!error && !current.empty()) chain.Append(current + '/');
  }
  chain.Append(*path);
  if (RemoveDots(chain.Leaf())) ResolveDotDots(chain.Leaf());

  std::string text = chain.Text();
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  *path = std::move(text);
}

std::string PathData::OpenName(const std::string& path) {
  std::string name = path;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}
