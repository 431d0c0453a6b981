// Reference files read on two threads against one: the same bits in every corner and link, and
// the same refusals, on the test files (every size forced onto two threads) and on a generated
// file many times the reader's buffer with CR LF lines and a damaged vertex line.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/smd_load_threads.h"
#include "smd_test_files.h"

namespace smdtest {
namespace {

template <class T>
void Append(std::vector<unsigned char>& out, const T& value) {
  unsigned char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

// Every number the load leaves in the mesh, as bits, or the refusal and its line.
std::vector<unsigned char> Loaded(const std::string& path, int threads, bool links) {
  smd::UseLoadThreads(threads, 0);
  SetMessageBoxHandler(RecordMessage);
  SkinnedModel model;
  model.readLinks = links;
  std::vector<unsigned char> out;
  Append(out, model.LoadReference(nullptr, path.c_str()));
  smd::UseLoadThreads(2);
  SetMessageBoxHandler(nullptr);
  Append(out, model.diagnostic.line);
  out.insert(out.end(), model.diagnostic.reason,
             model.diagnostic.reason + std::strlen(model.diagnostic.reason));
  if (model.meshCount != 1) return out;
  const SmdMesh& mesh = model.meshes[0];
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const SmdTriangle& triangle = mesh.triangles[t];
    Append(out, triangle.material);
    for (int k = 0; k < 3; ++k) {
      const SkinVertex& c = triangle.corners[k];
      for (float f : {c.position.x, c.position.y, c.position.z, c.normal.x, c.normal.y, c.normal.z, c.u, c.v})
        Append(out, f);
      Append(out, triangle.bones[k]);
    }
  }
  for (int c = 0; mesh.links && c < mesh.links->cornerCount; ++c) {
    const SmdCornerLinks& l = mesh.links->corners[c];
    Append(out, l.count);
    for (int k = 0; k < l.count; ++k) Append(out, l.bones[k]), Append(out, l.weights[k]);
    for (float f : {l.position.x, l.position.y, l.position.z, l.normal.x, l.normal.y, l.normal.z})
      Append(out, f);
  }
  return out;
}

// `triangles` triangles in runs of three materials over four bones, one in 97 vertex lines with CR LF.
std::string LargeReference(int triangles) {
  std::mt19937 random(26);
  std::uniform_real_distribution<double> value(-40.0, 40.0);
  std::string text =
      "version 1\nnodes\n0 \"root\" -1\n1 \"a\" 0\n2 \"b\" 1\n3 \"c\" 0\nend\nskeleton\ntime 0\n"
      "0 0 0 0 0 0 0\n1 1 0 0 0.5 0 0\n2 0 2 0 0 0.25 0\n3 0 0 3 0 0 1\nend\ntriangles\n";
  for (int t = 0; t < triangles; ++t) {
    text += (t / 1000) % 3 == 0 ? "skin.bmp\n" : (t / 1000) % 3 == 1 ? "cloth.bmp\n" : "metal.bmp\n";
    for (int k = 0; k < 3; ++k) {
      const int line = 3 * t + k;
      char numbers[160];
      std::snprintf(numbers, sizeof numbers, "%d %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f 2 %d 0.25 %d 0.75",
                    line % 4, value(random), value(random), value(random), value(random), value(random),
                    value(random), value(random), value(random), (line + 1) % 4, (line + 2) % 4);
      text += numbers;
      text += line % 97 == 0 ? "\r\n" : "\n";
    }
  }
  return text + "end\n";
}

TEST(SmdTwoThreadLoading, TestFilesReadTheSameOnOneThreadAndTwo) {
  for (const char* name : {"smd_reference_basic.smd", "smd_animation_basic.smd"})
    for (bool links : {false, true}) {
      const std::string path = DataPath(name);
      EXPECT_EQ(Loaded(path, 1, links), Loaded(path, 2, links)) << name;
    }
}

TEST(SmdTwoThreadLoading, LargeFileReadsTheSameOnOneThreadAndTwo) {
  std::string text = LargeReference(9000);
  // A damaged vertex line well inside a batch; lines straddle each refill of the reader's buffer.
  const size_t damaged = text.find("\n", text.size() / 3) + 1;
  text.replace(damaged + 2, 1, "x");
  TempFile file(text);
  for (bool links : {false, true}) {
    const std::vector<unsigned char> one = Loaded(file.path(), 1, links);
    EXPECT_GT(one.size(), 9000u * 100u);
    EXPECT_EQ(one, Loaded(file.path(), 2, links));
  }
  // The file ends inside the triangles block: the same refusal at the same line.
  file.Write(text.substr(0, text.size() - 4));
  const std::vector<unsigned char> cut = Loaded(file.path(), 1, false);
  EXPECT_EQ(cut, Loaded(file.path(), 2, false));
  EXPECT_NE(std::string(cut.begin(), cut.end()).find("no \"end\" line"), std::string::npos);
}

// Lines of under 20 bytes: a block holds more vertex lines than the reader keeps at once.
TEST(SmdTwoThreadLoading, ShortLinesAndMaterialRefusalReadTheSameOnOneThreadAndTwo) {
  std::string text = "version 1\nnodes\n0 \"root\" -1\n1 \"a\" 0\nend\nskeleton\ntime 0\nend\ntriangles\n";
  std::mt19937 random(3);
  for (int t = 0; t < 60000; ++t) {
    text += t / 20000 == 1 ? "b\n" : "a\n";
    for (int k = 0; k < 3; ++k)
      text += std::to_string(random() % 3) + " " + std::to_string(random() % 1000) + " 2 3 0 0 1 0." +
              std::to_string(random() % 10) + " 1\n";
  }
  TempFile file(text + "end\n");
  const std::vector<unsigned char> one = Loaded(file.path(), 1, false);
  EXPECT_GT(one.size(), 60000u * 100u);
  EXPECT_EQ(one, Loaded(file.path(), 2, false));
  // Far into the file, one material too many: the counting pass refuses at the same line.
  for (int m = 0; m < 130; ++m) text += "m" + std::to_string(m) + "\n1 0 0 0 0 0 1 0 0\n2\n3\n";
  file.Write(text + "end\n");
  const std::vector<unsigned char> refused = Loaded(file.path(), 1, false);
  EXPECT_EQ(refused, Loaded(file.path(), 2, false));
  EXPECT_NE(std::string(refused.begin(), refused.end()).find("more than 128 material changes"),
            std::string::npos);
}

}  // namespace
}  // namespace smdtest
