// Framing a character: the turn that stands it upright, a scale into the depth range, and a
// camera and light in front of it that keep every pose of a clip in the picture, clear of a band
// at the top of the picture where the overlay's text lies. A plain function of the model and its
// clips, with no window.
#pragma once

#include "app/viewer_options.h"
#include "gfx/d3d9.h"
#include "scene/camera.h"
#include "scene/object_transform.h"

struct SkinnedModel;

struct FramingRequest {
  // The clip whose every key frame must stay in view; -1 (or a clip without key frames) frames
  // the bind pose.
  int clip = -1;
  UpAxis up = UpAxis::kDecide;
  // The projection the picture is drawn with, and its height in pixels.
  D3DXMATRIX projection = kIdentityMatrix;
  int pictureHeight = 600;
  // Pixels at the top of the picture the figure keeps clear of (the overlay's lines).
  int topBand = 0;
};

struct Framing {
  ObjectTransform object;
  // Position and axes; looking along +z, level.
  Camera camera;
  D3DXVECTOR3 light{0, 0, 0};
  UpAxis up = UpAxis::kZ;
  // World-space bounds of the framed poses.
  D3DXVECTOR3 low{0, 0, 0};
  D3DXVECTOR3 high{0, 0, 0};
  // False when the model has nothing to frame: the other fields are then the defaults.
  bool framed = false;
};

Framing FrameModel(const SkinnedModel& model, const FramingRequest& request);

// The backdrop box's world matrix for a camera at `eye`: the box (±100 units) scaled to ±1000 and
// centred on the camera, so that the camera is always inside it and its far corners stay inside
// the far plane whatever the character's size.
D3DXMATRIX BackdropAround(const D3DXVECTOR3& eye);
