// The two skinning kernels give the same bits, and HATCHING_SKINNING chooses between them.
#include "model/skinning_kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "model/link_skinning.h"
#include "model/skinning_job.h"

namespace {

// Runs `skin` on each kernel this build has and returns the outputs, generic first.
template <typename Skin>
std::vector<std::vector<SkinVertex>> OnEachKernel(size_t vertices, Skin skin) {
  const SkinningKernel before = ActiveSkinningKernel();
  std::vector<std::vector<SkinVertex>> outputs;
  for (SkinningKernel kernel : {SkinningKernel::kGeneric, SkinningKernel::kSse2}) {
    if (!UseSkinningKernel(kernel)) continue;
    outputs.emplace_back(vertices);
    EXPECT_TRUE(skin(outputs.back().data()));
  }
  UseSkinningKernel(before);
  return outputs;
}

struct Sample {
  std::vector<SmdTriangle> triangles;
  std::vector<SmdBone> bones;
  std::vector<D3DXMATRIX> skinning;
  std::vector<SmdCornerLinks> links;
};

Sample SeededSample(unsigned seed, int triangleCount, int boneCount) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-50.0f, 50.0f), weight(0.0f, 1.0f);
  std::uniform_int_distribution<int> bone(-1, boneCount);  // one past each end: the identity
  Sample sample;
  sample.bones.resize(static_cast<size_t>(boneCount));
  sample.skinning.resize(static_cast<size_t>(boneCount));
  for (int b = 0; b < boneCount; ++b)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        sample.bones[b].combined.m[i][j] = i == 3 && j == 3 ? 1.0f : value(random) / 50.0f;
        sample.skinning[b].m[i][j] = value(random) / 50.0f;
      }
  sample.triangles.resize(static_cast<size_t>(triangleCount));
  sample.links.resize(3 * sample.triangles.size());
  for (size_t t = 0; t < sample.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      SkinVertex& corner = sample.triangles[t].corners[k];
      corner.position = D3DXVECTOR3(value(random), value(random), value(random));
      corner.normal = D3DXVECTOR3(value(random), value(random), value(random));
      corner.u = weight(random);
      sample.triangles[t].bones[k] = bone(random);
      SmdCornerLinks& links = sample.links[3 * t + k];
      links.count = static_cast<int>(t % (SmdCornerLinks::kMaxLinks + 1));
      links.position = corner.position;
      links.normal = corner.normal;
      for (int i = 0; i < links.count; ++i) links.bones[i] = bone(random), links.weights[i] = weight(random);
    }
  return sample;
}

}  // namespace

TEST(SkinningKernel, BothKernelsSkinSeededCornersToTheSameBits) {
  const Sample sample = SeededSample(7, 500, 40);
  const size_t vertices = 3 * sample.triangles.size();
  const auto parent = OnEachKernel(vertices, [&](SkinVertex* out) {
    return SkinningJob{{sample.triangles.data(), sample.triangles.size()},
                       {sample.bones.data(), sample.bones.size()},
                       {out, vertices}}
        .Run();
  });
  const auto linked = OnEachKernel(vertices, [&](SkinVertex* out) {
    return LinkSkinningJob{{sample.triangles.data(), sample.triangles.size()},
                           {sample.links.data(), sample.links.size()},
                           {sample.skinning.data(), sample.skinning.size()},
                           {out, vertices}}
        .Run();
  });
  ASSERT_FALSE(parent.empty());
  for (const auto* outputs : {&parent, &linked})
    for (size_t k = 1; k < outputs->size(); ++k)
      EXPECT_EQ(std::memcmp((*outputs)[0].data(), (*outputs)[k].data(), vertices * sizeof(SkinVertex)), 0);
  EXPECT_NE(parent[0][0].position.x, 0.0f) << "the corners were written";
}

TEST(SkinningKernel, TheEnvironmentChoosesTheGenericKernel) {
  const char* asked = std::getenv("HATCHING_SKINNING");
  if (asked && std::strcmp(asked, "generic") == 0) {
    EXPECT_EQ(ActiveSkinningKernel(), SkinningKernel::kGeneric);
  }
  EXPECT_TRUE(SkinningKernelAvailable(SkinningKernel::kGeneric));
#if defined(__SSE2__)
  if (!asked) {
    EXPECT_EQ(ActiveSkinningKernel(), SkinningKernel::kSse2);
  }
#endif
}
