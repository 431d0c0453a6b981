// contentpreview: a developer's look at the generated character. Reads the model files back
// the way the viewer does (bind pose from the reference file, key frames from an animation
// file, one bone per vertex) and draws a contact sheet of textured, lit, orthographic views
// into a binary PPM image.
//   usage: contentpreview <content folder> <out.ppm>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "vec_math.h"

namespace fs = std::filesystem;
using namespace contentgen;

namespace {

struct Vertex {
  int bone;
  Vec3 p, n;
  double u, v;
};
struct Triangle {
  std::string material;
  Vertex c[3];
};
using Frame = std::vector<std::array<double, 6>>;  // per bone: px py pz rx ry rz

struct SmdFile {
  std::vector<int> parents;
  std::vector<Frame> frames;
  std::vector<Triangle> triangles;
};

SmdFile ReadSmd(const fs::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  SmdFile smd;
  std::string line, block;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "end")
      block.clear();
    else if (block.empty())
      block = (first == "version") ? "" : first;
    else if (block == "nodes") {
      int index, parent;
      std::string name;
      std::istringstream(line) >> index >> name >> parent;
      smd.parents.push_back(parent);
    } else if (block == "skeleton") {
      if (first == "time")
        smd.frames.emplace_back();
      else {
        std::array<double, 6> v{};
        for (double& x : v) words >> x;
        smd.frames.back().push_back(v);
      }
    } else if (block == "triangles") {
      Triangle t;
      t.material = first;
      for (Vertex& v : t.c) {
        std::getline(in, line);
        std::istringstream(line) >> v.bone >> v.p.x >> v.p.y >> v.p.z >> v.n.x >> v.n.y >> v.n.z >> v.u >>
            v.v;
      }
      smd.triangles.push_back(t);
    }
  }
  return smd;
}

std::vector<Mat4> Combined(const SmdFile& smd, const Frame& frame) {
  std::vector<Mat4> out(smd.parents.size());
  for (size_t b = 0; b < out.size(); ++b) {
    const auto& f = frame[b];
    const Mat4 local = BoneLocal({f[0], f[1], f[2]}, {f[3], f[4], f[5]});
    out[b] = smd.parents[b] < 0 ? local : local * out[smd.parents[b]];
  }
  return out;
}

struct Texture {
  int w = 0, h = 0;
  std::vector<uint8_t> bgr;  // bottom-up, as stored
  Vec3 Sample(double u, double v) const {
    // The viewer stores v as 1 - v with a top-down image; in a bottom-up BMP that is row v.
    const int x = std::clamp(static_cast<int>((u - std::floor(u)) * w), 0, w - 1);
    const int y = std::clamp(static_cast<int>((v - std::floor(v)) * h), 0, h - 1);
    const uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
    return {p[2] / 255.0, p[1] / 255.0, p[0] / 255.0};
  }
};

Texture ReadBmp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), {});
  if (d.size() < 54) throw std::runtime_error("bad bmp " + path.string());
  auto u32 = [&](size_t o) {
    return d[o] | d[o + 1] << 8 | d[o + 2] << 16 | static_cast<uint32_t>(d[o + 3]) << 24;
  };
  Texture t;
  t.w = static_cast<int>(u32(18));
  t.h = static_cast<int>(u32(22));
  const size_t row = (static_cast<size_t>(t.w) * 3 + 3) & ~size_t{3};
  for (int y = 0; y < t.h; ++y)
    t.bgr.insert(t.bgr.end(), d.begin() + u32(10) + y * row, d.begin() + u32(10) + y * row + t.w * 3);
  return t;
}

struct Canvas {
  int w, h;
  std::vector<Vec3> rgb;
  std::vector<double> depth;
  Canvas(int w_, int h_)
      : w(w_), h(h_), rgb(static_cast<size_t>(w_) * h_, {0.96, 0.95, 0.92}), depth(rgb.size(), 1e30) {}
};

struct View {
  double yaw_degrees, pitch_degrees;
  int cell_x, cell_y;
};

constexpr int kCell = 260;
constexpr double kScale = 2.1;  // pixels per model unit

void Draw(Canvas& canvas, const SmdFile& ref, const std::map<std::string, Texture>& textures,
          const std::vector<Mat4>& skin, const View& view) {
  const Mat4 turn = RotationZ(Radians(view.yaw_degrees)) * RotationX(Radians(-view.pitch_degrees));
  const Vec3 light = Normalize({-0.4, -0.8, 0.6});
  for (const Triangle& t : ref.triangles) {
    Vec3 s[3], n[3];
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = t.c[k];
      const Vec3 p = TransformPoint(v.p, skin[v.bone]);
      n[k] = Normalize(TransformDirection(v.n, skin[v.bone]));
      const Vec3 q = TransformPoint(p - Vec3{0, 0, 50}, turn);
      // Looking along +y at the imp's front: its right (+x) is on the picture's left.
      s[k] = {view.cell_x + kCell / 2.0 - q.x * kScale, view.cell_y + kCell / 2.0 - q.z * kScale, q.y};
    }
    const double area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
    if (std::abs(area) < 1e-9) continue;
    const int x0 = std::max(view.cell_x, static_cast<int>(std::floor(std::min({s[0].x, s[1].x, s[2].x}))));
    const int x1 =
        std::min(view.cell_x + kCell - 1, static_cast<int>(std::ceil(std::max({s[0].x, s[1].x, s[2].x}))));
    const int y0 = std::max(view.cell_y, static_cast<int>(std::floor(std::min({s[0].y, s[1].y, s[2].y}))));
    const int y1 =
        std::min(view.cell_y + kCell - 1, static_cast<int>(std::ceil(std::max({s[0].y, s[1].y, s[2].y}))));
    const Texture& tex = textures.at(t.material);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        double w[3];
        for (int k = 0; k < 3; ++k) {
          const Vec3& a = s[(k + 1) % 3];
          const Vec3& b = s[(k + 2) % 3];
          w[k] = ((b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y)) / area;
        }
        if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
        const double z = w[0] * s[0].z + w[1] * s[1].z + w[2] * s[2].z;
        const size_t i = static_cast<size_t>(y) * canvas.w + x;
        if (z >= canvas.depth[i]) continue;
        canvas.depth[i] = z;
        const Vec3 normal = Normalize(n[0] * w[0] + n[1] * w[1] + n[2] * w[2]);
        const double u = w[0] * t.c[0].u + w[1] * t.c[1].u + w[2] * t.c[2].u;
        const double v = w[0] * t.c[0].v + w[1] * t.c[1].v + w[2] * t.c[2].v;
        const double shade = 0.3 + 0.7 * std::max(0.0, Dot(normal, light));
        canvas.rgb[i] = tex.Sample(u, v) * shade;
      }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <content folder> <out.ppm>\n", argv[0]);
    return 2;
  }
  try {
    const fs::path folder = fs::path(argv[1]) / "Model" / "SMD" / "Vekku_Red";
    const SmdFile ref = ReadSmd(folder / "Ref_Red.smd");
    std::map<std::string, Texture> textures;
    for (const Triangle& t : ref.triangles)
      if (!textures.count(t.material)) textures[t.material] = ReadBmp(folder / t.material);
    const std::vector<Mat4> bind = Combined(ref, ref.frames.at(0));
    std::vector<Mat4> unbind;
    for (const Mat4& m : bind) unbind.push_back(RigidInverse(m));

    struct Panel {
      std::string clip;
      int frame;
      double yaw, pitch;
    };
    const std::vector<Panel> panels = {
        {"", 0, 0, 0},          {"", 0, 90, 0},         {"", 0, 35, 15},        {"", 0, 180, 0},
        {"Run", 0, 60, 10},     {"Run", 6, 60, 10},     {"Attack", 0, 30, 10},  {"Attack", 6, 30, 10},
        {"Attack", 12, 30, 10}, {"Attack", 16, 30, 10}, {"Attack", 20, 30, 10}, {"Attack", 23, 30, 10},
        {"Attack", 25, 30, 10}, {"Attack", 29, 30, 10}, {"Attack", 33, 30, 10}, {"Attack", 39, 30, 10},
        {"Run", 12, 60, 10},    {"Run", 18, 60, 10},    {"Stun", 0, 30, 10},    {"Stun", 6, 30, 10},
        {"Stun", 12, 30, 10},   {"Stun", 18, 30, 10},   {"Stun", 27, 30, 10},   {"Stun", 33, 30, 10}};
    const int columns = 6, rows = static_cast<int>((panels.size() + columns - 1) / columns);
    Canvas canvas(columns * kCell, rows * kCell);
    std::map<std::string, SmdFile> clips;
    for (size_t i = 0; i < panels.size(); ++i) {
      const Panel& p = panels[i];
      std::vector<Mat4> skin = bind;
      if (!p.clip.empty()) {
        if (!clips.count(p.clip)) clips[p.clip] = ReadSmd(folder / ("Ani_Red(" + p.clip + ").smd"));
        skin = Combined(ref, clips[p.clip].frames.at(p.frame));
      }
      for (size_t b = 0; b < skin.size(); ++b) skin[b] = unbind[b] * skin[b];
      Draw(canvas, ref, textures, skin,
           {p.yaw, p.pitch, static_cast<int>(i % columns) * kCell, static_cast<int>(i / columns) * kCell});
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << "P6\n" << canvas.w << ' ' << canvas.h << "\n255\n";
    for (const Vec3& c : canvas.rgb)
      for (double v : {c.x, c.y, c.z}) out.put(static_cast<char>(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "contentpreview: %s\n", e.what());
    return 1;
  }
  return 0;
}
