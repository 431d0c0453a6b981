// The bad-input matrix: generated broken and hostile files for every reader of outside bytes (the
// SMD loaders, the DDS reader and texture decoder, the effect front end), each row with the
// outcome it must have. A row never crashes, hangs or writes outside a table (the sanitizer
// build checks the last); a refusal carries its result code, the reason, and the file and line
// where one applies.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/platform.h"
#include "gfx/effect_source.h"
#include "gfx/recording/recorder.h"
#include "gfx/recording/recording_device.h"
#include "gfx/texture_image.h"
#include "model/skinned_model.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Files and the model under test.

std::string ReadData(const std::string& name) {
  std::ifstream in(std::string(HATCHING_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

// One scratch folder for the whole matrix; each row writes its file there.
class Scratch {
 public:
  Scratch() {
    char folder[] = "/tmp/bad_input_XXXXXX";
    if (!mkdtemp(folder)) ADD_FAILURE() << "mkdtemp failed";
    folder_ = folder;
  }
  ~Scratch() {
    for (const std::string& path : written_) std::remove(path.c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) rmdir(it->c_str());
    rmdir(folder_.c_str());
  }
  // Each write is a new file: rewriting one file may wait for the disk each time.
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + "/" + std::to_string(written_.size()) + "_" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      ADD_FAILURE() << "cannot write " << path;
      return path;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    written_.push_back(path);
    return path;
  }
  // A folder under the scratch folder, made one level at a time.
  std::string Folder(const std::string& relative) {
    std::string path = folder_;
    size_t start = 0;
    while (start < relative.size()) {
      size_t end = relative.find('/', start);
      if (end == std::string::npos) end = relative.size();
      path += "/" + relative.substr(start, end - start);
      if (mkdir(path.c_str(), 0755) == 0) folders_.push_back(path);
      start = end + 1;
    }
    return path;
  }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  std::vector<std::string> written_;
  std::vector<std::string> folders_;
};

std::vector<std::string> shownMessages;
int RecordMessage(HWND, const char* text, const char* caption, UINT) {
  shownMessages.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

class BadInputMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    UseRecordingBackend();
    Recording().logging = false;
    SetMessageBoxHandler(RecordMessage);
    device = new RecordingDevice();
  }
  void TearDown() override {
    SafeRelease(device);
    SetMessageBoxHandler(nullptr);
  }
  RecordingDevice* device = nullptr;
  Scratch scratch;
};

// ---------------------------------------------------------------------------------------------
// SMD rows.

enum class Load { kReference, kAnimation };

struct SmdRow {
  std::string name;
  Load load;
  std::string text;
  int result;               // SmdDiagnostic::result
  std::string reason = {};  // a part of SmdDiagnostic::reason; empty for a file that loads
  int line = -1;            // SmdDiagnostic::line; -1 for any
  // Checks of what a loaded file left in the model, for rows that load.
  std::function<void(const SkinnedModel&)> check = {};
};

// A model with two bones, a one-frame skeleton and one triangle; its lines are numbered 1 to 16.
const char kHeader[] = "version 1\n";
const char kNodes[] = "nodes\n0 \"root\" -1\n1 \"arm\" 0\nend\n";
const char kPose[] = "skeleton\ntime 0\n0 0 0 0 0 0 0\n1 1 0 0 0 0 0\nend\n";
const char kCorners[] = "0 0 0 0 0 0 1 0 0\n1 1 0 0 0 0 1 1 0\n0 0 1 0 0 0 1 0 1\n";
const char kFrames[] =
    "skeleton\ntime 0\n0 0 0 0 0 0 0\n1 1 0 0 0 0 0\ntime 1\n0 0 1 0 0 0 0\n1 1 1 0 0 0 0\nend\n";

std::string Triangles(const std::string& material = "skin.bmp") {
  return "triangles\n" + material + "\n" + kCorners + "end\n";
}
std::string Reference() {
  return kHeader + std::string(kNodes) + kPose + Triangles();
}
std::string Animation() {
  return kHeader + std::string(kNodes) + kFrames;
}

void RunSmdRow(const SmdRow& row, RecordingDevice* device, Scratch& scratch) {
  SCOPED_TRACE(row.name);
  const std::string path = scratch.Write("row.smd", row.text);
  auto model = std::make_unique<SkinnedModel>();
  const int objects = Recording().liveObjects;
  shownMessages.clear();
  const bool loaded = row.load == Load::kReference ? model->LoadReference(device, path.c_str())
                                                   : model->LoadAnimation(path.c_str());
  EXPECT_EQ(loaded, row.result == kSmdRead);
  EXPECT_EQ(model->diagnostic.result, row.result) << model->diagnostic.reason;
  if (!row.reason.empty()) {
    EXPECT_NE(std::string(model->diagnostic.reason).find(row.reason), std::string::npos)
        << "reason: " << model->diagnostic.reason;
  }
  if (row.line >= 0) {
    EXPECT_EQ(model->diagnostic.line, row.line) << model->diagnostic.reason;
  }
  // Every refusal shows one "Error" box; our own name the file, the line where there is one,
  // and why.
  ASSERT_EQ(shownMessages.size(), loaded ? 0u : 1u);
  if (!loaded && model->diagnostic.result == kSmdRefused) {
    const std::string where =
        model->diagnostic.line > 0 ? "(" + std::to_string(model->diagnostic.line) + ")" : "";
    EXPECT_EQ(shownMessages[0], "Error: " + path + where + ": " + model->diagnostic.reason);
  } else if (!loaded) {
    EXPECT_EQ(shownMessages[0].rfind("Error: ", 0), 0u);
  }
  EXPECT_EQ(row.load == Load::kReference ? model->meshCount : model->clipCount, loaded ? 1 : 0);
  if (loaded && row.check) row.check(*model);
  // Playback over whatever was read stays inside the tables.
  if (loaded) {
    const int frames = model->clips[0].frameCount;
    for (int i = 0; i < 3; ++i)
      model->UpdateAndDraw(device, D3DFILL_SOLID, 0, frames, 0.6f, frames > 0 ? 0 : -1, true);
  }
  model.reset();
  EXPECT_EQ(Recording().liveObjects, objects) << "every object the load made is released with the model";
}

// The first word of a line in lower case, as the loaders compare keywords.
std::string Keyword(const std::string& line) {
  size_t start = line.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return "";
  std::string word = line.substr(start, line.find_first_of(" \t\r\n", start) - start);
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

// Whether a block is open after the first `kept` lines of a well-formed file.
bool CutInsideBlock(const std::vector<std::string>& lines, size_t kept) {
  bool inside = false;
  for (size_t i = 0; i < kept; ++i) {
    const std::string word = Keyword(lines[i]);
    if (!inside && (word == "nodes" || word == "skeleton" || word == "triangles"))
      inside = true;
    else if (inside && word == "end")
      inside = false;
  }
  return inside;
}

std::vector<SmdRow> TruncationRows() {
  std::vector<SmdRow> rows;
  const std::pair<const char*, Load> fixtures[] = {{"smd_reference_basic.smd", Load::kReference},
                                                   {"smd_reference_exported.smd", Load::kReference},
                                                   {"smd_animation_basic.smd", Load::kAnimation}};
  for (const auto& [name, load] : fixtures) {
    const std::vector<std::string> lines = Lines(ReadData(name));
    EXPECT_GT(lines.size(), 10u) << name;
    std::string text;
    for (size_t kept = 0; kept <= lines.size(); ++kept) {
      const std::string rowName = std::string(name) + " cut after line " + std::to_string(kept);
      if (kept == 0) {
        rows.push_back({rowName, load, "", kSmdHeaderRefused, "version 1", 1});
      } else if (CutInsideBlock(lines, kept)) {
        rows.push_back({rowName, load, text, kSmdRefused, "ends inside", static_cast<int>(kept)});
        // The same cut in the middle of the last line, without its line end.
        const std::string& last = lines[kept - 1];
        if (last.size() > 4 && CutInsideBlock(lines, kept - 1))
          rows.push_back({rowName + " and halfway into it", load,
                          text.substr(0, text.size() - last.size() / 2), kSmdRefused, "ends inside",
                          static_cast<int>(kept)});
      } else {
        rows.push_back({rowName, load, text, kSmdRead});
      }
      if (kept < lines.size()) text += lines[kept];
    }
  }
  return rows;
}

std::vector<SmdRow> StructureRows() {
  const std::string lfHeader = kHeader;
  return {
      // Missing "end": at the end of the file each block kind is refused at its last line; in the
      // middle of a file the block runs on into the next one's lines.
      {"nodes without end", Load::kReference, lfHeader + "nodes\n0 \"root\" -1\n1 \"arm\" 0\n", kSmdRefused,
       "\"nodes\" block", 4},
      {"skeleton without end", Load::kReference, lfHeader + kNodes + "skeleton\ntime 0\n0 0 0 0 0 0 0\n",
       kSmdRefused, "\"skeleton\" block", 8},
      {"triangles without end", Load::kReference,
       lfHeader + kNodes + kPose + "triangles\nskin.bmp\n" + kCorners, kSmdRefused, "\"triangles\" block",
       15},
      {"animation nodes without end", Load::kAnimation, lfHeader + "nodes\n0 \"root\" -1\n", kSmdRefused,
       "\"nodes\" block", 3},
      {"animation skeleton without end", Load::kAnimation,
       lfHeader + kNodes + "skeleton\ntime 0\n0 0 0 0 0 0 0\n", kSmdRefused, "\"skeleton\" block", 8},
      {"nodes without end run into the skeleton", Load::kReference,
       lfHeader + "nodes\n0 \"root\" -1\n1 \"arm\" 0\n" + kPose + Triangles(), kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         EXPECT_EQ(m.meshes[0].boneCount, 6) << "two nodes and the four skeleton lines before its end";
         EXPECT_EQ(m.meshes[0].triangleCount, 1);
       }},
      // Counts that do not match: frames, triangles, pose lines against nodes.
      {"reference with two key frames", Load::kReference, lfHeader + kNodes + kFrames + Triangles(),
       kSmdWrongKind, "holds 2 frames", 0},
      {"animation holding two triangles", Load::kAnimation,
       lfHeader + kNodes + kFrames + "triangles\nm\n" + kCorners + "m\n" + kCorners + "end\n", kSmdWrongKind,
       "2 triangles", 0},
      {"triangle with two corners eats the end line", Load::kReference,
       lfHeader + kNodes + kPose + "triangles\nskin.bmp\n0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 1 0\nend\n",
       kSmdRefused, "\"triangles\" block", 15},
      {"more pose lines than nodes", Load::kReference,
       lfHeader + kNodes +
           "skeleton\ntime 0\n0 0 0 0 0 0 0\n1 1 0 0 0 0 0\n2 5 0 0 0 0 0\n3 5 0 0 0 0 0\nend\n" +
           Triangles(),
       kSmdRead, "", -1, [](const SkinnedModel& m) { EXPECT_EQ(m.meshes[0].boneCount, 2); }},
      {"animation frame numbered past the clip", Load::kAnimation,
       lfHeader + kNodes + "skeleton\ntime 0\n0 1 0 0 0 0 0\ntime 7\n0 9 0 0 0 0 0\nend\n", kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         ASSERT_EQ(m.clips[0].frameCount, 2);
         EXPECT_EQ(m.clips[0].frames[0][0].local.m[3][0], 1.0f);
         EXPECT_EQ(m.clips[0].frames[1][0].local.m[3][0], 0.0f) << "frame 7 does not exist";
       }},
      {"animation frame with fewer poses than nodes", Load::kAnimation,
       lfHeader + kNodes + "skeleton\ntime 0\n0 1 0 0 0 0 0\ntime 1\n1 2 0 0 0 0 0\n0 3 0 0 0 0 0\nend\n",
       kSmdRead, "", -1,
       [](const SkinnedModel& m) { EXPECT_EQ(m.clips[0].frames[1][1].local.m[3][0], 2.0f); }},
      // Indices out of range in node, pose and corner lines change nothing.
      {"node indices and parents outside the table", Load::kReference,
       lfHeader + "nodes\n0 \"root\" -1\n5 \"far\" 0\n-1 \"neg\" 0\n1 \"up\" 7\n1 \"low\" -2\nend\n" + kPose +
           Triangles(),
       kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         ASSERT_EQ(m.meshes[0].boneCount, 5);
         EXPECT_STREQ(m.meshes[0].bones[1].name, "");
         EXPECT_STREQ(m.meshes[0].bones[0].name, "root");
       }},
      {"pose indices outside the table", Load::kReference,
       lfHeader + kNodes + "skeleton\ntime 0\n2 9 9 9 0 0 0\n-1 9 9 9 0 0 0\n2147483647 9 0 0 0 0 0\nend\n" +
           Triangles(),
       kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         EXPECT_EQ(m.meshes[0].bones[0].combined.m[3][0], 0.0f);
         EXPECT_EQ(m.meshes[0].bones[1].combined.m[3][0], 0.0f);
       }},
      {"corner bones outside the table", Load::kReference,
       lfHeader + kNodes + kPose +
           "triangles\nskin.bmp\n9 1 2 3 0 0 1 0 0\n-4 1 2 3 0 0 1 0 0\n99999999999 1 2 3 0 0 1 0 0\nend\n",
       kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         EXPECT_EQ(m.meshes[0].triangles[0].corners[0].position.x, 1.0f) << "left in model space";
       }},
      {"animation indices outside the table", Load::kAnimation,
       lfHeader + "nodes\n0 \"root\" -1\n4 \"far\" 0\n0 \"x\" 7\nend\nskeleton\ntime 0\n3 1 1 1 0 0 0\n-2 1 "
                  "0 0 0 0 0\n"
                  "0 5 0 0 0 0 0\nend\n",
       kSmdRead, "", -1,
       [](const SkinnedModel& m) { EXPECT_EQ(m.clips[0].frames[0][0].local.m[3][0], 5.0f); }},
  };
}

std::vector<SmdRow> ByteRows() {
  const std::string tenMegabytes(10u << 20, 'x');
  std::string crlf = Reference();
  for (size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2))
    crlf.insert(at, "\r");
  std::string loneCr = Reference();
  for (char& c : loneCr)
    if (c == '\n') c = '\r';
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) >> 3));
  auto sameAsLf = [](const SkinnedModel& m) {
    ASSERT_EQ(m.meshes[0].boneCount, 2);
    EXPECT_STREQ(m.meshes[0].bones[1].name, "arm");
    ASSERT_EQ(m.meshes[0].triangleCount, 1);
    EXPECT_STREQ(m.materialNames[0], "skin.bmp");
    EXPECT_EQ(m.meshes[0].triangles[0].corners[2].position.y, 0.0f);
  };
  return {
      {"a 10 MB line between blocks", Load::kReference,
       kHeader + tenMegabytes + "\n" + kNodes + kPose + Triangles(), kSmdRead, "", -1, sameAsLf},
      {"a 10 MB node line", Load::kReference,
       kHeader + std::string("nodes\n0 \"") + tenMegabytes + "\" -1\nend\n", kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         EXPECT_EQ(m.meshes[0].boneCount, static_cast<int>((10u << 20) / (kSmdLineSize - 1) + 1))
             << "the line comes back in pieces of 255 characters, each a node line";
       }},
      {"a 10 MB first line", Load::kReference, "version 1 " + tenMegabytes + "\n" + kNodes, kSmdRead},
      // The name comes back in pieces of 255 characters; with the three corner lines they make
      // whole triangles of four lines each, so the block ends where it should.
      {"a 10 MB material name", Load::kReference,
       kHeader + std::string(kNodes) + kPose + Triangles(tenMegabytes), kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         const int pieces = static_cast<int>(((10u << 20) + 1 + kSmdLineSize - 2) / (kSmdLineSize - 1));
         ASSERT_EQ((pieces + 3) % 4, 0);
         EXPECT_EQ(m.meshes[0].triangleCount, (pieces + 3) / 4);
         EXPECT_EQ(m.materialCount, 1);
       }},
      {"a 10 MB line in an animation", Load::kAnimation, kHeader + tenMegabytes + "\n" + kNodes + kFrames,
       kSmdRead},
      {"NUL bytes in names and numbers", Load::kReference,
       kHeader + std::string("nodes\n0 \"ro\0ot\" -1\n1 \"arm\" 0\nend\n", 33) + kPose +
           std::string("triangles\nsk\0in.bmp\n0 0\0 0 0 0 0 1 0 0\n", 40) +
           "1 1 0 0 0 0 1 1 0\n0 0 1 0 0 0 1 0 1\nend\n",
       kSmdRead, "", -1,
       [](const SkinnedModel& m) {
         EXPECT_EQ(m.meshes[0].boneCount, 2);
         EXPECT_EQ(m.meshes[0].triangleCount, 1);
       }},
      {"only NUL bytes", Load::kReference, std::string(1000, '\0'), kSmdHeaderRefused, "version 1", 1},
      {"binary bytes", Load::kReference, binary, kSmdHeaderRefused, "version 1", 1},
      {"binary bytes after the header", Load::kAnimation, kHeader + binary, kSmdRead},
      {"binary bytes inside the nodes block", Load::kReference,
       kHeader + std::string("nodes\n") + binary + "\nend\n", kSmdRead},
      {"CRLF line ends read like LF", Load::kReference, crlf, kSmdRead, "", -1, sameAsLf},
      {"lone CR line ends make one line", Load::kReference, loneCr, kSmdRead, "", -1,
       [](const SkinnedModel& m) { EXPECT_EQ(m.meshes[0].boneCount, 0); }},
      {"a lone CR inside a node name", Load::kReference,
       kHeader + std::string("nodes\n0 \"ro\rot\" -1\n1 \"arm\" 0\nend\n") + kPose + Triangles(), kSmdRead,
       "", -1, [](const SkinnedModel& m) { EXPECT_EQ(m.meshes[0].boneCount, 2); }},
      {"not SMD", Load::kReference, "<html>\n", kSmdHeaderRefused, "version 1", 1},
      {"version 2", Load::kAnimation, "version 2\n" + std::string(kNodes), kSmdHeaderRefused, "version 1", 1},
  };
}

TEST_F(BadInputMatrix, SmdFixturesCutAtEveryLine) {
  const std::vector<SmdRow> rows = TruncationRows();
  EXPECT_GT(rows.size(), 60u);
  for (const SmdRow& row : rows) RunSmdRow(row, device, scratch);
}

TEST_F(BadInputMatrix, SmdBlocksCountsAndIndices) {
  for (const SmdRow& row : StructureRows()) RunSmdRow(row, device, scratch);
}

TEST_F(BadInputMatrix, SmdLongLinesAndOddBytes) {
  for (const SmdRow& row : ByteRows()) RunSmdRow(row, device, scratch);
}

TEST_F(BadInputMatrix, SmdPathsTablesAndNames) {
  // A path of 300 characters is opened whole, and one that long names no file here.
  const std::string longPath =
      scratch.folder() + "/" + std::string(300 - scratch.folder().size() - 5, 'p') + ".smd";
  ASSERT_EQ(longPath.size(), 300u);
  auto model = std::make_unique<SkinnedModel>();
  shownMessages.clear();
  EXPECT_FALSE(model->LoadReference(device, longPath.c_str()));
  EXPECT_EQ(model->diagnostic.result, -1);
  EXPECT_EQ(model->directory, scratch.folder() + "/");
  EXPECT_TRUE(shownMessages.empty());
  EXPECT_FALSE(model->LoadAnimation(longPath.c_str()));
  EXPECT_EQ(model->diagnostic.result, -1);
  EXPECT_STREQ(model->diagnostic.reason, "the file cannot be opened");

  // An animation 300 characters deep exists and loads: clips keep no path.
  const std::string deep =
      scratch.Folder(std::string(90, 'a') + "/" + std::string(90, 'b') + "/" + std::string(90, 'c'));
  const std::string deepPath = deep + "/" + std::string(300 - deep.size() - 5, 'q') + ".smd";
  ASSERT_EQ(deepPath.size(), 300u);
  {
    std::ofstream out(deepPath, std::ios::binary);
    out << Animation();
  }
  EXPECT_TRUE(model->LoadAnimation(deepPath.c_str())) << model->diagnostic.reason;
  std::remove(deepPath.c_str());

  // A 33rd mesh and a 33rd clip find every slot taken.
  const std::string reference = scratch.Write("slots.smd", Reference());
  const std::string animation = scratch.Write("slots_clip.smd", Animation());
  model = std::make_unique<SkinnedModel>();
  for (int i = 0; i < kSmdMaxMeshes; ++i) ASSERT_TRUE(model->LoadReference(device, reference.c_str()));
  for (int i = 0; i < kSmdMaxClips; ++i) ASSERT_TRUE(model->LoadAnimation(animation.c_str()));
  EXPECT_FALSE(model->LoadReference(device, reference.c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_STREQ(model->diagnostic.reason, "all 32 mesh slots are in use");
  EXPECT_FALSE(model->LoadAnimation(animation.c_str()));
  EXPECT_STREQ(model->diagnostic.reason, "all 32 clip slots are in use");
  EXPECT_EQ(model->meshCount, 32);
  EXPECT_EQ(model->clipCount, 32);

  // 129 materials: refused at the line of the 129th, never written past the table.
  std::string materials = kHeader + std::string(kNodes) + kPose + "triangles\n";
  for (int i = 0; i < 129; ++i) materials += "m" + std::to_string(i) + "\n" + kCorners;
  materials += "end\n";
  model = std::make_unique<SkinnedModel>();
  EXPECT_FALSE(model->LoadReference(device, scratch.Write("materials.smd", materials).c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_EQ(model->diagnostic.line, 11 + 128 * 4 + 1);
  EXPECT_NE(std::string(model->diagnostic.reason).find("more than 128 material"), std::string::npos);
  EXPECT_EQ(model->materialCount, 128);

  // A nodes block one line past the bone bound, and a triangles block one triangle past its
  // bound, both of blank lines: refused at the line that went past, nothing allocated.
  const std::string nodes = "version 1\nnodes\n" + std::string(kSmdMaxBones + 1, '\n') + "end\n";
  model = std::make_unique<SkinnedModel>();
  EXPECT_FALSE(model->LoadReference(device, scratch.Write("nodes.smd", nodes).c_str()));
  EXPECT_EQ(model->diagnostic.result, kSmdRefused);
  EXPECT_EQ(model->diagnostic.line, 2 + kSmdMaxBones + 1);
  EXPECT_STREQ(model->diagnostic.reason, "more than 65536 nodes in the \"nodes\" block");
  EXPECT_EQ(model->meshes[0].bones, nullptr);
  const std::string triangles = kHeader + std::string(kNodes) + kPose + "triangles\n" +
                                std::string(4 * (size_t{kSmdMaxTriangles} + 1), '\n') + "end\n";
  model = std::make_unique<SkinnedModel>();
  EXPECT_FALSE(model->LoadReference(device, scratch.Write("triangles.smd", triangles).c_str()));
  EXPECT_STREQ(model->diagnostic.reason, "more than 4194304 triangles in the \"triangles\" block");
  EXPECT_EQ(model->meshes[0].triangles, nullptr);

  // Folder and material name together over 79 characters: the texture counts as missing and
  // the cut path is never opened, even where a file of the cut name exists.
  const std::string folder = scratch.Folder("textures_" + std::string(20, 't'));
  const std::string material = std::string(79 - (folder.size() + 1) + 6, 'm') + ".bmp";
  ASSERT_GT(folder.size() + 1 + material.size(), 79u);
  const std::string cut = (folder + "/" + material).substr(0, 79);
  {
    std::ofstream(cut, std::ios::binary) << "x";
    std::ofstream(folder + "/" + material, std::ios::binary) << "x";
    std::ofstream(folder + "/short.bmp", std::ios::binary) << "x";
  }
  const std::string longMaterialPath = folder + "/model.smd";
  {
    std::ofstream(longMaterialPath, std::ios::binary)
        << kHeader << kNodes << kPose << "triangles\nshort.bmp\n"
        << kCorners << material << "\n"
        << kCorners << "end\n";
  }
  model = std::make_unique<SkinnedModel>();
  ASSERT_TRUE(model->LoadReference(device, longMaterialPath.c_str())) << model->diagnostic.reason;
  ASSERT_EQ(model->meshes[0].textureCount, 2);
  EXPECT_NE(model->meshes[0].textures[0], nullptr);
  EXPECT_NE(model->meshes[0].textures[1], nullptr);
  EXPECT_EQ(model->meshes[0].texturePaths[1], folder + "/" + material) << "the whole path, never the cut one";
  model.reset();
  for (const std::string& path : {cut, folder + "/" + material, folder + "/short.bmp", longMaterialPath})
    std::remove(path.c_str());
}

// ---------------------------------------------------------------------------------------------
// DDS rows.

struct Dds {
  uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000, width = 4, height = 4, depth = 0, mips = 0;
  uint32_t pfFlags = 0x40 | 0x1, fourCc = 0, bits = 32, masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
  uint32_t caps2 = 0, headerSize = 124, pfSize = 32;
  char magic[4] = {'D', 'D', 'S', ' '};
};

Dds Dxt1(uint32_t width, uint32_t height) {
  Dds d;
  d.width = width;
  d.height = height;
  d.pfFlags = 0x4;
  d.fourCc = 0x31545844;  // "DXT1"
  d.bits = 0;
  std::memset(d.masks, 0, sizeof d.masks);
  return d;
}
Dds WithMips(Dds d, uint32_t mips) {
  d.flags |= 0x20000;
  d.mips = mips;
  return d;
}
Dds Cube(Dds d, uint32_t faceBits = 0xFC00) {
  d.caps2 = 0x200 | faceBits;
  return d;
}

std::string Bytes(const Dds& d, size_t dataBytes) {
  std::string out(d.magic, 4);
  auto put = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(d.headerSize);
  put(d.flags);
  put(d.height);
  put(d.width);
  put(0);
  put(d.depth);
  put(d.mips);
  for (int i = 0; i < 11; ++i) put(0);
  put(d.pfSize);
  put(d.pfFlags);
  put(d.fourCc);
  put(d.bits);
  for (uint32_t mask : d.masks) put(mask);
  put(0x1000);
  put(d.caps2);
  put(0);
  put(0);
  put(0);
  for (size_t i = 0; i < dataBytes; ++i) out.push_back(static_cast<char>(i * 31));
  return out;
}

struct DdsRow {
  std::string name;
  std::string bytes;
  std::string error;  // what follows "row.dds: "; empty when the file is read
};

std::vector<DdsRow> DdsRows() {
  Dds badMagic;
  std::memcpy(badMagic.magic, "DDS_", 4);
  Dds badHeader;
  badHeader.headerSize = 128;
  Dds badPixelFormat;
  badPixelFormat.pfSize = 0;
  Dds zero;
  zero.width = 0;
  Dds huge;
  huge.width = huge.height = 0xFFFFFFFFu;
  Dds wide;
  wide.width = 16385;
  Dds volume;
  volume.flags |= 0x800000;
  volume.depth = 4;
  Dds bits16;
  bits16.bits = 16;
  Dds dx10 = Dxt1(4, 4);
  dx10.fourCc = 0x30315844;  // "DX10"
  Dds cubeRect = Cube(WithMips(Dds{}, 1));
  cubeRect.height = 2;
  // 16384 x 16384 with its whole chain, six faces: 8 GiB of texels that a 128-byte file claims.
  Dds claimsGigabytes = Cube(WithMips(Dds{}, 15));
  claimsGigabytes.width = claimsGigabytes.height = 16384;
  const size_t argb4x4Chain = (16 + 4 + 1) * 4;
  const std::string truncated = "file truncated: pixel data shorter than the header says";
  return {
      {"empty", "", "not a DDS file (bad magic)"},
      {"wrong magic", Bytes(badMagic, 64), "not a DDS file (bad magic)"},
      {"magic only", "DDS ", "file too short for a DDS header"},
      {"header cut short", Bytes(Dds{}, 0).substr(0, 100), "file too short for a DDS header"},
      {"header size not 124", Bytes(badHeader, 64), "header size is not 124"},
      {"pixel format size not 32", Bytes(badPixelFormat, 64), "pixel format size is not 32"},
      {"zero width", Bytes(zero, 64), "zero width or height"},
      {"sizes of 2^32 - 1", Bytes(huge, 64), "width or height larger than 16384"},
      {"width 16385", Bytes(wide, 64), "width or height larger than 16384"},
      {"mip count of 2^32 - 1", Bytes(WithMips(Dds{}, 0xFFFFFFFFu), 64),
       "more mip levels than the sizes allow"},
      {"mip count past 1x1", Bytes(WithMips(Dds{}, 4), 1024), "more mip levels than the sizes allow"},
      {"16384 squared cube claiming 8 GiB", Bytes(claimsGigabytes, 4096), truncated},
      {"16384 squared DXT1 in 128 bytes", Bytes(Dxt1(16384, 16384), 0), truncated},
      {"no pixel data", Bytes(Dds{}, 0), truncated},
      {"level 0 one byte short", Bytes(Dds{}, 63), truncated},
      {"mip chain missing its last level", Bytes(WithMips(Dds{}, 3), argb4x4Chain - 4), truncated},
      {"mip chain missing its last DXT1 block", Bytes(WithMips(Dxt1(8, 8), 4), 32 + 8 + 8 + 8 - 1),
       truncated},
      {"whole mip chain", Bytes(WithMips(Dds{}, 3), argb4x4Chain), ""},
      {"cube map with five face bits", Bytes(Cube(Dds{}, 0xFC00 & ~0x2000u), 6 * 64),
       "cube map without all six faces"},
      {"cube map with no face bits", Bytes(Cube(Dds{}, 0), 6 * 64), "cube map without all six faces"},
      {"cube map with data for five faces", Bytes(Cube(Dds{}), 5 * 64), truncated},
      {"cube map missing the last level of its last face",
       Bytes(Cube(WithMips(Dds{}, 3)), 6 * argb4x4Chain - 4), truncated},
      {"cube map of six whole faces", Bytes(Cube(WithMips(Dds{}, 3)), 6 * argb4x4Chain), ""},
      {"cube map faces not square", Bytes(cubeRect, 6 * 32), "cube map faces are not square"},
      {"volume texture", Bytes(volume, 4 * 64), "volume textures are not supported"},
      {"16-bit pixels", Bytes(bits16, 32), "unsupported pixel format"},
      {"DX10 header", Bytes(dx10, 64), "DX10 extended headers are not supported"},
  };
}

TEST_F(BadInputMatrix, DdsFiles) {
  for (const DdsRow& row : DdsRows()) {
    SCOPED_TRACE(row.name);
    const auto* bytes = reinterpret_cast<const uint8_t*>(row.bytes.data());
    TextureImage image;
    std::string error;
    const bool read = ReadDds(bytes, row.bytes.size(), "row.dds", &image, &error);
    EXPECT_EQ(read, row.error.empty()) << error;
    if (!row.error.empty()) {
      EXPECT_EQ(error.rfind("row.dds: " + row.error, 0), 0u) << error;
    }
    // The texture loader's path gives the same answer, and the same file read from disk too.
    TextureImage decoded;
    std::string decodeError;
    EXPECT_EQ(DecodeTextureImage(bytes, row.bytes.size(), "row.dds", &decoded, &decodeError), read);
    if (!row.bytes.empty() && row.bytes.compare(0, 4, "DDS ") == 0) {
      EXPECT_EQ(decodeError, error);
    }
    const std::string path = scratch.Write("row.dds", row.bytes);
    std::string loadError;
    EXPECT_EQ(LoadTextureImage(path.c_str(), &decoded, &loadError), read);
    if (!read) {
      EXPECT_EQ(loadError.rfind(path + ": ", 0), 0u) << loadError;
    }
  }
}

TEST_F(BadInputMatrix, PicturesThatAreNotPictures) {
  const std::pair<const char*, std::string> rows[] = {
      {"text", "hello\n"},
      {"PNG signature only", "\x89PNG\r\n\x1a\n"},
      {"BMP header only", "BM\x36\0\0\0\0\0\0\0\x36\0\0\0"},
      {"NUL bytes", std::string(64, '\0')},
  };
  for (const auto& [name, bytes] : rows) {
    SCOPED_TRACE(name);
    TextureImage image;
    std::string error;
    EXPECT_FALSE(DecodeTextureImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "row.img",
                                    &image, &error));
    EXPECT_EQ(error.rfind("row.img: ", 0), 0u) << error;
  }
  std::string error;
  TextureImage image;
  EXPECT_FALSE(LoadTextureImage((scratch.folder() + "/absent.bmp").c_str(), &image, &error));
  EXPECT_EQ(error, scratch.folder() + "/absent.bmp: cannot open file");
}

// Damaged and hostile pictures of each format: each is refused with what was wrong, at once, and
// without memory for the pixels it claims (the 16000 x 4000 claims would take 244 MiB).
std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Le(uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char(v >> (8 * i));
  return out;
}
std::string PngChunk(const char* kind, const std::string& body) {
  const std::string typed = kind + body;
  return Be32(body.size()) + typed +
         Be32(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size()));
}
// An RGBA PNG whose image data holds `rows` rows of `width` pixels.
std::string Png(uint32_t width, uint32_t height, char interlace, uint32_t rows) {
  std::string raw(size_t{rows} * (1 + width * 4), '\0'), packed(compressBound(raw.size()), '\0');
  uLongf length = packed.size();
  compress(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(raw.data()),
           raw.size());
  return "\x89PNG\r\n\x1a\n" +
         PngChunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\x06\0\0", 4) + interlace) +
         PngChunk("IDAT", packed.substr(0, length)) + PngChunk("IEND", "");
}
std::string Bmp24(uint32_t width, uint32_t height, size_t pixelBytes) {
  return "BM" + Le(54 + pixelBytes, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(width, 4) + Le(height, 4) +
         Le(1, 2) + Le(24, 2) + std::string(24, '\0') + std::string(pixelBytes, '\x40');
}
std::string Tga(int type, uint32_t width, uint32_t height, int bits, const std::string& map,
                const std::string& pixels) {
  const std::string mapSpec = map.empty() ? std::string(5, '\0') : Le(0, 2) + Le(map.size() / 3, 2) + "\x18";
  return std::string(1, '\0') + char(map.empty() ? 0 : 1) + char(type) + mapSpec + Le(0, 4) + Le(width, 2) +
         Le(height, 2) + char(bits) + '\x20' + map + pixels;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST_F(BadInputMatrix, HostilePictures) {
  const std::string png = Png(8, 8, 0, 8);
  std::string badCrc = png;
  badCrc[png.find("IEND") - 5] ^= 1;  // the last byte of the IDAT chunk's CRC
  const std::string dht = std::string("\0", 1) + std::string(16, '\x11') + std::string(272, '\x01');
  std::string rle;
  for (int i = 0; i < 40; ++i) rle += std::string("\x00\x10\x20\x30\x40", 5);  // one pixel a packet
  const std::pair<std::string, std::string> rows[] = {
      {Png(60000, 60000, 0, 1), "PNG: Invalid IHDR data (Image width exceeds user limit in IHDR)"},
      {Png(16000, 4000, 0, 1), "PNG: 16000 x 4000 pixels cannot be held in 142 bytes"},
      {Png(16000, 4000, 1, 1), "PNG: 16000 x 4000 pixels cannot be held in 142 bytes"},
      {png.substr(0, png.size() / 2), "PNG: file ends early"},
      {badCrc, "PNG: IDAT: CRC error"},
      {"\xFF\xD8\xFF\xC4" + Be32(2 + dht.size()).substr(2) + dht, "JPEG: Bogus Huffman table definition"},
      {Bmp24(64, 64, 32 * 192),
       "BMP: file too short for a 64x64 picture of 24 bits per pixel (6198 bytes, needs 12342)"},
      {Bmp24(2, 2, 16), ""},  // whole: decodes
      {Tga(2, 64, 64, 32, "", std::string(64 * 128, '\x10')), "TGA: file too short for a 64x64 picture"},
      {Tga(10, 64, 64, 32, "", rle), "TGA: file ends inside the pixel data (pixel 40 of 4096)"},
      {Tga(1, 2, 1, 8, "abcdef", "\x01\x07"), "TGA: colour index 7 past the 2-entry colour map"},
  };
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  for (const auto& [bytes, message] : rows) {
    SCOPED_TRACE(message);
    TextureImage image;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const bool decoded = DecodeTextureImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                            "row.img", &image, &error);
    // Decoding the claimed size from nothing took seconds; a refusal takes well under one.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(decoded, message.empty()) << error;
    if (!message.empty()) {
      EXPECT_EQ(error, "row.img: " + message);
    }
  }
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  // The address sanitizer keeps freed blocks in quarantine, so resident memory says nothing there.
  if (!kAddressSanitizer) {
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes";
  }
}

// ---------------------------------------------------------------------------------------------
// Effect rows.

struct EffectRow {
  std::string name;
  std::string text;
  std::string error;  // a part of what follows "row.fx(<line>): error: "; empty when the file parses
  int line = 0;
};

const char kShaders[] =
    "float4x4 World;\n"
    "float4 VS(float4 p : POSITION) : POSITION { return mul(p, World); }\n"
    "float4 PS() : COLOR { return 1; }\n";

std::string Technique(const std::string& passBody) {
  return kShaders + std::string("technique T\n{\n  pass P0\n  {\n") + passBody + "  }\n}\n";
}

const char kShaderStates[] =
    "    VertexShader = compile vs_2_0 VS();\n    PixelShader = compile ps_2_0 PS();\n";

std::vector<EffectRow> EffectRows() {
  const std::string megabyte(1u << 20, 'a');
  return {
      {"well formed", Technique(kShaderStates), ""},
      {"technique never closed",
       kShaders + std::string("technique T\n{\n  pass P0\n  {\n") + kShaderStates + "  }\n",
       "unbalanced '{' is never closed", 5},
      {"extra closing brace", Technique(kShaderStates) + "}\n", "unbalanced '}' without an opening '{'", 12},
      {"brace closes a parenthesis", "float4 PS( : COLOR }\n", "'}' does not close the '(' of line 1", 1},
      {"function never closed", "float4 PS() : COLOR {\n return 1;\n", "unbalanced '{' is never closed", 1},
      {"unknown state", Technique(std::string(kShaderStates) + "    FrobnicateMode = True;\n"),
       "FrobnicateMode", 10},
      {"unknown state value", Technique(std::string(kShaderStates) + "    CullMode = Sideways;\n"),
       "Sideways", 10},
      {"unknown sampler state",
       "texture T;\nsampler S = sampler_state { Texture = <T>; Wobble = Linear; };\n", "Wobble", 2},
      {"compile without a profile", Technique("    VertexShader = compile VS();\n"),
       "expected a vertex shader profile after 'compile', found 'VS'", 8},
      {"missing entry point is kept for the compiler to name",
       Technique("    VertexShader = compile vs_2_0 NoSuchVS();\n    PixelShader = compile ps_2_0 PS();\n"),
       ""},
      {"a 1 MB comment line", "// " + megabyte + "\n" + Technique(kShaderStates), ""},
      {"a 1 MB identifier", "float " + megabyte + ";\n" + Technique(kShaderStates), ""},
      {"a 1 MB string never closed", "string s = \"" + megabyte + "\n", "unterminated string", 1},
      {"a 1 MB line of open braces", std::string(1u << 20, '{') + "\n", "unbalanced '{' is never closed", 1},
      {"a 1 MB line of parentheses", std::string(1u << 19, '(') + std::string(1u << 19, ')') + "\n",
       "expected a declaration, found '('", 1},
      {"NUL bytes", std::string("float4 a;\0\0\nfloat4 b;\n", 22), "expected a declaration, found '\\x00'",
       1},
      {"comment never closed", kShaders + std::string("/* ") + megabyte, "unterminated comment", 4},
  };
}

TEST_F(BadInputMatrix, EffectFiles) {
  for (const EffectRow& row : EffectRows()) {
    SCOPED_TRACE(row.name);
    EffectSource source;
    std::string error;
    const bool parsed = ParseEffectSource(row.text.data(), row.text.size(), "row.fx", &source, &error);
    EXPECT_EQ(parsed, row.error.empty()) << error;
    if (row.error.empty()) {
      EXPECT_EQ(source.hlsl.size(), row.text.size());
      continue;
    }
    const std::string prefix = "row.fx(" + std::to_string(row.line) + "): error: ";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
  }
  EffectSource source;
  std::string error;
  const std::string text = Technique("    VertexShader = compile vs_2_0 NoSuchVS();\n");
  ASSERT_TRUE(ParseEffectSource(text.data(), text.size(), "row.fx", &source, &error)) << error;
  EXPECT_EQ(source.techniques[0].passes[0].vertexEntry, "NoSuchVS") << "the compiler names what is missing";
}

}  // namespace
