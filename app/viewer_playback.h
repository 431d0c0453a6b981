// The viewer's playback clock: where a clip stands, in key frames, how fast it plays and whether
// it is paused, and posing a clip at a fractional key frame.
#pragma once

struct AnimationClip;

struct PlaybackClock {
  // Key frames from the clip's first, in [0, frameCount).
  double keyFrame = 0;
  // Times the clip's own rate: 1/64 to 64, doubled and halved by + and -.
  double speed = 1;
  bool paused = false;
  int keyFramesPerSecond = 30;

  // Moves on by `seconds` of playing, wrapping round the clip's `frameCount` key frames; nothing
  // while paused or for a clip without key frames.
  void Advance(double seconds, int frameCount);
  // One key frame on (+1) or back (-1) from the key frame shown, wrapping round.
  void Step(int direction, int frameCount);
  void Faster();
  void Slower();
  // Back to the clip's first key frame, keeping speed and pause.
  void Rewind() { keyFrame = 0; }
};

// Sets the clip's cursor so that playback blends key frame floor(keyFrame) into the next one
// (the first after the last) by the fraction; playback's own step is then 0.
void PoseClipAt(AnimationClip* clip, double keyFrame);
