// Welding a triangle soup: triangles in the order of their positions, -0 welded to 0 at the first
// corner's value, triangles listed from their lowest vertex, and what is left out.
#include "field/field_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "field/spatial_order.h"

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

TEST(FieldMesh, CornersOfOneXAreNumberedByYThenZWhateverTheirOrder) {
  std::vector<std::array<float, 9>> triangles;  // a 6 x 6 grid in the plane x = 1, shuffled
  for (float y = 0; y < 5; ++y)
    for (float z = 0; z < 5; ++z)
      triangles.push_back({1, y, z, 1, y + 1, z, 1, y + 1, z + 1}),
          triangles.push_back({1, y, z, 1, y + 1, z + 1, 1, y, z + 1});
  std::shuffle(triangles.begin(), triangles.end(), std::mt19937(7));
  const field::WeldedMesh mesh = field::WeldAndSplit({&triangles[0][0], 9 * triangles.size()});
  ASSERT_EQ(mesh.pieces.size(), 1u);
  const field::FieldPiece& piece = mesh.pieces[0];
  // Each triangle starts at its lowest corner, and the triangles follow their lowest corners.
  const auto key = [&](int v) { return std::tie(piece.positions[v].y, piece.positions[v].z); };
  for (size_t t = 0; t < piece.triangles.size(); ++t) {
    const auto& tri = piece.triangles[t];
    EXPECT_TRUE(key(tri[0]) < key(tri[1]) && key(tri[0]) < key(tri[2]));
    EXPECT_TRUE(t == 0 || key(piece.triangles[t - 1][0]) <= key(tri[0]));
  }
}

TEST(FieldMesh, ASpatialOrderIsTheSameSurfaceWithNeighboursNumberedClose) {
  // A 60 x 60 grid, welded in the order of x: a row's neighbours lie 60 vertices apart.
  std::vector<std::array<float, 9>> triangles;
  for (float y = 0; y < 59; ++y)
    for (float x = 0; x < 59; ++x)
      triangles.push_back({x, y, 0, x + 1, y, 0, x + 1, y + 1, 0}),
          triangles.push_back({x, y, 0, x + 1, y + 1, 0, x, y + 1, 0});
  const field::WeldedMesh mesh = field::WeldAndSplit({&triangles[0][0], 9 * triangles.size()});
  ASSERT_EQ(mesh.pieces.size(), 1u);
  const field::FieldPiece& piece = mesh.pieces[0];
  const field::FieldPiece ordered = field::InSpatialOrder(piece);
  ASSERT_EQ(ordered.positions.size(), piece.positions.size());
  ASSERT_EQ(ordered.triangles.size(), piece.triangles.size());
  const auto at = [](const field::FieldPiece& p, size_t t, int k) {
    const field::Vec3& v = p.positions[p.triangles[t][k]];
    return std::tuple(v.x, v.y, v.z);
  };
  std::vector<size_t> from(triangles.size());
  for (size_t t = 0; t < piece.triangles.size(); ++t) from[piece.sources[t]] = t;
  // Each triangle's corners where its source's were, from the same input corners; the triangles
  // by their lowest vertex; most edges join vertices a few numbers apart.
  size_t close = 0;
  for (size_t t = 0; t < ordered.triangles.size(); ++t) {
    const size_t before = from[ordered.sources[t]];
    EXPECT_EQ(ordered.rotations[t], piece.rotations[before]);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(at(ordered, t, k), at(piece, before, k));
    const auto& tri = ordered.triangles[t];
    const auto lowest = [](const std::array<int, 3>& x) { return std::min({x[0], x[1], x[2]}); };
    EXPECT_TRUE(t == 0 || lowest(ordered.triangles[t - 1]) <= lowest(tri));
    close += std::abs(tri[0] - tri[1]) < 16;
  }
  EXPECT_GT(close, ordered.triangles.size() * 3 / 4);
}

}  // namespace
