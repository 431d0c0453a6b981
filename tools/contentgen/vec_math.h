// Small vector and matrix types for the content generator.
// Row-vector convention (v' = v * M), left-handed, matching what the viewer expects:
// a bone's local matrix is RotationX * RotationY * RotationZ * Translation.
#pragma once

#include <cmath>

namespace contentgen {

inline constexpr double kPi = 3.14159265358979323846;

inline double Radians(double degrees) {
  return degrees * kPi / 180.0;
}

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator-(Vec3 a) {
  return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(Vec3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(double s, Vec3 a) {
  return a * s;
}
inline double Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(Vec3 a) {
  return std::sqrt(Dot(a, a));
}
inline Vec3 Normalize(Vec3 a) {
  const double len = Length(a);
  return len > 1e-12 ? a * (1.0 / len) : Vec3{0, 0, 1};
}
inline Vec3 Lerp(Vec3 a, Vec3 b, double t) {
  return a + (b - a) * t;
}

// 4x4 matrix, m[row][col]; translation lives in row 3.
struct Mat4 {
  double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

inline Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

// A rotation by `a` about the axis numbered `axis` (0 = x, 1 = y, 2 = z), left-handed: the two
// other axes, taken in cyclic order, turn into each other.
inline Mat4 AxisRotation(int axis, double a) {
  Mat4 r;
  const int i = (axis + 1) % 3, j = (axis + 2) % 3;
  const double c = std::cos(a), s = std::sin(a);
  r.m[i][i] = c, r.m[i][j] = s, r.m[j][i] = -s, r.m[j][j] = c;
  return r;
}
inline Mat4 RotationX(double a) {
  return AxisRotation(0, a);
}
inline Mat4 RotationY(double a) {
  return AxisRotation(1, a);
}
inline Mat4 RotationZ(double a) {
  return AxisRotation(2, a);
}

inline Mat4 Translation(Vec3 t) {
  Mat4 r;
  r.m[3][0] = t.x, r.m[3][1] = t.y, r.m[3][2] = t.z;
  return r;
}

// The bone-local transform as the viewer builds it from a pose line.
inline Mat4 BoneLocal(Vec3 translation, Vec3 angles) {
  return RotationX(angles.x) * RotationY(angles.y) * RotationZ(angles.z) * Translation(translation);
}

inline Vec3 TransformPoint(Vec3 p, const Mat4& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

inline Vec3 TransformDirection(Vec3 d, const Mat4& m) {
  return {d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0],
          d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
          d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]};
}

// Inverse of a rotation-plus-translation matrix (what every bone matrix is).
inline Mat4 RigidInverse(const Mat4& a) {
  Mat4 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
  const Vec3 t{a.m[3][0], a.m[3][1], a.m[3][2]};
  const Vec3 inv = -TransformDirection(t, r);
  r.m[3][0] = inv.x, r.m[3][1] = inv.y, r.m[3][2] = inv.z;
  return r;
}

}  // namespace contentgen
