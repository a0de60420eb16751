// NiftyMaths: the small value types and free functions every other subsystem
// computes with.
//
// Conventions, written once:
//
//  * Storage. VECTOR3D, point2d, COLOUR and PLANE store 32-bit floats. MATRIX and
//    QUAT store 64-bit doubles. A function that takes a VECTOR3D and "computes in
//    double" widens each float, computes, and rounds the stored result back to
//    float. Scalar results (lengths, dot products, squared distances) are returned
//    as double even when they were summed in float. The order of every sum is the
//    order written here; changing it changes the last bit of results that tests
//    compare exactly.
//  * Angles are in degrees unless a name says radians. Degrees become radians as
//    angle * 3.141592653589793 / 180.0 (multiply, then divide).
//  * MATRIX is column-major, ready for glMultMatrixd / glLoadMatrixd: m[c*4 + r] is
//    row r of column c, translation in m[12..14]. Transforms apply to column
//    vectors, so MultiplyMatrix(A, B) applied to a point applies B first.
//  * Three rotation builders follow three conventions on purpose:
//      Rotate(v, ax, ay, az)    rotates by +ax about X, then +ay about Y, then +az
//                               about Z (right-handed, in place, in float steps);
//      RotationToQuat(angles)   the same rotation as Rotate, as a quaternion
//                               (the product Qz*Qy*Qx);
//      MatrixFromAngle(angles)  rotates by -x about X, then +y about Y, then -z
//                               about Z. The heading steering builds its matrices
//                               with it and inverts them with
//                               MatrixInverseRotatePoint; AngleFromMatrix is its
//                               inverse.
//  * DistanceBetweenVectors returns the SQUARED distance. Every threshold compared
//    with it is a square (50 units is 2500.0).
//  * Nothing here allocates, keeps state, reports errors or touches OpenGL.
#pragma once

struct VECTOR3D {
    float x = 0.0f;  // world units, or degrees about X for an angle triple
    float y = 0.0f;
    float z = 0.0f;

    // In place, entirely in float. A zero-length vector is left unchanged.
    void Normalize();
};

struct point2d {
    float x = 0.0f;
    float y = 0.0f;
};

struct COLOUR {
    float r = 0.0f;  // each channel nominally 0..1
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

struct MATRIX {
    double m[16];  // column-major: m[c*4 + r]

    MATRIX() { Identity(); }
    void Zero();
    void Identity();
    // Sets m[12..14] only; every other element is kept.
    void SetTranslation(VECTOR3D t);
};

struct QUAT {
    double x = 0.0;  // vector part first ...
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;  // ... scalar part last

    void Identity() { x = y = z = 0.0; w = 1.0; }
    // Exact component-wise equality; NaN is never equal.
    bool IsEqualTo(QUAT q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
};

struct PLANE {
    float a = 0.0f;  // a*x + b*y + c*z + d = 0; (a, b, c) is not normalised
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;
};

// ---- Vectors, points and colours -------------------------------------------

VECTOR3D MakePoint(float x, float y, float z);
point2d Make2DPoint(float x, float y);
COLOUR MakeColour(float r, float g, float b, float a);

VECTOR3D AddVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D SubtractVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D MultiplyVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D DivideVectors(VECTOR3D a, VECTOR3D b);  // no guard: x/0 gives IEEE inf/NaN
VECTOR3D ScaleVector(VECTOR3D v, double s);      // in double, rounded to float
VECTOR3D VectorCrossProduct(VECTOR3D a, VECTOR3D b);
VECTOR3D CalculateNormal(VECTOR3D a, VECTOR3D b, VECTOR3D c);  // (a-b) x (b-c), not normalised

double VectorLengthNOSQRT(VECTOR3D v);   // (x*x + y*y) + z*z in float
double VectorLength(VECTOR3D v);         // sqrt in double of the float sum
double VectorDotProduct(VECTOR3D a, VECTOR3D b);
double DistanceBetweenVectors(VECTOR3D a, VECTOR3D b);  // SQUARED distance
bool CompareVectors(VECTOR3D a, VECTOR3D b);             // exact; -0 == 0; NaN never equal

// Divides by the length in double; a zero vector gives IEEE NaN components.
VECTOR3D NormalizeVector(VECTOR3D v);

// Rotates *v in place by ax about X, then ay about Y, then az about Z (degrees,
// right-handed). An axis whose angle is exactly 0 is skipped entirely.
void Rotate(VECTOR3D* v, float ax, float ay, float az);

// Wraps value by whole periods of `high` (not high - low) into [low, high) for
// low = 0. Needs a positive high and a finite value a few periods from the range.
double clamp(double value, double low, double high);

// ---- Matrices ----------------------------------------------------------------

MATRIX MultiplyMatrix(MATRIX A, MATRIX B);  // A*B: B applies first
MATRIX AddMatrix(MATRIX A, MATRIX B);
MATRIX SubtractMatrix(MATRIX A, MATRIX B);
MATRIX TransposeMatrix(MATRIX A);

VECTOR3D MatrixRotatePoint(MATRIX M, VECTOR3D p);         // 3x3 part
VECTOR3D MatrixInverseRotatePoint(MATRIX M, VECTOR3D p);  // transposed 3x3 part
VECTOR3D MatrixTranslatePoint(MATRIX M, VECTOR3D p);      // p + translation
VECTOR3D MatrixInverseTranslatePoint(MATRIX M, VECTOR3D p);  // p - translation
VECTOR3D MatrixPointMultiply(MATRIX M, VECTOR3D p);       // full affine transform

MATRIX MatrixFromAngle(VECTOR3D angles);  // -x about X, +y about Y, -z about Z
VECTOR3D AngleFromMatrix(MATRIX M);       // inverse of MatrixFromAngle, each in [0, 360)
MATRIX MatrixAngleBetweenVectors(VECTOR3D a, VECTOR3D b);  // column 2 points from b to a
VECTOR3D AngleBetweenVectors(VECTOR3D a, VECTOR3D b);      // axis * degrees turning +Z to b - a

// ---- Quaternions -------------------------------------------------------------

QUAT RotationToQuat(VECTOR3D angles);  // same rotation as Rotate
QUAT AxisAndAngleToQuat(VECTOR3D axis, double angleRadians);  // axis not normalised
MATRIX QuatToRotationMatrix(QUAT q);   // no normalisation
QUAT QuatFromMatrix(MATRIX M);
QUAT MultiplyQuats(QUAT p, QUAT q);    // Hamilton product p*q
QUAT InverseQuat(QUAT q);              // conjugate
// Spherical interpolation along the shorter arc. Nearly equal rotations
// (1 - cos < 1e-5) are interpolated linearly and not renormalised.
QUAT QuatSlerp(const QUAT* from, const QUAT* to, double t);
// Euclidean length sqrt(x^2 + y^2 + z^2 + w^2), and q divided by it.
double QuatMagnitude(QUAT q);
QUAT NormalizeQuat(QUAT q);

// ---- Planes ------------------------------------------------------------------

// The plane through three points; counter-clockwise points seen from the front
// give a normal towards the viewer. Computed in float.
PLANE CalcPlane(VECTOR3D p1, VECTOR3D p2, VECTOR3D p3);
PLANE CalcPlane(const float* p1, const float* p2, const float* p3);
