// The viewer mode's pieces without a window: sorting named files, the playback clock, the up
// axis, framing every pose of a clip, and the faults the mode's users met (texture paths, long
// paths, picture headers that claim too much, empty recordings, a refused clip).
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/character.h"
#include "app/video/video_file.h"
#include "app/viewer_files.h"
#include "app/viewer_framing.h"
#include "app/viewer_playback.h"
#include "app/viewer_up_axis.h"
#include "app/viewer_watch.h"
#include "base/path_case.h"
#include "gfx/picture_decoders.h"
#include "smd_test_files.h"

namespace {

using namespace smdtest;
namespace fs = std::filesystem;

// A box `size` (x, y, z) whose lowest corner is `low`, on bone 0 ("root"), with bone 1 named
// `footName` at the box's bottom centre along `upAxis` (1: y, 2: z).
std::string BoxReference(const float low[3], const float size[3], const char* footName = "pelvis",
                         int upAxis = 2) {
  float foot[3] = {low[0] + size[0] / 2, low[1] + size[1] / 2, low[2] + size[2] / 2};
  foot[upAxis] = low[upAxis];
  std::string text = "version 1\nnodes\n0 \"root\" -1\n1 \"" + std::string(footName) +
                     "\" 0\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\n1 " + std::to_string(foot[0]) + " " +
                     std::to_string(foot[1]) + " " + std::to_string(foot[2]) + " 0 0 0\nend\ntriangles\n";
  // Two triangles a face, each corner on bone 0.
  static const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  const auto corner = [&](int c) {
    return "0 " + std::to_string(low[0] + (c & 1) * size[0]) + " " +
           std::to_string(low[1] + ((c >> 1) & 1) * size[1]) + " " +
           std::to_string(low[2] + ((c >> 2) & 1) * size[2]) + " 0 0 1 0 0\n";
  };
  for (const auto& f : faces)
    for (const int* t : {f, f + 1}) text += "m.bmp\n" + corner(f[0]) + corner(t[1]) + corner(t[2]);
  return text + "end\n";
}

// `frames` key frames of the root moving from 0 to `move` (x, y, z).
std::string RootClip(int frames, float mx, float my, float mz) {
  std::string text = "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\n";
  for (int f = 0; f < frames; ++f) {
    const float t = frames > 1 ? static_cast<float>(f) / (frames - 1) : 0;
    text += "time " + std::to_string(f) + "\n0 " + std::to_string(mx * t) + " " + std::to_string(my * t) +
            " " + std::to_string(mz * t) + " 0 0 0\n";
  }
  return text + "end\n";
}

class ViewerTest : public ModelTest {};

TEST_F(ViewerTest, NamedFilesSortIntoOneReferenceAndClipsFoldersByNameIgnoringCase) {
  const float low[3] = {0, 0, 0}, size[3] = {10, 10, 10};
  TempFile reference(BoxReference(low, size), "Hero_Ref.SMD");
  reference.AddSibling("b_walk.smd", RootClip(2, 0, 1, 0));
  reference.AddSibling("C_run.smd", RootClip(2, 0, 1, 0));
  reference.AddSibling("a_idle.smd", RootClip(2, 0, 1, 0));
  reference.AddSibling("notes.txt");
  const std::string dir = reference.folder() + "/";
  CharacterFiles files;
  std::string error;
  ASSERT_TRUE(SortNamedFiles({dir + "C_run.smd", reference.path(), dir + "a_idle.smd"}, &files, &error))
      << error;
  EXPECT_EQ(files.reference, reference.path());
  EXPECT_EQ(files.animations, (std::vector<std::string>{dir + "C_run.smd", dir + "a_idle.smd"}))
      << "as given";
  ASSERT_TRUE(SortNamedFiles({reference.folder()}, &files, &error)) << error;
  EXPECT_EQ(files.animations,
            (std::vector<std::string>{dir + "a_idle.smd", dir + "b_walk.smd", dir + "C_run.smd"}));
  EXPECT_FALSE(SortNamedFiles({dir + "b_walk.smd"}, &files, &error));
  EXPECT_NE(error.find("none of the files"), std::string::npos) << error;
  EXPECT_FALSE(SortNamedFiles({reference.path(), reference.path()}, &files, &error));
  EXPECT_NE(error.find("2 of the files named hold triangles"), std::string::npos) << error;
  EXPECT_EQ(FindIgnoringCase(dir + "c_RUN.SMD"), dir + "C_run.smd");
  EXPECT_EQ(FindIgnoringCase(dir + "missing.smd"), "");
}

TEST(ViewerWatch, SeesASaveOnceAtMostOnceASecondAndWaitsForAFileThatIsGone) {
  TempFile file("one");
  FileWatch watch;
  watch.Watch({file.path()});
  EXPECT_FALSE(watch.Changed(5000)) << "the first poll notes the time";
  file.Write("two, longer");
  EXPECT_FALSE(watch.Changed(5500)) << "within the second";
  EXPECT_TRUE(watch.Changed(6000));
  EXPECT_FALSE(watch.Changed(7000));
  std::remove(file.path().c_str());
  EXPECT_FALSE(watch.Changed(8000)) << "a save in progress";
  file.Write("three");
  EXPECT_TRUE(watch.Changed(9000));
}

TEST(ViewerPlayback, PlaysAtTheClipsRateWrapsPausesStepsAndChangesSpeed) {
  PlaybackClock clock;
  for (int i = 0; i < 60; ++i) clock.Advance(1.0 / 60, 24);
  EXPECT_NEAR(clock.keyFrame, 6.0, 1e-9) << "30 key frames in a second, round a 24-frame clip";
  clock.paused = true;
  clock.Advance(1.0, 24);
  EXPECT_NEAR(clock.keyFrame, 6.0, 1e-9);
  clock.keyFrame = 6.5;
  clock.Step(-1, 24);
  EXPECT_EQ(clock.keyFrame, 6.0);
  clock.Step(-1, 24);
  clock.Step(-1, 24);
  clock.Step(-1, 24);
  EXPECT_EQ(clock.keyFrame, 3.0);
  clock.keyFrame = 23;
  clock.Step(1, 24);
  EXPECT_EQ(clock.keyFrame, 0.0);
  clock.paused = false;
  clock.Faster();
  clock.Advance(0.5, 24);
  EXPECT_NEAR(clock.keyFrame, 6.0, 1e-9) << "twice 15 key frames, round 24";
  for (int i = 0; i < 20; ++i) clock.Slower();
  EXPECT_EQ(clock.speed, 1.0 / 64);
  AnimationClip clip;
  ASSERT_TRUE(clip.AllocateFrames(24, 1));
  PoseClipAt(&clip, 23.25);
  EXPECT_EQ(clip.currentFrame, 23);
  EXPECT_EQ(clip.nextFrame, 0) << "the last key frame blends into the first";
  EXPECT_EQ(clip.blend, 0.25f);
}

TEST_F(ViewerTest, UpAxisComesFromTheFeetTheRootsWalkAndTheGroundBeforeTheExtents) {
  // z-up, standing on z = 0, longer along y than its height by a third: z-up all the same.
  const float zLow[3] = {-5, -40, 0}, zSize[3] = {10, 80, 60};
  ASSERT_EQ(ParseReferenceText(BoxReference(zLow, zSize)), kSmdRead);
  EXPECT_EQ(DecideUpAxis(*model, -1), UpAxis::kZ);
  // Standing on y = 0.
  const float yLow[3] = {-10, 0, -5}, ySize[3] = {20, 60, 10};
  model = std::make_unique<SkinnedModel>();
  ASSERT_EQ(ParseReferenceText(BoxReference(yLow, ySize)), kSmdRead);
  EXPECT_EQ(DecideUpAxis(*model, -1), UpAxis::kY);
  // Centred, taller along y than z, but its foot rests at the bottom of z.
  const float cLow[3] = {-5, -40, -30}, cSize[3] = {10, 80, 60};
  model = std::make_unique<SkinnedModel>();
  ASSERT_EQ(ParseReferenceText(BoxReference(cLow, cSize, "Bip01 L Foot", 2)), kSmdRead);
  EXPECT_EQ(DecideUpAxis(*model, -1), UpAxis::kZ);
  // Centred and nameless, walking along z: y-up.
  model = std::make_unique<SkinnedModel>();
  ASSERT_EQ(ParseReferenceText(BoxReference(cLow, cSize)), kSmdRead);
  ASSERT_EQ(ParseAnimationText(RootClip(8, 0, 0, 300)), kSmdRead);
  EXPECT_EQ(DecideUpAxis(*model, 0), UpAxis::kY);
}

// A z-up figure whose walk carries its root three heights forward: every key frame stays in the
// picture, below the overlay's band.
TEST_F(ViewerTest, FramingKeepsEveryPoseOfAWalkInThePictureAndClearOfTheOverlay) {
  const float low[3] = {-10, -5, 0}, size[3] = {20, 10, 60};
  ASSERT_EQ(ParseReferenceText(BoxReference(low, size)), kSmdRead);
  ASSERT_EQ(ParseAnimationText(RootClip(24, 0, -180, -37)), kSmdRead);
  FramingRequest request;
  D3DXMatrixPerspectiveFovLH(&request.projection, D3DX_PI / 4, 800.0f / 600, 1, 5000);
  request.clip = 0;
  request.topBand = 70;
  const Framing framing = FrameModel(*model, request);
  ASSERT_TRUE(framing.framed);
  EXPECT_EQ(framing.up, UpAxis::kZ);
  D3DXMATRIX world, view, product;
  framing.object.BuildWorldMatrix(&world);
  Camera camera = framing.camera;
  camera.BuildViewMatrix(&view);
  D3DXMatrixMultiply(&product, &world, &view);
  D3DXMatrixMultiply(&product, &product, &request.projection);
  float top = 600, bottom = 0;
  for (int f = 0; f < 24; ++f) {
    for (int c = 0; c < 8; ++c) {
      const D3DXVECTOR3 p(low[0] + (c & 1) * size[0], low[1] + ((c >> 1) & 1) * size[1] - 180.0f * f / 23,
                          low[2] + ((c >> 2) & 1) * size[2] - 37.0f * f / 23);
      D3DXVECTOR3 s;
      D3DXVec3TransformCoord(&s, &p, &product);
      EXPECT_LT(std::fabs(s.x), 1.0f) << f;
      const float y = (1 - s.y) * 300;
      EXPECT_GT(y, 70.0f) << "frame " << f << " reaches into the overlay";
      EXPECT_LT(y, 600.0f) << f;
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_GT(bottom - top, 300.0f) << "the clip fills most of the picture";
  const D3DXMATRIX box = BackdropAround(camera.position);
  EXPECT_EQ(box.m[3][2], camera.position.z);
  EXPECT_EQ(box.m[0][0], 10.0f) << "+-1000 units round the camera, inside the far plane";
}

TEST_F(ViewerTest, MendedFaultsTexturesLongPathsPicturesRecordingsAndRefusedClips) {
  // 1: every texture is tried, none named twice; a name in another letter case is found.
  const std::string folder = "/tmp/" + std::string(72, 'f');
  fs::create_directories(folder);
  std::ofstream(folder + "/ref.smd")
      << "version 1\ntriangles\nMissing.bmp\n0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 0 0\n"
         "0 0 0 1 0 0 1 0 0\nHero_Tex.BMP\n0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 0 0\n"
         "0 0 0 1 0 0 1 0 0\nend\n";
  std::ofstream(folder + "/hero_tex.bmp") << "x";
  CharacterFiles files;
  files.reference = folder + "/ref.smd";
  testing::internal::CaptureStderr();
  LoadCharacter(files, device, model.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "hatching: texture not found: " + folder + "/Missing.bmp\n");
  ASSERT_EQ(model->meshCount, 1) << "2: a 72-character folder";
  EXPECT_NE(model->meshes[0].textures[1], nullptr);
  EXPECT_EQ(model->meshes[0].texturePaths[1], folder + "/hero_tex.bmp");
  fs::remove_all(folder);
  // 5: a refused clip leaves the default character in its bind pose.
  EXPECT_EQ(ClipToPlay(CharacterFiles{}, SkinnedModel{}), -1);

  // 3: a 69-byte interlaced PNG claiming 8192 x 8192, and a cut progressive JPEG claiming as much,
  // are refused before their pictures are allocated.
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x20\0\0\0\x20\0\x08\x06\0\0\x01", 29);
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 12; i < png.size(); ++i) {
    crc ^= static_cast<uint8_t>(png[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc = ~crc;
  for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((crc >> shift) & 0xFF);
  png += std::string("\0\0\0\x0cIDAT", 8) + std::string(16, '\0') +
         std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  ASSERT_EQ(png.size(), 69u);
  const std::string jpeg(
      "\xff\xd8\xff\xc2\0\x11\x08\x20\0\x20\0\x03\x01\x11\0\x02\x11\x01\x03\x11\x01"
      "\xff\xda\0\x0c\x03\x01\0\x02\0\x03\0\0\0\0\0\0",
      37);
  const size_t before = mallinfo2().uordblks;
  ImageLevel level;
  std::string error;
  EXPECT_FALSE(
      DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), "big.png", &level, &error));
  EXPECT_NE(error.find("8192 x 8192 pixels cannot be held in 69 bytes"), std::string::npos) << error;
  EXPECT_FALSE(
      DecodeJpeg(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), "cut.jpg", &level, &error));
  EXPECT_NE(error.find("8192 x 8192 pixels cannot be held"), std::string::npos) << error;
  EXPECT_LT(mallinfo2().uordblks, before + (1u << 20));

  // 4 and 7: a recording without a frame leaves no file and fails; .GIF is a GIF.
  EXPECT_TRUE(VideoFile::IsGif("x.GIF"));
  const std::string video = (fs::temp_directory_path() / "hatching_empty_recording.GIF").string();
  VideoFile file;
  ASSERT_TRUE(file.Open(video, &error)) << error;
  EXPECT_FALSE(file.Close(&error));
  EXPECT_NE(error.find("no frame was rendered"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(video));
}

}  // namespace
