// Bone table of the red imp: pelvis root, spine to head, two arms (the right one holds the
// blade), two legs with toes, and a four-bone tail. Left-side joints mirror the right ones.
#include "skeleton.h"

namespace contentgen {
namespace {

Vec3 Mirror(Vec3 p) {
  return {-p.x, p.y, p.z};
}

std::vector<Bone> MakeBones() {
  const Vec3 clavicle{3, 0.5, 76}, shoulder{13, 1, 75.5}, elbow{19, 2.5, 58.5}, wrist{22, 0, 43};
  const Vec3 hip{8, 0.5, 47}, knee{9, -1, 26}, ankle{9.5, 1.5, 6.5}, ball{10, -7.5, 3};
  std::vector<Bone> bones(kBoneCount);
  bones[kPelvis] = {"Pelvis", -1, {0, 0, 50}};
  bones[kSpine] = {"Spine", kPelvis, {0, 0.5, 57}};
  bones[kChest] = {"Chest", kSpine, {0, 0.5, 66}};
  bones[kNeck] = {"Neck", kChest, {0, -0.5, 79}};
  bones[kHead] = {"Head", kNeck, {0, -1.5, 84.5}};
  bones[kJaw] = {"Jaw", kHead, {0, -4, 85}};
  bones[kClavicleL] = {"Clavicle_L", kChest, Mirror(clavicle)};
  bones[kUpperArmL] = {"UpperArm_L", kClavicleL, Mirror(shoulder)};
  bones[kForearmL] = {"Forearm_L", kUpperArmL, Mirror(elbow)};
  bones[kHandL] = {"Hand_L", kForearmL, Mirror(wrist)};
  bones[kClavicleR] = {"Clavicle_R", kChest, clavicle};
  bones[kUpperArmR] = {"UpperArm_R", kClavicleR, shoulder};
  bones[kForearmR] = {"Forearm_R", kUpperArmR, elbow};
  bones[kHandR] = {"Hand_R", kForearmR, wrist};
  bones[kBlade] = {"Blade", kHandR, {22.5, -2, 38.5}};
  bones[kThighL] = {"Thigh_L", kPelvis, Mirror(hip)};
  bones[kShinL] = {"Shin_L", kThighL, Mirror(knee)};
  bones[kFootL] = {"Foot_L", kShinL, Mirror(ankle)};
  bones[kToeL] = {"Toe_L", kFootL, Mirror(ball)};
  bones[kThighR] = {"Thigh_R", kPelvis, hip};
  bones[kShinR] = {"Shin_R", kThighR, knee};
  bones[kFootR] = {"Foot_R", kShinR, ankle};
  bones[kToeR] = {"Toe_R", kFootR, ball};
  bones[kTail1] = {"Tail_1", kPelvis, {0, 7, 46}};
  bones[kTail2] = {"Tail_2", kTail1, {0, 15, 40}};
  bones[kTail3] = {"Tail_3", kTail2, {0, 24, 36.5}};
  bones[kTail4] = {"Tail_4", kTail3, {0, 33, 37}};
  return bones;
}

}  // namespace

const std::vector<Bone>& CharacterBones() {
  static const std::vector<Bone> bones = MakeBones();
  return bones;
}

Vec3 BindOffset(int bone) {
  const Bone& b = CharacterBones()[bone];
  return b.parent < 0 ? b.joint : b.joint - CharacterBones()[b.parent].joint;
}

}  // namespace contentgen
