// Absolute bind positions of bones.

#include <vector>

#include "anim/BoneFile.h"

D3DXVECTOR3 GetBindPosition(const BoneFile& file, std::int32_t bone) {
  if (file.bones == nullptr || bone < 0 || bone >= file.boneCount) return D3DXVECTOR3();
  // The chain from the bone up to its root, walked without recursion so that
  // a long chain cannot exhaust the stack; the step limit guards against a
  // cycle in a file that was not loaded by LoadBoneFile.
  std::vector<std::int32_t> chain;
  for (std::int32_t i = bone; i >= 0 && i < file.boneCount && chain.size() <= static_cast<std::size_t>(file.boneCount);
       i = file.bones[i].parentIndex) {
    chain.push_back(i);
  }
  // Summed from the root down: offset + (parent's position), as the recursive
  // definition adds them.
  D3DXVECTOR3 position;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) position = file.bones[*it].offset + position;
  return position;
}
