// The scene's single point light. It has the platform light record's layout and member names;
// only `Position` is read by the rest of the program.
#pragma once

#include "gfx/d3d9.h"

class Light {
 public:
  Light();
  // Stores the position and points `Direction` from it towards the origin.
  void SetPosition(float x, float y, float z);

  D3DLIGHTTYPE Type;
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Ambient;
  D3DVECTOR Position;
  D3DVECTOR Direction;
  float Range;
  float Falloff;
  float Attenuation0;
  float Attenuation1;
  float Attenuation2;
  float Theta;
  float Phi;
};
