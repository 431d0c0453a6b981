// The character the program shows: its files (the default character's, or the user's own given
// on the command line), how it is skinned and which clip plays, and the start camera that frames
// a character of any size.
#pragma once

#include <string>
#include <vector>

#include "gfx/d3d9.h"
#include "model/skinned_model.h"

struct SmdMesh;
class RenderContext;

struct CharacterFiles {
  // Empty: the default character's reference file, and its three clips unless `animations` names
  // others. Paths as the system spells them (relative to the working folder, or absolute).
  std::string reference;
  std::vector<std::string> animations;
  int clip = 0;
  // Skin with the weighted links of the vertex lines instead of the parent column alone.
  bool links = false;
  // With `reference`: place the start camera and the light around the character.
  bool frame = true;
  // Which texture coordinates the hatching follows (--strokes): the file's uv, or the stroke
  // field of the character's form; kChosen leaves it to StrokesFollowForm.
  enum class Strokes { kChosen, kUv, kForm } strokes = Strokes::kChosen;
  // The reference and animation paths as the user typed them, for messages, where they were
  // made absolute for the program to move into its content folder; empty otherwise.
  std::string typedReference;
  std::vector<std::string> typedAnimations;
};

// A clip file LoadCharacter read: its path as shown to the user and the clip slot it went into
// (-1 when it was refused).
struct LoadedClip {
  std::string path;
  int slot = -1;
};

// What LoadCharacter read: why the reference was refused (result kSmdRead when it was not), and
// one entry per clip file in order.
struct LoadReport {
  SmdDiagnostic reference;
  std::vector<LoadedClip> clips;
};

// Loads the reference file and the clips into `model` as the loaders do (each refusal shows its
// own box), then prints one line on standard error for each material texture that is missing or
// cannot be read. `report`, when given, says what was read.
void LoadCharacter(const CharacterFiles& files, IDirect3DDevice9* device, SkinnedModel* model,
                   LoadReport* report = nullptr);

// The clip UpdateAndDraw plays: `files.clip`, or none (-1, the bind pose) where that clip has no
// key frames to play (it was refused, or none was loaded).
int ClipToPlay(const CharacterFiles& files, const SkinnedModel& model);

// Whether the hatching follows the form: asked for with --strokes, else whenever the user names a
// character of their own (the default character keeps its file's uv).
bool StrokesFollowForm(const CharacterFiles& files);

// Replaces the texture coordinates of the character's meshes with its stroke field, scaled by the
// framing's scale so that strokes keep their spacing on the screen.
void ApplyStrokeField(SkinnedModel* model, float scale);

// Model-space bounds of the first mesh in its bind pose; false for a mesh without corners.
bool BindPoseBounds(const SmdMesh& mesh, D3DXVECTOR3* low, D3DXVECTOR3* high);

// Turns the character upright (its up axis decided from its skeleton, see viewer_up_axis.h), then
// puts the camera in front of it, looking at it level from far enough that its bind pose fills
// most of the window, and the light in front of it, up and to the right, as the default set-up
// lights the default character.
void FrameCharacter(const SkinnedModel& model, RenderContext* context);
