// The imp-warrior: a stocky red body with leather armour, curled horns, pointed ears, a
// spade-tipped tail and a curved blade in the right hand. Proportions put the feet on z = 0
// and the horn tips near z = 100; each part is one loft, ellipsoid or ring.
#include "character_model.h"

#include <algorithm>

#include "skeleton.h"

namespace contentgen {
namespace {

Vec3 Mirror(Vec3 p) {
  return {-p.x, p.y, p.z};
}
Vec3 Joint(int bone) {
  return CharacterBones()[bone].joint;
}

// A straight limb segment from joint a to joint b, pushed a little past both so neighbouring
// parts overlap at the joint and no gap opens when it bends.
LoftShape Limb(Vec3 a, Vec3 b, std::vector<double> width, int rings, int sides, double overlap = 0.6) {
  const Vec3 dir = Normalize(b - a);
  LoftShape s;
  s.axis = {a - dir * (width.front() * overlap), b + dir * (width.back() * overlap)};
  s.width = std::move(width);
  s.bluntness = 0.5;
  s.rings = rings;
  s.sides = sides;
  s.depth_hint = Normalize(Cross(dir, {1, 0, 0.1}));
  return s;
}

// A tapered, possibly curved spike (horn, claw, fang) from base to tip.
LoftShape Spike(std::vector<Vec3> path, double base_radius, int rings = 8, int sides = 10) {
  LoftShape s;
  s.axis = std::move(path);
  s.width = {base_radius, base_radius * 0.8, base_radius * 0.5, base_radius * 0.2};
  s.bluntness = 0.4;
  s.rings = rings;
  s.sides = sides;
  const Vec3 dir = s.axis.back() - s.axis.front();
  s.depth_hint = Normalize(Cross(dir, std::abs(dir.x) > 0.9 * Length(dir) ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
  return s;
}

void AddTorso(Mesh& m) {
  AddEllipsoid(m, {0, 0.5, 49}, {11, 8.5, 7}, kPelvis, kSkin, 12, 20);
  AddRing(m, {0, 0.3, 53.5}, 11.0, 8.6, 1.6, kPelvis, kArmour, 32, 6);
  AddEllipsoid(m, {0, -9.4, 53.5}, {2.6, 1.2, 2.2}, kPelvis, kHorn, 8, 12);  // bone buckle
  for (double side : {-1.0, 1.0}) {  // loincloth flaps, front and back
    LoftShape flap;
    flap.axis = {{0, 8.8 * side, 53}, {0, 9.6 * side, 45}, {0, 10.5 * side, 37}};
    flap.width = {6.0, 6.5, 7.0, 5.0};
    flap.depth = {0.9};
    flap.depth_hint = {0, 1, 0};
    flap.bluntness = 0.25;
    flap.rings = 10;
    flap.sides = 10;
    AddLoft(m, flap, kPelvis, kArmour);
  }
  AddEllipsoid(m, {0, 0.5, 58.5}, {10, 7.5, 7.5}, kSpine, kSkin, 12, 20);
  AddEllipsoid(m, {0, 0.5, 68.5}, {13, 9, 10.5}, kChest, kSkin, 16, 24);
  AddEllipsoid(m, {0, -3.8, 69.5}, {11.5, 6.2, 8.5}, kChest, kArmour, 12, 20);  // breastplate
  for (int i = 0; i < 3; ++i) {                                                 // spines down the back
    const Vec3 base{0, 7.5 - i * 0.4, 75.0 - i * 5.5};
    AddLoft(m, Spike({base, base + Vec3{0, 4.5, 2.5}}, 1.6, 6, 10), kChest, kHorn);
  }
}

void AddHead(Mesh& m) {
  LoftShape neck = Limb({0, 0, 75}, Joint(kHead), {5.0, 4.4}, 8, 18);
  AddLoft(m, neck, kNeck, kSkin);
  AddEllipsoid(m, {0, -1.5, 90}, {7.5, 8, 7.8}, kHead, kSkin, 14, 22);     // cranium
  AddEllipsoid(m, {0, -8.5, 88}, {4.6, 5, 3.4}, kHead, kSkin, 12, 18);     // snout
  AddEllipsoid(m, {0, -7.2, 92}, {6.6, 2.4, 1.8}, kHead, kSkin, 10, 18);   // brow ridge
  AddEllipsoid(m, {0, -7.8, 83.5}, {4.2, 5.2, 1.9}, kJaw, kSkin, 10, 18);  // lower jaw
  for (Vec3 side : {Vec3{1, 1, 1}, Vec3{-1, 1, 1}}) {
    auto s = [&](Vec3 p) { return Vec3{p.x * side.x, p.y, p.z}; };
    AddEllipsoid(m, s({3.1, -8.9, 90.6}), {1.5, 1.0, 1.1}, kHead, kHorn, 8, 12);  // eyes
    AddLoft(m, Spike({s({2.1, -12.0, 86.0}), s({2.2, -12.4, 83.4})}, 0.8, 5, 8), kHead, kHorn);
    AddLoft(m, Spike({s({2.6, -11.2, 84.5}), s({2.7, -11.6, 86.6})}, 0.7, 5, 8), kJaw, kHorn);
    LoftShape ear = Spike({s({6.4, -1, 90}), s({10, 0, 92}), s({13, 1.5, 94.5})}, 2.4, 8, 12);
    ear.depth_hint = {0, 1, 0};
    ear.depth = {0.7};
    AddLoft(m, ear, kHead, kSkin);
    LoftShape horn =
        Spike({s({3.8, -3.5, 95}), s({7, -2, 98.5}), s({10.5, 1.5, 100}), s({12.5, 5.5, 98.8})}, 2.3, 12, 10);
    AddLoft(m, horn, kHead, kHorn);
  }
}

void AddArm(Mesh& m, bool right) {
  auto side = [&](Vec3 p) { return right ? p : Mirror(p); };
  const int clavicle = right ? kClavicleR : kClavicleL, upper = right ? kUpperArmR : kUpperArmL;
  const int fore = right ? kForearmR : kForearmL, hand = right ? kHandR : kHandL;
  AddEllipsoid(m, side({9.5, 1, 75}), {5.5, 5, 4.5}, clavicle, kSkin, 10, 16);
  AddLoft(m, Limb(Joint(upper), Joint(fore), {4.7, 3.8}, 10, 16), upper, kSkin);
  AddLoft(m, Limb(Joint(fore), Joint(hand), {4.0, 2.9}, 10, 16), fore, kSkin);
  // Leather bracer over the lower forearm.
  const Vec3 e = Joint(fore), w = Joint(hand);
  AddLoft(m, Limb(Lerp(e, w, 0.45), Lerp(e, w, 0.92), {4.2, 3.5}, 6, 16, 0.1), fore, kArmour);
  if (right) {
    AddEllipsoid(m, side({22.5, -1.5, 39.5}), {3.2, 3.6, 3.6}, hand, kSkin, 10, 16);  // fist on the grip
  } else {
    AddEllipsoid(m, side({22.3, -0.5, 39.5}), {2.4, 3.0, 3.8}, hand, kSkin, 10, 16);  // open claw
    for (int f = -1; f <= 1; ++f) {
      const Vec3 base = side({22.6, -1.5 + f * 1.6, 36.8});
      AddLoft(m, Spike({base, base + side({0.8, -1.2, -2.6}), base + side({0.6, -2.8, -4.2})}, 0.8, 6, 8),
              hand, kHorn);
    }
  }
  if (!right) {  // one pauldron, on the shield side, with two spikes
    AddEllipsoid(m, side({14, 1, 76.5}), {6, 6.5, 4}, upper, kArmour, 12, 20);
    for (double dy : {-2.0, 2.5})
      AddLoft(m, Spike({side({15, 1 + dy, 79.5}), side({17, 1.5 + dy, 84})}, 1.2, 5, 8), upper, kHorn);
  }
}

void AddLeg(Mesh& m, bool right) {
  auto side = [&](Vec3 p) { return right ? p : Mirror(p); };
  const int thigh = right ? kThighR : kThighL, shin = right ? kShinR : kShinL;
  const int foot = right ? kFootR : kFootL, toe = right ? kToeR : kToeL;
  AddLoft(m, Limb(Joint(thigh), Joint(shin), {6.0, 4.4}, 10, 18), thigh, kSkin);
  AddLoft(m, Limb(Joint(shin), Joint(foot), {4.5, 2.9}, 10, 16), shin, kSkin);
  AddEllipsoid(m, side({9, -4.2, 27}), {3.2, 1.8, 3.4}, shin, kArmour, 8, 14);  // knee guard
  AddEllipsoid(m, side({9.7, -1.5, 3.2}), {3.8, 7.2, 3.2}, foot, kSkin, 10, 16);
  for (int c = -1; c <= 1; ++c) {
    const Vec3 base = side({10 + c * 2.2, -7.5, 2.4});
    AddLoft(m,
            Spike({base, base + side({c * 0.6, -3.0, -0.6}), base + side({c * 0.8, -5.0, -1.6})}, 1.1, 6, 8),
            toe, kHorn);
  }
}

void AddTail(Mesh& m) {
  const int bones[] = {kTail1, kTail2, kTail3, kTail4};
  const double radius[] = {3.6, 2.9, 2.2, 1.6, 1.1};
  const Vec3 end{0, 41, 40};
  for (int i = 0; i < 4; ++i) {
    const Vec3 a = Joint(bones[i]), b = i < 3 ? Joint(bones[i + 1]) : end;
    AddLoft(m, Limb(a, b, {radius[i], radius[i + 1]}, 10, 14, 0.8), bones[i], kSkin);
  }
  LoftShape spade;
  spade.axis = {{0, 39.5, 39}, {0, 44, 42}, {0, 48, 45.5}};
  spade.width = {0.6, 3.6, 4.2, 2.8, 0.0};
  spade.depth = {0.8, 0.9, 0.7, 0.4, 0.1};
  spade.depth_hint = {1, 0, 0};
  spade.bluntness = 0.6;
  spade.rings = 12;
  spade.sides = 12;
  AddLoft(m, spade, kTail4, kHorn);
}

// The blade hangs from the right fist, pointing forward, outward and down.
void AddBlade(Mesh& m) {
  const Vec3 grip = Joint(kBlade);
  const Vec3 dir = Normalize({0.35, -0.75, -0.55});
  const Vec3 flat = Normalize(Cross(dir, {0, 0, 1}));  // the blade's faces look along this
  const Vec3 edge = Cross(flat, dir);                  // the cutting edge side
  AddLoft(m, Limb(grip - dir * 4.5, grip + dir * 4.0, {1.1, 1.2}, 6, 12, 0.4), kBlade, kArmour);  // hilt
  AddEllipsoid(m, grip - dir * 5.5, {1.6, 1.6, 1.6}, kBlade, kHorn, 8, 12);                       // pommel
  LoftShape guard;
  guard.axis = {grip + dir * 4.5 - edge * 4.5, grip + dir * 4.2, grip + dir * 4.5 + edge * 4.5};
  guard.width = {1.0};
  guard.depth_hint = dir;
  guard.bluntness = 0.6;
  guard.rings = 10;
  guard.sides = 10;
  AddLoft(m, guard, kBlade, kHorn);
  LoftShape blade;
  blade.axis = {grip + dir * 4.5, grip + dir * 16 + edge * 0.6, grip + dir * 28 + edge * 0.2,
                grip + dir * 40 - edge * 2.5};
  blade.width = {2.4, 2.8, 3.2, 3.5, 3.2, 2.0, 0.0};
  blade.depth = {0.5, 0.45, 0.4, 0.35, 0.3, 0.2, 0.0};
  blade.depth_hint = flat;
  blade.bluntness = 0.25;
  blade.rings = 24;
  blade.sides = 12;
  AddLoft(m, blade, kBlade, kSteel);
}

}  // namespace

const char* MaterialFileName(int material) {
  static const char* const names[kMaterialCount] = {"Red_Skin.bmp", "Red_Armour.bmp", "Red_Horn.bmp",
                                                    "Red_Blade.bmp"};
  return names[material];
}

Mesh BuildCharacterMesh() {
  Mesh m;
  for (int i = 0; i < kMaterialCount; ++i) m.materials.emplace_back(MaterialFileName(i));
  AddTorso(m);
  AddHead(m);
  AddArm(m, false);
  AddArm(m, true);
  AddLeg(m, false);
  AddLeg(m, true);
  AddTail(m);
  AddBlade(m);
  // The viewer starts a new subset (and draw call) whenever the material changes.
  std::stable_sort(m.triangles.begin(), m.triangles.end(),
                   [](const MeshTriangle& a, const MeshTriangle& b) { return a.material < b.material; });
  return m;
}

}  // namespace contentgen
