// The viewer's playback clock.
#include "app/viewer_playback.h"

#include <cmath>

#include "model/animation_clip.h"

namespace {

constexpr double kSlowest = 1.0 / 64;
constexpr double kFastest = 64;

double Wrapped(double keyFrame, int frameCount) {
  const double wrapped = std::fmod(keyFrame, frameCount);
  return wrapped < 0 ? wrapped + frameCount : wrapped;
}

}  // namespace

void PlaybackClock::Advance(double seconds, int frameCount) {
  if (paused || frameCount <= 0 || !(seconds > 0)) return;
  keyFrame = Wrapped(keyFrame + seconds * keyFramesPerSecond * speed, frameCount);
}

void PlaybackClock::Step(int direction, int frameCount) {
  if (frameCount <= 0) return;
  const double shown = std::floor(keyFrame);
  // Back from between two key frames lands on the earlier one first.
  const double target = direction < 0 && keyFrame > shown ? shown : shown + direction;
  keyFrame = Wrapped(target, frameCount);
}

void PlaybackClock::Faster() {
  if (speed < kFastest) speed *= 2;
}

void PlaybackClock::Slower() {
  if (speed > kSlowest) speed /= 2;
}

void PoseClipAt(AnimationClip* clip, double keyFrame) {
  if (!clip || clip->frameCount <= 0) return;
  const int count = clip->frameCount;
  const double at = Wrapped(keyFrame, count);
  int current = static_cast<int>(std::floor(at));
  if (current >= count) current = count - 1;
  clip->currentFrame = current;
  clip->nextFrame = current + 1 < count ? current + 1 : 0;
  clip->blend = static_cast<float>(at - current);
  // Rounding up to 1 would make playback move its cursor on by itself.
  if (clip->blend >= 1.0f) clip->blend = std::nextafter(1.0f, 0.0f);
}
