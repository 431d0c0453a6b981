// Checks the generated character files (Model/SMD/Vekku_Red): the SMD text the viewer parses,
// the skeleton, the bind-pose mesh (size, placement, facing, normals, winding, materials) and
// the three animations (length, small steps between key frames, looping).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const fs::path kFolder = fs::path(HATCHING_CONTENT_DIR) / "Model" / "SMD" / "Vekku_Red";
constexpr double kPi = 3.14159265358979323846;

struct Node {
  int index, parent;
  std::string name;
};
using Pose = std::array<double, 6>;  // px py pz rx ry rz
struct Vertex {
  int bone;
  std::array<double, 3> p, n;
  double u, v;
};
struct Triangle {
  std::string material;
  std::array<Vertex, 3> c;
};
struct Smd {
  std::string version;
  std::vector<Node> nodes;
  std::vector<int> times;
  std::vector<std::vector<Pose>> frames;
  std::vector<Triangle> triangles;
  size_t longest_line = 0, longest_word = 0;
  bool pose_lines_in_order = true;
};

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

Smd Parse(const fs::path& path) {
  std::ifstream in(path);
  Smd smd;
  std::string line, block;
  std::getline(in, smd.version);
  while (std::getline(in, line)) {
    smd.longest_line = std::max(smd.longest_line, line.size());
    const auto words = Words(line);
    for (const auto& w : words) smd.longest_word = std::max(smd.longest_word, w.size());
    if (words.empty()) continue;
    if (words[0] == "end") {
      block.clear();
    } else if (block.empty()) {
      block = words[0];
    } else if (block == "nodes") {
      std::istringstream s(line);
      Node node;
      s >> node.index;
      s.ignore(2);
      std::getline(s, node.name, '"');
      s >> node.parent;
      smd.nodes.push_back(node);
    } else if (block == "skeleton" && words[0] == "time") {
      smd.times.push_back(std::stoi(words[1]));
      smd.frames.emplace_back();
    } else if (block == "skeleton") {
      smd.pose_lines_in_order &= std::stoi(words[0]) == static_cast<int>(smd.frames.back().size());
      Pose pose;
      for (int i = 0; i < 6; ++i) pose[i] = std::stod(words.at(i + 1));
      smd.frames.back().push_back(pose);
    } else if (block == "triangles") {
      Triangle t;
      t.material = words[0];
      for (Vertex& v : t.c) {
        std::getline(in, line);
        std::istringstream s(line);
        s >> v.bone >> v.p[0] >> v.p[1] >> v.p[2] >> v.n[0] >> v.n[1] >> v.n[2] >> v.u >> v.v;
      }
      smd.triangles.push_back(t);
    }
  }
  return smd;
}

// 3x3 rotation of a pose line, rows as the viewer builds them: RotationX * RotationY * RotationZ.
using Mat3 = std::array<std::array<double, 3>, 3>;
Mat3 Multiply(const Mat3& a, const Mat3& b) {
  Mat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
  return r;
}
Mat3 Rotation(const Pose& p) {
  const double cx = std::cos(p[3]), sx = std::sin(p[3]), cy = std::cos(p[4]), sy = std::sin(p[4]);
  const double cz = std::cos(p[5]), sz = std::sin(p[5]);
  const Mat3 rx{{{1, 0, 0}, {0, cx, sx}, {0, -sx, cx}}};
  const Mat3 ry{{{cy, 0, -sy}, {0, 1, 0}, {sy, 0, cy}}};
  const Mat3 rz{{{cz, sz, 0}, {-sz, cz, 0}, {0, 0, 1}}};
  return Multiply(Multiply(rx, ry), rz);
}
double TurnDegrees(const Pose& a, const Pose& b) {
  const Mat3 ra = Rotation(a), rb = Rotation(b);
  double trace = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) trace += ra[i][j] * rb[i][j];
  return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / kPi;
}

class CharacterModel : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    files_ = new std::map<std::string, Smd>;
    for (const char* name : {"Ref_Red", "Ani_Red(Attack)", "Ani_Red(Run)", "Ani_Red(Stun)"})
      (*files_)[name] = Parse(kFolder / (std::string(name) + ".smd"));
  }
  static void TearDownTestSuite() { delete files_; }
  static const Smd& File(const std::string& name) { return files_->at(name); }
  static const Smd& Ref() { return File("Ref_Red"); }

 private:
  static std::map<std::string, Smd>* files_;
};
std::map<std::string, Smd>* CharacterModel::files_ = nullptr;

const std::vector<std::pair<std::string, size_t>> kClips = {
    {"Ani_Red(Attack)", 30}, {"Ani_Red(Run)", 20}, {"Ani_Red(Stun)", 30}};

TEST_F(CharacterModel, FilesKeepToTheTextLimitsTheViewerReads) {
  for (const auto& name : {"Ref_Red", "Ani_Red(Attack)", "Ani_Red(Run)", "Ani_Red(Stun)"}) {
    const Smd& smd = File(name);
    EXPECT_EQ(smd.version, "version 1") << name;
    EXPECT_LE(smd.longest_line, 255u) << name;
    EXPECT_LE(smd.longest_word, 79u) << name;
    EXPECT_TRUE(smd.pose_lines_in_order) << name;
  }
}

TEST_F(CharacterModel, SkeletonIsAProperHierarchyOfAtLeastTwentyBones) {
  const auto& nodes = Ref().nodes;
  ASSERT_GE(nodes.size(), 20u);
  std::set<std::string> names;
  int roots = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].index, static_cast<int>(i));
    EXPECT_LT(nodes[i].parent, nodes[i].index) << nodes[i].name;
    EXPECT_GE(nodes[i].parent, -1);
    EXPECT_GE(nodes[i].name.size(), 1u);
    EXPECT_LE(nodes[i].name.size(), 79u);
    names.insert(nodes[i].name);
    roots += nodes[i].parent < 0;
  }
  EXPECT_EQ(roots, 1);
  EXPECT_EQ(names.size(), nodes.size()) << "bone names are unique";
  for (const auto& [clip, frames] : kClips) {
    const auto& other = File(clip).nodes;
    ASSERT_EQ(other.size(), nodes.size()) << clip;
    for (size_t i = 0; i < nodes.size(); ++i) {
      EXPECT_EQ(other[i].name, nodes[i].name) << clip;
      EXPECT_EQ(other[i].parent, nodes[i].parent) << clip;
    }
  }
}

TEST_F(CharacterModel, ReferenceHasOneBindFrameAndAMeshOfSensibleSize) {
  ASSERT_EQ(Ref().times, std::vector<int>{0});
  EXPECT_EQ(Ref().frames[0].size(), Ref().nodes.size());
  EXPECT_GE(Ref().triangles.size(), 4000u);
  EXPECT_LE(Ref().triangles.size(), 20000u);
}

TEST_F(CharacterModel, MaterialsAreAtLeastThreeTexturesNextToTheModel) {
  std::set<std::string> materials;
  size_t runs = 0;
  for (size_t i = 0; i < Ref().triangles.size(); ++i) {
    materials.insert(Ref().triangles[i].material);
    runs += i == 0 || Ref().triangles[i].material != Ref().triangles[i - 1].material;
  }
  EXPECT_GE(materials.size(), 3u);
  EXPECT_EQ(runs, materials.size()) << "triangles grouped by material: one subset each";
  for (const std::string& m : materials) {
    std::ifstream in(kFolder / m, std::ios::binary);
    ASSERT_TRUE(in) << m;
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(d.size(), 54u) << m;
    EXPECT_EQ(d[0], 'B');
    EXPECT_EQ(d[1], 'M');
    const int width = d[18] | d[19] << 8, height = d[22] | d[23] << 8, bits = d[28];
    EXPECT_EQ(bits, 24) << m;
    EXPECT_GE(width, 64) << m;
    EXPECT_EQ(d.size(), 54u + static_cast<size_t>((width * 3 + 3) & ~3) * height) << m;
  }
}

TEST_F(CharacterModel, BindPoseStandsOnTheGroundAboutAHundredUnitsTallFacingMinusY) {
  double lo = 1e9, hi = -1e9;
  std::map<std::string, std::pair<double, int>> mean_y;  // by bone name prefix
  std::vector<double> head_y;
  for (const Triangle& t : Ref().triangles)
    for (const Vertex& v : t.c) {
      lo = std::min(lo, v.p[2]);
      hi = std::max(hi, v.p[2]);
      const std::string& bone = Ref().nodes.at(v.bone).name;
      for (const char* part : {"Toe", "Tail", "Head"})
        if (bone.rfind(part, 0) == 0) mean_y[part].first += v.p[1], mean_y[part].second++;
    }
  EXPECT_NEAR(lo, 0.0, 0.5);
  EXPECT_NEAR(hi, 100.0, 5.0);
  for (auto& [part, sum] : mean_y) ASSERT_GT(sum.second, 0) << part;
  EXPECT_LT(mean_y["Toe"].first / mean_y["Toe"].second, -5.0) << "toes point forward";
  EXPECT_GT(mean_y["Tail"].first / mean_y["Tail"].second, 10.0) << "the tail trails behind";
  EXPECT_LT(mean_y["Head"].first / mean_y["Head"].second, 0.0) << "the face is at the front of the head";
}

TEST_F(CharacterModel, EachTriangleIsOneBoneWithUnitNormalsAndConsistentWinding) {
  size_t wrong_way = 0;
  for (const Triangle& t : Ref().triangles) {
    std::array<double, 3> mean{};
    for (const Vertex& v : t.c) {
      EXPECT_EQ(v.bone, t.c[0].bone) << "a part is bound to a single bone";
      ASSERT_GE(v.bone, 0);
      ASSERT_LT(v.bone, static_cast<int>(Ref().nodes.size()));
      EXPECT_NEAR(std::hypot(v.n[0], v.n[1], v.n[2]), 1.0, 1e-4);
      EXPECT_GE(v.u, 0.0);
      EXPECT_LE(v.u, 1.0);
      EXPECT_GE(v.v, 0.0);
      EXPECT_LE(v.v, 1.0);
      for (int k = 0; k < 3; ++k) mean[k] += v.n[k];
    }
    std::array<double, 3> e1, e2;
    for (int k = 0; k < 3; ++k) e1[k] = t.c[1].p[k] - t.c[0].p[k], e2[k] = t.c[2].p[k] - t.c[0].p[k];
    const std::array<double, 3> face{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                     e1[0] * e2[1] - e1[1] * e2[0]};
    // File order is counter-clockwise seen from outside (left-handed), so this cross product
    // points into the surface.
    if (std::hypot(face[0], face[1], face[2]) > 1e-4)
      wrong_way += face[0] * mean[0] + face[1] * mean[1] + face[2] * mean[2] > 0;
  }
  EXPECT_EQ(wrong_way, 0u);
}

// The viewer repeats the hatching ten times per unit of uv. For strokes that read as single
// pencil lines from the start camera (about 2.5 pixels per model unit), a repeat should cover
// some 48 units of the body: about a hundred pixels. Measured per triangle as the square
// root of its model-space area over its uv area (times 10 squared), weighted by surface area
// since that is what the eye sees; small parts (claws, teeth) take one repeat around and so
// come out finer.
TEST_F(CharacterModel, HatchingRepeatsCoverAboutFiftyUnitsOfSurface) {
  std::vector<std::pair<double, double>> span_and_area;
  double total_area = 0;
  for (const Triangle& t : Ref().triangles) {
    std::array<double, 3> e1, e2;
    for (int k = 0; k < 3; ++k) e1[k] = t.c[1].p[k] - t.c[0].p[k], e2[k] = t.c[2].p[k] - t.c[0].p[k];
    const double area = 0.5 * std::hypot(e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                         e1[0] * e2[1] - e1[1] * e2[0]);
    const double uv_area = 0.5 * std::abs((t.c[1].u - t.c[0].u) * (t.c[2].v - t.c[0].v) -
                                          (t.c[2].u - t.c[0].u) * (t.c[1].v - t.c[0].v));
    if (area < 1e-4 || uv_area < 1e-12) continue;
    span_and_area.emplace_back(std::sqrt(area / uv_area) / 10, area);
    total_area += area;
  }
  ASSERT_FALSE(span_and_area.empty());
  std::sort(span_and_area.begin(), span_and_area.end());
  auto quantile = [&](double q) {
    double seen = 0;
    for (const auto& [span, area] : span_and_area)
      if ((seen += area) >= q * total_area) return span;
    return span_and_area.back().first;
  };
  EXPECT_GT(quantile(0.5), 25.0);
  EXPECT_LT(quantile(0.5), 60.0);
  // Most of the body is near that size: neither grain nor one stroke across a whole limb.
  EXPECT_GT(quantile(0.2), 12.0);
  EXPECT_LT(quantile(0.8), 90.0);
  std::printf("hatching repeat, model units: 20%% %.1f, median %.1f, 80%% %.1f\n", quantile(0.2),
              quantile(0.5), quantile(0.8));
}

TEST_F(CharacterModel, AnimationsHaveEnoughNumberedKeyFramesOfEveryBone) {
  for (const auto& [clip, minimum] : kClips) {
    const Smd& smd = File(clip);
    EXPECT_TRUE(smd.triangles.empty()) << clip;
    ASSERT_GE(smd.frames.size(), minimum) << clip;
    for (size_t i = 0; i < smd.frames.size(); ++i) {
      EXPECT_EQ(smd.times[i], static_cast<int>(i)) << clip;
      EXPECT_EQ(smd.frames[i].size(), Ref().nodes.size()) << clip << " frame " << i;
    }
  }
}

// The viewer blends matrices element by element between key frames, so each step must be small.
TEST_F(CharacterModel, NoBoneTurnsMoreThanFifteenDegreesBetweenKeyFrames) {
  for (const auto& [clip, minimum] : kClips) {
    const auto& frames = File(clip).frames;
    for (size_t i = 0; i + 1 < frames.size(); ++i)
      for (size_t b = 0; b < frames[i].size(); ++b)
        EXPECT_LT(TurnDegrees(frames[i][b], frames[i + 1][b]), 15.0)
            << clip << " bone " << Ref().nodes[b].name << " after frame " << i;
  }
}

// Halfway between key frames the viewer averages model-space matrices element by element; a
// bone whose model-space rotation changes by an angle a ends up with axes cos(a/2) long. Keep
// every limb within 3% of its length at the worst moment.
TEST_F(CharacterModel, ElementwiseBlendingBarelyShrinksAnyBone) {
  const auto& nodes = Ref().nodes;
  for (const auto& [clip, minimum] : kClips) {
    const auto& frames = File(clip).frames;
    std::vector<Mat3> previous;
    for (size_t i = 0; i < frames.size(); ++i) {
      std::vector<Mat3> model(nodes.size());
      for (size_t b = 0; b < nodes.size(); ++b) {
        const Mat3 local = Rotation(frames[i][b]);
        model[b] = nodes[b].parent < 0 ? local : Multiply(local, model[nodes[b].parent]);
      }
      if (!previous.empty())
        for (size_t b = 0; b < nodes.size(); ++b)
          for (int row = 0; row < 3; ++row) {
            double length = 0;
            for (int k = 0; k < 3; ++k) length += std::pow(0.5 * (model[b][row][k] + previous[b][row][k]), 2);
            EXPECT_GT(std::sqrt(length), 0.97)
                << clip << " " << nodes[b].name << " between frames " << i - 1 << " and " << i;
          }
      previous = model;
    }
  }
}

TEST_F(CharacterModel, RunAndAttackLoopBackToTheirFirstPose) {
  for (const char* clip : {"Ani_Red(Run)", "Ani_Red(Attack)"}) {
    const auto& frames = File(clip).frames;
    for (size_t b = 0; b < frames[0].size(); ++b) {
      EXPECT_LT(TurnDegrees(frames.back()[b], frames.front()[b]), 15.0) << clip << " " << Ref().nodes[b].name;
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(frames.back()[b][k], frames.front()[b][k], 2.0) << clip;
    }
  }
}

TEST_F(CharacterModel, AttackSwingsTheBladeThroughAWideArc) {
  const auto& frames = File("Ani_Red(Attack)").frames;
  size_t arm = 0;
  for (size_t b = 0; b < Ref().nodes.size(); ++b)
    if (Ref().nodes[b].name == "UpperArm_R") arm = b;
  ASSERT_NE(arm, 0u);
  double widest = 0;
  for (const auto& a : frames)
    for (const auto& b : frames) widest = std::max(widest, TurnDegrees(a[arm], b[arm]));
  EXPECT_GT(widest, 80.0) << "a wind-up and a strike, not a twitch";
}

TEST_F(CharacterModel, ClipsKeepTheBindPoseBoneLengths) {
  // Bone lengths (translations of non-root bones) stay those of the bind pose.
  for (const auto& [clip, minimum] : kClips)
    for (const auto& frame : File(clip).frames)
      for (size_t b = 1; b < frame.size(); ++b)
        for (int k = 0; k < 3; ++k) ASSERT_NEAR(frame[b][k], Ref().frames[0][b][k], 1e-4) << clip;
}

}  // namespace
