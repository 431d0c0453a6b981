// Authoring of the imp's animations. Angles are degrees about the bone's parent axes
// (bind-pose frames are aligned with the model axes: x to the imp's right, y backwards,
// z up). Useful signs: +x tips the upper body and head forward but swings a hanging limb
// backwards; +y rolls the body towards -x (the imp's left) and lifts a left arm sideways;
// +z turns the facing towards the imp's right.
//
// The viewer blends model-space matrices element by element, so every clip is sampled
// densely enough that no bone turns more than a few degrees from one key frame to the next.
#include "animation_clips.h"

#include <cmath>

namespace contentgen {
namespace {

constexpr double kMaxStepDegrees = 14.0;

AnimationClip SampleClip(const char* name, int frame_count, auto pose_at) {
  AnimationClip clip{name, {}};
  for (int i = 0; i < frame_count; ++i) clip.frames.push_back(ToFrame(pose_at(i)));
  return clip;
}

// Knees a little bent, blade held out in front, tail low.
Pose ReadyStance() {
  Pose p;
  p.root_offset = {0, 0, -1.5};
  p.Set(kSpine, 4, 0, 0).Set(kChest, 4, 0, -6).Set(kHead, -6, 0, 4);
  p.Set(kUpperArmR, -20, -6, 0).Set(kForearmR, -35, 0, 0).Set(kHandR, 10, 0, 0);
  p.Set(kUpperArmL, -10, 12, 0).Set(kForearmL, -30, 0, 0);
  p.Set(kThighR, -12, -4, 0).Set(kShinR, 16, 0, 0).Set(kFootR, -4, 0, 0);
  p.Set(kThighL, 8, 4, 0).Set(kShinL, 14, 0, 0).Set(kFootL, -20, 0, 0);
  p.Set(kTail1, -10, 0, 0).Set(kTail2, -5, 0, 0).Set(kTail3, -5, 0, 0);
  return p;
}

// Blade lifted over the right shoulder, body coiled back and twisted to the right.
Pose WindUp() {
  Pose p = ReadyStance();
  p.root_offset = {0, 1.5, -1.0};
  p.Set(kSpine, -8, 0, 8).Set(kChest, -10, 4, 14).Set(kNeck, 4, 0, -6).Set(kHead, 6, 0, -10);
  p.Set(kClavicleR, 0, -10, 0).Set(kUpperArmR, -135, -50, 0).Set(kForearmR, -40, 0, 0).Set(kHandR, -25, 0, 0);
  p.Set(kUpperArmL, -55, 25, 0).Set(kForearmL, -45, 0, 0);
  p.Set(kJaw, 12, 0, 0);
  p.Set(kTail1, 5, 0, -15).Set(kTail2, 5, 0, -15).Set(kTail3, 5, 0, -10).Set(kTail4, 0, 0, -10);
  return p;
}

// End of the chop: lunging forward onto the right leg, blade level in front.
Pose Strike() {
  Pose p = ReadyStance();
  p.root_offset = {0, -5, -5};
  p.Set(kSpine, 16, 0, -6).Set(kChest, 14, -4, -16).Set(kNeck, -6, 0, 8).Set(kHead, -14, 0, 10);
  p.Set(kClavicleR, 0, 6, 0).Set(kUpperArmR, -55, 8, 0).Set(kForearmR, -10, 0, 0).Set(kHandR, 15, 0, 0);
  p.Set(kUpperArmL, 25, 20, 0).Set(kForearmL, -25, 0, 0);
  p.Set(kThighR, -45, -4, 0).Set(kShinR, 45, 0, 0).Set(kFootR, 5, 0, 0);
  p.Set(kThighL, 25, 6, 0).Set(kShinL, 30, 0, 0).Set(kFootL, -20, 0, 0);
  p.Set(kJaw, 22, 0, 0);
  p.Set(kTail1, -20, 0, 12).Set(kTail2, -12, 0, 14).Set(kTail3, -8, 0, 12).Set(kTail4, -5, 0, 10);
  return p;
}

Pose FollowThrough() {
  Pose p = Strike();
  p.Set(kUpperArmR, -35, 12, 0).Set(kForearmR, -5, 0, 0).Set(kHandR, 25, 0, 0);
  p.Set(kChest, 16, -5, -20);
  p.Set(kJaw, 14, 0, 0);
  return p;
}

}  // namespace

AnimationClip BuildAttackClip() {
  const int frames = 40;
  const std::vector<KeyPose> keys = {
      {0, ReadyStance()}, {12, WindUp()},        {16, WindUp()},
      {25, Strike()},     {29, FollowThrough()}, {36, ReadyStance() * 0.5 + FollowThrough() * 0.5}};
  AnimationClip clip = SampleClip("Attack", frames, [&](int i) { return SamplePeriodic(keys, frames, i); });
  CheckSmallSteps(clip, true, kMaxStepDegrees);
  return clip;
}

AnimationClip BuildRunClip() {
  const int frames = 24;
  AnimationClip clip = SampleClip("Run", frames, [&](int i) {
    const double phase = 2 * kPi * i / frames, s = std::sin(phase), c = std::cos(phase);
    Pose p;
    p.root_offset = {0, 0, -2.5 + 1.5 * std::cos(2 * phase)};
    p.Set(kPelvis, 0, 0, 8 * s).Set(kSpine, 12, 0, -4 * s).Set(kChest, 6, 0, -6 * s);
    p.Set(kNeck, -6, 0, 3 * s).Set(kHead, -10, 0, 2 * s);
    p.Set(kThighR, -8 - 38 * s, -3, 0).Set(kShinR, 38 + 30 * c, 0, 0).Set(kFootR, -10 + 12 * s, 0, 0);
    p.Set(kThighL, -8 + 38 * s, 3, 0).Set(kShinL, 38 - 30 * c, 0, 0).Set(kFootL, -10 - 12 * s, 0, 0);
    p.Set(kUpperArmR, -10 + 32 * s, -8, 0).Set(kForearmR, -55 - 10 * s, 0, 0).Set(kHandR, 10, 0, 0);
    p.Set(kUpperArmL, -10 - 32 * s, 8, 0).Set(kForearmL, -55 + 10 * s, 0, 0);
    p.Set(kJaw, 8 + 4 * std::cos(2 * phase), 0, 0);
    for (int k = 0; k < 4; ++k)
      p.Set(kTail1 + k, -6 + 4 * std::sin(2 * phase - k * 0.8), 0, 10 * std::sin(phase - 0.7 * (k + 1)));
    return p;
  });
  CheckSmallSteps(clip, true, kMaxStepDegrees);
  return clip;
}

AnimationClip BuildStunClip() {
  const int frames = 36;
  AnimationClip clip = SampleClip("Stun", frames, [&](int i) {
    const double t = static_cast<double>(i) / frames;
    // Hit hard at the start, reel with a fading wobble, steady again by the loop point.
    const double hit = t < 0.25 ? std::sin(4 * kPi * t) : 0.0;
    const double reel = std::pow(std::sin(kPi * t), 1.5);
    const double wobble = std::sin(2 * kPi * 2 * t) * reel;
    const double sway = std::sin(2 * kPi * t * 3) * reel;
    Pose p;
    p.root_offset = {3.0 * wobble, 3.5 * reel, -3.0 * reel};
    p.Set(kPelvis, -4 * reel, 6 * wobble, 0).Set(kSpine, -10 * reel, 4 * wobble, 5 * sway);
    p.Set(kChest, -8 * reel - 4 * hit, 8 * wobble, 6 * sway);
    p.Set(kNeck, -10 * reel, 6 * sway, 0).Set(kHead, -18 * reel + 10 * sway * reel, -12 * wobble, 10 * sway);
    p.Set(kJaw, 24 * reel, 0, 0);
    p.Set(kClavicleR, 0, -8 * reel, 0).Set(kClavicleL, 0, 8 * reel, 0);
    p.Set(kUpperArmR, -25 * reel + 15 * sway, -50 * reel, 0).Set(kForearmR, -40 * reel, 0, 0);
    p.Set(kHandR, 40 * reel, 0, 0);
    p.Set(kUpperArmL, -20 * reel - 15 * sway, 55 * reel, 0).Set(kForearmL, -50 * reel, 0, 0);
    p.Set(kThighR, -10 * reel + 8 * wobble, -6 * reel, 0)
        .Set(kShinR, 20 * reel, 0, 0)
        .Set(kFootR, -8 * reel, 0, 0);
    p.Set(kThighL, 6 * reel - 8 * wobble, 6 * reel, 0)
        .Set(kShinL, 18 * reel, 0, 0)
        .Set(kFootL, -8 * reel, 0, 0);
    for (int k = 0; k < 4; ++k)
      p.Set(kTail1 + k, -10 * reel, 0, 14 * std::sin(2 * kPi * t * 3 - k * 0.9) * reel);
    return p;
  });
  CheckSmallSteps(clip, true, kMaxStepDegrees);
  return clip;
}

}  // namespace contentgen
