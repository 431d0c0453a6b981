// Matrix and vector operations: the published results of each function, row-vector convention.
#include "base/math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

void ExpectRows(const D3DXMATRIX& m, std::initializer_list<float> values, float tolerance = 1e-5f) {
  int i = 0;
  for (float v : values) {
    EXPECT_NEAR(m.m[i / 4][i % 4], v, tolerance) << "element " << i;
    ++i;
  }
}

void ExpectSame(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], tolerance) << "element " << i;
}

TEST(MatrixBuilders, ElementaryMatricesHaveThePublishedRows) {
  D3DXMATRIX m;
  std::memset(&m, 0xFF, sizeof m);
  ExpectRows(*D3DXMatrixIdentity(&m), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0);
  EXPECT_EQ(std::memcmp(&m, &kIdentityMatrix, sizeof m), 0) << "the same bits as the constant, +0 included";
  ExpectRows(*D3DXMatrixTranslation(&m, 1, 2, 3), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
  ExpectRows(*D3DXMatrixScaling(&m, 2, 3, 4), {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1});
  const float a = 0.3f, c = std::cos(a), s = std::sin(a);
  ExpectRows(*D3DXMatrixRotationX(&m, a), {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1});
  ExpectRows(*D3DXMatrixRotationY(&m, a), {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1});
  ExpectRows(*D3DXMatrixRotationZ(&m, a), {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST(MatrixBuilders, RotationAxisAgreesWithTheAxisRotations) {
  D3DXMATRIX axis, expected;
  const D3DXVECTOR3 x(1, 0, 0), y(0, 2, 0), z(0, 0, 1);
  ExpectSame(*D3DXMatrixRotationAxis(&axis, &x, 0.7f), *D3DXMatrixRotationX(&expected, 0.7f));
  ExpectSame(*D3DXMatrixRotationAxis(&axis, &y, -1.1f), *D3DXMatrixRotationY(&expected, -1.1f));
  ExpectSame(*D3DXMatrixRotationAxis(&axis, &z, 2.5f), *D3DXMatrixRotationZ(&expected, 2.5f));
}

TEST(MatrixBuilders, YawPitchRollIsRollThenPitchThenYaw) {
  D3DXMATRIX ypr, x, y;
  D3DXMatrixRotationYawPitchRoll(&ypr, D3DX_PI, -D3DX_PI / 2, 0);
  D3DXMatrixRotationX(&x, -D3DX_PI / 2);
  D3DXMatrixRotationY(&y, D3DX_PI);
  D3DXMATRIX expected;
  ExpectSame(ypr, *D3DXMatrixMultiply(&expected, &x, &y));
}

TEST(MatrixBuilders, PerspectiveFovLhFor800By600) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 4, 800.0f / 600.0f, 1, 5000);
  EXPECT_NEAR(p.m[1][1], 2.4142135f, 1e-5f);
  EXPECT_NEAR(p.m[0][0], 1.8106601f, 1e-5f);
  EXPECT_NEAR(p.m[2][2], 5000.0f / 4999.0f, 1e-6f);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_NEAR(p.m[3][2], -5000.0f / 4999.0f, 1e-6f);
  EXPECT_EQ(p.m[3][3], 0.0f);
}

TEST(MatrixProducts, MultiplyAppliesTheLeftMatrixFirstAndAllowsAliasing) {
  D3DXMATRIX t, r, tr, rt;
  D3DXMatrixTranslation(&t, 10, 0, 0);
  D3DXMatrixRotationZ(&r, D3DX_PI / 2);
  D3DXMatrixMultiply(&tr, &t, &r);
  D3DXMatrixMultiply(&rt, &r, &t);
  D3DXVECTOR3 origin(0, 0, 0), out;
  D3DXVec3TransformCoord(&out, &origin, &tr);  // moved to (10,0,0), then turned to (0,10,0)
  EXPECT_NEAR(out.x, 0, 1e-5f);
  EXPECT_NEAR(out.y, 10, 1e-5f);
  D3DXVec3TransformCoord(&out, &origin, &rt);
  EXPECT_NEAR(out.x, 10, 1e-5f);
  D3DXMatrixMultiply(&t, &t, &r);  // output aliasing the first input
  ExpectSame(t, tr);
}

TEST(MatrixProducts, InverseTransposeAndSingularInput) {
  D3DXMATRIX m, r, t, inverse, product, identity;
  D3DXMatrixRotationYawPitchRoll(&r, 0.3f, -0.2f, 1.1f);
  D3DXMatrixTranslation(&t, 5, -7, 9);
  D3DXMatrixMultiply(&m, &r, &t);
  ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
  ExpectSame(*D3DXMatrixMultiply(&product, &m, &inverse), *D3DXMatrixIdentity(&identity));

  D3DXMATRIX transposed;
  D3DXMatrixTranspose(&transposed, &r);
  D3DXMatrixInverse(&inverse, nullptr, &r);  // a rotation's inverse is its transpose
  ExpectSame(inverse, transposed);
  D3DXMatrixTranspose(&r, &r);  // in place
  ExpectSame(r, transposed);

  D3DXMATRIX singular;
  D3DXMatrixScaling(&singular, 1, 0, 1);
  D3DXMATRIX untouched = identity;
  float determinant = -1;
  EXPECT_EQ(D3DXMatrixInverse(&untouched, &determinant, &singular), nullptr);
  EXPECT_EQ(determinant, 0.0f);
  ExpectSame(untouched, identity);
}

TEST(VectorTransforms, CoordDividesByWAndNormalIgnoresTranslation) {
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  const D3DXVECTOR3 v(1, 1, 1);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &t);
  EXPECT_EQ(out.x, 2);
  EXPECT_EQ(out.y, 3);
  EXPECT_EQ(out.z, 4);
  D3DXVec3TransformNormal(&out, &v, &t);
  EXPECT_EQ(out.x, 1);
  EXPECT_EQ(out.z, 1);

  D3DXMATRIX projective;
  D3DXMatrixIdentity(&projective);
  projective.m[3][3] = 2;  // w = 2 for every point
  D3DXVec3TransformCoord(&out, &v, &projective);
  EXPECT_EQ(out.x, 0.5f);
  D3DXVECTOR3 aliased(4, 6, 8);
  D3DXVec3TransformCoord(&aliased, &aliased, &projective);
  EXPECT_EQ(aliased.y, 3);
}

TEST(VectorTransforms, NormalizeCrossAndDot) {
  D3DXVECTOR3 v(3, 0, 4), n;
  D3DXVec3Normalize(&n, &v);
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.z, 0.8f);
  const D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&n, &zero);
  EXPECT_EQ(n.x, 0);
  EXPECT_FALSE(std::isnan(n.y));
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  D3DXVECTOR3 c;
  D3DXVec3Cross(&c, &x, &y);
  EXPECT_EQ(c.z, 1);
  EXPECT_EQ(D3DXVec3Dot(&v, &v), 25);
}

}  // namespace
