#include "SkinWeights.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace assetgen {

namespace {

void Normalise(VertexSkin* s) {
  if (s->count == 2) {
    const float sum = s->weight[0] + s->weight[1];
    s->weight[0] /= sum;
    s->weight[1] = 1.0f - s->weight[0];
  } else if (s->count == 1) {
    s->weight[0] = 1.0f;
    s->bone[1] = -1;
    s->weight[1] = 0.0f;
  }
}

void Remove(VertexSkin* s, int bone) {
  if (s->count == 2 && s->bone[1] == bone) {
    s->count = 1;
  } else if (s->count >= 1 && s->bone[0] == bone) {
    s->bone[0] = s->bone[1];
    s->weight[0] = s->weight[1];
    s->count -= 1;
  }
  Normalise(s);
}

}  // namespace

std::vector<VertexSkin> SkinFromPrimitives(const SdfShape& shape, const std::vector<Vec3>& positions, float blend) {
  const auto& primitives = shape.Primitives();
  std::vector<VertexSkin> skin(positions.size());
  std::vector<float> distances(primitives.size());
  for (std::size_t v = 0; v < positions.size(); ++v) {
    float nearest = 1e9f;
    for (std::size_t i = 0; i < primitives.size(); ++i) {
      distances[i] =
          primitives[i].subtract || primitives[i].tag < 0 ? 1e9f : PrimitiveDistance(primitives[i], positions[v]);
      nearest = std::fmin(nearest, distances[i]);
    }
    std::map<int, float> pull;
    for (std::size_t i = 0; i < primitives.size(); ++i) {
      if (distances[i] > nearest + blend * 8.0f) continue;
      pull[primitives[i].tag] += std::exp(-(distances[i] - nearest) / blend);
    }
    // The two strongest bones (ties to the lower index, so the result does
    // not depend on anything but the numbers).
    std::vector<std::pair<float, int>> ranked;
    for (const auto& entry : pull) ranked.push_back({entry.second, entry.first});
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    VertexSkin& s = skin[v];
    s.bone[0] = ranked[0].second;
    s.weight[0] = ranked[0].first;
    s.count = 1;
    if (ranked.size() > 1 && ranked[1].first / (ranked[0].first + ranked[1].first) >= 0.03f) {
      s.bone[1] = ranked[1].second;
      s.weight[1] = ranked[1].first;
      s.count = 2;
    }
    Normalise(&s);
  }
  return skin;
}

void LimitBonesPerFace(const MeshModel& mesh, std::vector<VertexSkin>* skin, std::size_t maxBones) {
  for (int round = 0; round < 16; ++round) {
    bool changed = false;
    for (const auto& face : mesh.faces) {
      std::map<int, float> totals;
      for (std::uint32_t index : face) {
        const VertexSkin& s = (*skin)[index];
        for (int k = 0; k < s.count; ++k) totals[s.bone[k]] += s.weight[k];
      }
      while (totals.size() > maxBones) {
        auto weakest = totals.begin();
        auto strongest = totals.begin();
        for (auto it = totals.begin(); it != totals.end(); ++it) {
          if (it->second < weakest->second) weakest = it;
          if (it->second > strongest->second) strongest = it;
        }
        const int bone = weakest->first;
        for (std::uint32_t index : face) {
          VertexSkin& s = (*skin)[index];
          Remove(&s, bone);
          if (s.count == 0) {
            s.bone[0] = strongest->first;
            s.weight[0] = 1.0f;
            s.count = 1;
          }
        }
        totals.erase(weakest);
        changed = true;
      }
    }
    if (!changed) break;
  }
}

void AssignInfluences(const std::vector<VertexSkin>& skin, Skeleton* skeleton) {
  for (Bone& bone : skeleton->bones) bone.influences.clear();
  for (std::size_t v = 0; v < skin.size(); ++v) {
    const VertexSkin& s = skin[v];
    for (int k = 0; k < s.count; ++k) {
      skeleton->bones[static_cast<std::size_t>(s.bone[k])].influences.push_back(
          {static_cast<std::uint32_t>(v), s.weight[k]});
    }
  }
}

}  // namespace assetgen
