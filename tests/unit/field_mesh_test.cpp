// Welding a triangle soup: triangles in the order of their positions, -0 welded to 0 at the first
// corner's value, triangles listed from their lowest vertex, and what is left out.
#include "field/field_mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(FieldMesh, CornersWeldByPositionInPositionOrderAndDropWhatCannotBeSolved) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> corners = {
      2, 0, 0, -0.0f, 1, 0, 0,   0, 0,  // 0: a, b (first seen as -0), o
      0, 1, 0, 2,     0, 0, 2,   1, 0,  // 1: b, a, c: shares a-b with 0, the other way round
      0, 1, 0, 2,     1, 0, nan, 0, 0,  // 2: a corner not finite
      2, 1, 0, 2,     1, 0, 0,   0, 0,  // 3: two corners welded
      5, 5, 5, 6,     5, 5, 7,   5, 5,  // 4: no area
  };
  const field::WeldedMesh mesh = field::WeldAndSplit(corners);
  EXPECT_EQ(mesh.dropped, (std::vector<int>{2, 3, 4}));
  ASSERT_EQ(mesh.pieces.size(), 1u);
  const field::FieldPiece& piece = mesh.pieces[0];
  ASSERT_EQ(piece.positions.size(), 4u);
  // Triangles listed by their vertices in position order, o (0,0,0) < b (0,1,0) < a (2,0,0) <
  // c (2,1,0), each from its lowest; the piece numbers its vertices as its triangles meet them.
  EXPECT_EQ(piece.triangles, (std::vector<std::array<int, 3>>{{0, 1, 2}, {2, 1, 3}}));
  EXPECT_EQ(piece.positions[1].x, 2.0);
  EXPECT_EQ(piece.positions[3].y, 1.0);
  // b keeps the sign of its first corner.
  EXPECT_EQ(piece.positions[2].y, 1.0);
  EXPECT_TRUE(std::signbit(piece.positions[2].x));
  EXPECT_EQ(piece.sources, (std::vector<int>{0, 1}));
  // Triangle 0's corner 0 is input corner 2 (o); triangle 1's is input corner 0 (b).
  EXPECT_EQ(piece.SourceCorner(0, 0), 2);
  EXPECT_EQ(piece.SourceCorner(1, 0), 0);
}

// Enough corners to be welded in two halves on two threads, with one column's x a zero of either
// sign: the halves' vertices and the piece come out as on one thread.
TEST(FieldMesh, TwoThreadsWeldAsOne) {
  constexpr int kSide = 130;
  std::vector<float> corners;
  const auto point = [](int i, int j) {
    const float x = i == kSide / 2 ? (j % 3 ? -0.0f : 0.0f) : 0.25f * (i - kSide / 2);
    return std::array<float, 3>{x, 0.5f * j, 0.1f * ((i + j) % 2)};
  };
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) {
      const std::array<float, 3> quad[4] = {point(i, j), point(i + 1, j), point(i + 1, j + 1),
                                            point(i, j + 1)};
      for (int k : {0, 1, 2, 0, 2, 3}) corners.insert(corners.end(), quad[k].begin(), quad[k].end());
    }
  ASSERT_GE(corners.size() / 3, 65536u);
  const field::WeldedMesh one = field::WeldAndSplit(corners, 1), two = field::WeldAndSplit(corners, 2);
  ASSERT_EQ(one.pieces.size(), 1u);
  ASSERT_EQ(two.pieces.size(), 1u);
  const field::FieldPiece &a = one.pieces[0], &b = two.pieces[0];
  EXPECT_EQ(a.positions.size(), static_cast<size_t>((kSide + 1) * (kSide + 1)));
  EXPECT_EQ(a.triangles, b.triangles);
  EXPECT_EQ(a.sources, b.sources);
  EXPECT_EQ(a.rotations, b.rotations);
  ASSERT_EQ(a.positions.size(), b.positions.size());
  for (size_t v = 0; v < a.positions.size(); ++v) {
    EXPECT_EQ(a.positions[v].x, b.positions[v].x);
    EXPECT_EQ(std::signbit(a.positions[v].x), std::signbit(b.positions[v].x));
    EXPECT_EQ(a.positions[v].y, b.positions[v].y);
  }
}

}  // namespace
