// The pose rule as the loaders apply it, against the matrix functions it is defined by: every
// bit of every local and combined matrix, for angles of every size (zero, tiny, near the axes,
// huge, infinite, NaN) and translations likewise, in chains of parents.
#include "model/pose_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ios>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "base/math.h"
#include "base/sine_cosine.h"

namespace {

constexpr int kBones = 6;
// Bone 5 names itself as its parent, so its own previous combined matrix is read.
constexpr int kParents[kBones] = {-1, 0, 1, 0, 3, 5};

struct Table {
  SmdBone bones[kBones];
  Table() {
    for (int b = 0; b < kBones; ++b) bones[b].parent = kParents[b];
  }
};

// The rule written with the matrix functions, one line at a time.
void ApplyByHand(Table& table, int b, const float (&v)[6]) {
  D3DXMATRIX x, y, z, t, local;
  D3DXMatrixRotationX(&x, v[3]);
  D3DXMatrixRotationY(&y, v[4]);
  D3DXMatrixRotationZ(&z, v[5]);
  D3DXMatrixTranslation(&t, v[0], v[1], v[2]);
  D3DXMatrixMultiply(&local, &x, &y);
  D3DXMatrixMultiply(&local, &local, &z);
  D3DXMatrixMultiply(&local, &local, &t);
  SmdBone& bone = table.bones[b];
  bone.local = local;
  if (bone.parent < 0) {
    bone.combined = local;
  } else {
    D3DXMatrixMultiply(&bone.combined, &local, &table.bones[bone.parent].combined);
  }
}

// Same bits, or NaN in both (a NaN's payload depends on which operand a product takes it from).
bool SameElement(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void ExpectSameTables(const Table& got, const Table& expected, const char* what) {
  for (int b = 0; b < kBones; ++b)
    for (int i = 0; i < 16; ++i) {
      const float g = got.bones[b].local.m[i / 4][i % 4], e = expected.bones[b].local.m[i / 4][i % 4];
      const float gc = got.bones[b].combined.m[i / 4][i % 4], ec = expected.bones[b].combined.m[i / 4][i % 4];
      ASSERT_TRUE(SameElement(g, e)) << what << ": local of bone " << b << " element " << i << ": " << g
                                     << " vs " << e;
      ASSERT_TRUE(SameElement(gc, ec))
          << what << ": combined of bone " << b << " element " << i << ": " << gc << " vs " << ec;
    }
}

class Values {
 public:
  explicit Values(unsigned seed) : random_(seed) {}

  float Angle() {
    switch (Pick(9)) {
      case 0:
        return 0.0f;
      case 1:
        return -0.0f;
      case 2:
        return Signed(std::ldexp(Unit(), -Pick(60)));  // small down to about 2^-60
      case 3: {  // within a few units in the last place of a multiple of π/2
        const float axis = static_cast<float>(Pick(9) - 4) * 1.5707963267948966f;
        float a = axis;
        for (int step = Pick(7) - 3; step != 0; step += step > 0 ? -1 : 1)
          a = std::nextafter(a, step > 0 ? 100.0f : -100.0f);
        return a;
      }
      case 4:
        return Signed(static_cast<float>(Unit() * 1e7));
      case 5:
        return Signed(std::ldexp(Unit(), 19 + Pick(3)));  // either side of 2^20
      default:
        return Signed(static_cast<float>(Unit() * 7));
    }
  }

  float Translation() {
    switch (Pick(7)) {
      case 0:
        return 0.0f;
      case 1:
        return -0.0f;
      case 2:
        return Signed(std::numeric_limits<float>::max());
      case 3:
        return Signed(std::numeric_limits<float>::denorm_min() * static_cast<float>(Pick(1000)));
      default:
        return Signed(static_cast<float>(Unit() * 200));
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  float Unit() { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random_); }
  float Signed(float v) { return Pick(2) ? -v : v; }
  std::mt19937 random_;
};

TEST(PoseBatch, EveryBitIsTheRuleOfTheMatrixFunctions) {
  Values values(17);
  Table batched, byHand;
  PoseBatch batch;
  batch.Target(batched.bones, kBones);
  for (int line = 0; line < 60000; ++line) {
    const int b = line % kBones;
    const float v[6] = {values.Translation(), values.Translation(), values.Translation(),
                        values.Angle(),       values.Angle(),       values.Angle()};
    batch.Add(b, v);
    ApplyByHand(byHand, b, v);
    // Flushing at odd places as well as when the batch fills.
    if (line % 97 == 0) {
      batch.Flush();
      ExpectSameTables(batched, byHand, "random lines");
    }
  }
  batch.Flush();
  ExpectSameTables(batched, byHand, "random lines");
}

TEST(PoseBatch, InfinitiesAndNaNFollowTheProductsOfTheRule) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float specials[] = {kInf, -kInf, nan, 0.0f, -0.0f, 1.0f};
  Table batched, byHand;
  PoseBatch batch;
  batch.Target(batched.bones, kBones);
  int line = 0;
  for (float special : specials)
    for (int slot = 0; slot < 6; ++slot) {
      float v[6] = {1.5f, -2.0f, 3.0f, 0.25f, -0.5f, 1.0f};
      v[slot] = special;
      batch.Add(line % kBones, v);
      ApplyByHand(byHand, line % kBones, v);
      ++line;
    }
  batch.Flush();
  ExpectSameTables(batched, byHand, "special values");
}

TEST(PoseBatch, LinesOutsideTheTableOrAfterARetargetChangeOnlyTheirOwnTable) {
  Table first, second, expectedFirst, expectedSecond;
  const float v[6] = {1, 2, 3, 0.1f, 0.2f, 0.3f};
  PoseBatch batch;
  batch.Add(0, v);  // no table yet
  batch.Target(first.bones, kBones);
  batch.Add(-1, v);
  batch.Add(kBones, v);
  batch.Add(2, v);
  batch.Target(second.bones, 1);
  batch.Add(1, v);  // outside the one-bone table
  batch.Add(0, v);
  batch.Target(nullptr, kBones);
  batch.Add(0, v);
  batch.Flush();
  ApplyByHand(expectedFirst, 2, v);
  ApplyByHand(expectedSecond, 0, v);
  ExpectSameTables(first, expectedFirst, "first table");
  ExpectSameTables(second, expectedSecond, "second table");
}

TEST(SineCosine, ManyAtOnceGiveWhatOneAtATimeGivesOnEveryInstructionSet) {
  Values values(5);
  std::vector<float> angles(1001), sines(angles.size()), cosines(angles.size());
  for (float& a : angles) a = values.Angle();
  angles[7] = std::numeric_limits<float>::quiet_NaN();
  angles[8] = -std::numeric_limits<float>::infinity();
  // The first `count` as SineCosine gives them, and nothing written after them.
  const auto expectOneAtATime = [&](const char* what, size_t count) {
    for (size_t k = 0; k < angles.size(); ++k) {
      float s = 42.0f, c = 42.0f;
      if (k < count) SineCosine(angles[k], s, c);
      ASSERT_TRUE(SameElement(s, sines[k]) && SameElement(c, cosines[k])) << what << ", angle " << k;
    }
  };
  SineCosines(angles.data(), static_cast<int>(angles.size()), sines.data(), cosines.data());
  expectOneAtATime("widest", angles.size());
  const std::pair<SineCosineIsa, const char*> sets[] = {{SineCosineIsa::kBaseline, "baseline"},
                                                        {SineCosineIsa::kAvx2, "AVX2"},
                                                        {SineCosineIsa::kAvx512, "AVX-512"}};
  for (const auto& [isa, name] : sets) {
    // Counts that end inside a vector as well as on its end.
    for (int count : {1, 3, 8, 1001}) {
      std::fill(sines.begin(), sines.end(), 42.0f);
      std::fill(cosines.begin(), cosines.end(), 42.0f);
      if (!SineCosinesOn(isa, angles.data(), count, sines.data(), cosines.data())) break;
      expectOneAtATime(name, static_cast<size_t>(count));
    }
  }
  EXPECT_TRUE(SineCosinesOn(SineCosineIsa::kBaseline, angles.data(), 0, sines.data(), cosines.data()));
}

TEST(SineCosine, IsTheDoubleValueRoundedOnceAndKeepsTheSignOfZero) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> angles(-1e4f, 1e4f);
  for (int k = 0; k < 100000; ++k) {
    const float a = k % 2 ? angles(random) : angles(random) * 1e-3f;
    float s, c;
    SineCosine(a, s, c);
    // The C library's double functions are within an ulp of a double, far inside a float's.
    ASSERT_EQ(s, static_cast<float>(std::sin(static_cast<double>(a)))) << a;
    ASSERT_EQ(c, static_cast<float>(std::cos(static_cast<double>(a)))) << a;
  }
  float s, c;
  SineCosine(-0.0f, s, c);
  EXPECT_TRUE(std::signbit(s));
  EXPECT_EQ(c, 1.0f);
  SineCosine(1e-30f, s, c);
  EXPECT_EQ(s, 1e-30f);
  SineCosine(std::numeric_limits<float>::infinity(), s, c);
  EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

TEST(SineCosine, IsTheDoubleValueRoundedOnceAtTheHardestAnglesOnEveryInstructionSet) {
  // Three whose sines a Taylor series a term shorter rounded to the next float, then every angle
  // below 2^20 whose double sine or cosine lies within two ulps of halfway between two floats (the
  // sine of 0x1.33333p+13 lies on it), each with its negative.
  std::vector<float> angles = {0x1.3e42p+1f,    0x1.c847eap+8f,  0x1.c716dcp+12f, 0x1p-12f,
                               0x1.a8872ap-11f, 0x1.20ffccp-7f,  0x1.e7061ep-2f,  0x1.8f219cp+5f,
                               0x1.e35bc6p+7f,  0x1.515766p+12f, 0x1.33333p+13f};
  for (size_t k = 0, count = angles.size(); k < count; ++k) angles.push_back(-angles[k]);
  std::vector<float> sines(angles.size()), cosines(angles.size());
  for (size_t k = 0; k < angles.size(); ++k) {
    SineCosine(angles[k], sines[k], cosines[k]);
    EXPECT_EQ(sines[k], static_cast<float>(std::sin(static_cast<double>(angles[k]))))
        << std::hexfloat << angles[k];
    EXPECT_EQ(cosines[k], static_cast<float>(std::cos(static_cast<double>(angles[k]))))
        << std::hexfloat << angles[k];
  }
  // The shorter series gave the next float away from zero for the first three; the last is the
  // double halfway point rounded to even, not the float nearest the exact sine (-0x1.63f4bap-2).
  EXPECT_EQ(sines[0], 0x1.37f8dep-1f);
  EXPECT_EQ(sines[1], -0x1.5cfdcap-1f);
  EXPECT_EQ(sines[2], -0x1.6930f2p-1f);
  EXPECT_EQ(sines[10], -0x1.63f4bcp-2f);
  for (SineCosineIsa isa : {SineCosineIsa::kBaseline, SineCosineIsa::kAvx2, SineCosineIsa::kAvx512}) {
    std::vector<float> s(angles.size()), c(angles.size());
    if (!SineCosinesOn(isa, angles.data(), static_cast<int>(angles.size()), s.data(), c.data())) continue;
    EXPECT_EQ(s, sines) << static_cast<int>(isa);
    EXPECT_EQ(c, cosines) << static_cast<int>(isa);
  }
}

}  // namespace
