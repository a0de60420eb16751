// Rigid skinning of an instance's mesh on the CPU, posed afresh every frame.
//
// Each vertex follows exactly one joint: its joint-space position p becomes
// R*p + T and its normal R*n, with R and T the rotation and translation of the
// joint's absolute matrix in the current pose. Normals are rotated, never
// renormalised.
//
// Why from the rest mesh every frame. The obvious way to animate in place is to
// undo last frame's transform (with R^T and -T) and apply the new one. That is
// exact only on paper: each round trip rounds to float, and a quaternion from
// the nearly-equal branch of the slerp is not of unit length, so its R is not
// rigid and R^T is not its inverse. Over the hours a screen saver runs, such a
// mesh creeps and deforms (a small test limb drifts by 0.15 units in eight
// hours of frames). Here the rest mesh is never written: the drawn vertices are
// computed from it afresh, so a frame shows exactly the pose its clock state
// defines, whatever came before, and RevertPoints is simply a copy.
//
// The arithmetic. Each row is summed in double, left to right, and rounded to
// float; the translation is then added in double and rounded again: exactly
// MatrixRotatePoint followed by MatrixTranslatePoint. This runs for every
// vertex of every instance every frame, so it is written out inline, and on
// processors with AVX2 a whole row triple is computed at once, four doubles to
// a register. Both paths perform the same IEEE operations in the same order
// (no fused multiply-add), so they give the same bits; PoseRecords can be told
// to take the plain path so that tests can compare the two.
#include <algorithm>

#include "models/ModelMain.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SANDMERE_POSE_AVX2 1
#endif

namespace {

inline VECTOR3D RotateByMatrix(const double* m, VECTOR3D p) {
    const double x = p.x, y = p.y, z = p.z;
    return {static_cast<float>(x * m[0] + y * m[4] + z * m[8]),
            static_cast<float>(x * m[1] + y * m[5] + z * m[9]),
            static_cast<float>(x * m[2] + y * m[6] + z * m[10])};
}

void PosePlain(const MODELVERTEX* in, MODELVERTEX* out, std::size_t count, const BASICJOINT* joints) {
    for (std::size_t i = 0; i < count; ++i) {
        const int joint = in[i].jointIndex;
        if (joint < 0) continue;  // follows no joint: stays as it rests
        const double* m = joints[joint].absolute.m;
        const VECTOR3D p = RotateByMatrix(m, in[i].position);
        out[i].position = {static_cast<float>(p.x + m[12]), static_cast<float>(p.y + m[13]),
                           static_cast<float>(p.z + m[14])};
        out[i].normal = RotateByMatrix(m, in[i].normal);
    }
}

#if SANDMERE_POSE_AVX2
// Columns c0, c1, c2 of the matrix hold the x, y, z rows' coefficients, so
// x*c0 + y*c1 + z*c2 is the rotated point in lanes 0 ... 2 (lane 3 is unused);
// c3 is the translation.
__attribute__((target("avx2"))) inline void PoseRecordAvx2(const MODELVERTEX& in, MODELVERTEX* out,
                                                            __m256d c0, __m256d c1, __m256d c2, __m256d c3) {
    const float* f = &in.position.x;
    const __m256d lo = _mm256_cvtps_pd(_mm_loadu_ps(f));      // px py pz nx
    const __m256d hi = _mm256_cvtps_pd(_mm_loadu_ps(f + 4));  // ny nz s t
    const __m256d p = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_permute4x64_pd(lo, 0x00), c0),
                                                  _mm256_mul_pd(_mm256_permute4x64_pd(lo, 0x55), c1)),
                                    _mm256_mul_pd(_mm256_permute4x64_pd(lo, 0xAA), c2));
    const __m256d n = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_permute4x64_pd(lo, 0xFF), c0),
                                                  _mm256_mul_pd(_mm256_permute4x64_pd(hi, 0x00), c1)),
                                    _mm256_mul_pd(_mm256_permute4x64_pd(hi, 0x55), c2));
    // Rotated position rounded to float, translated in double, rounded again.
    const __m128 pf = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(_mm256_cvtpd_ps(p)), c3));
    const __m128 nf = _mm256_cvtpd_ps(n);
    float* o = &out->position.x;
    _mm_storeu_ps(o, _mm_blend_ps(pf, _mm_shuffle_ps(nf, nf, 0), 0x8));  // px py pz nx
    _mm_storel_pi(reinterpret_cast<__m64*>(o + 4), _mm_shuffle_ps(nf, nf, _MM_SHUFFLE(0, 0, 2, 1)));  // ny nz
}

// Vertices of one joint mostly come in runs; the matrix is loaded once a run.
__attribute__((target("avx2"))) void PoseAvx2(const MODELVERTEX* in, MODELVERTEX* out,
                                               std::size_t count, const BASICJOINT* joints) {
    std::size_t i = 0;
    while (i < count) {
        const int joint = in[i].jointIndex;
        if (joint < 0) {
            ++i;
            continue;
        }
        const double* m = joints[joint].absolute.m;
        const __m256d c0 = _mm256_loadu_pd(m), c1 = _mm256_loadu_pd(m + 4);
        const __m256d c2 = _mm256_loadu_pd(m + 8), c3 = _mm256_loadu_pd(m + 12);
        for (; i < count && in[i].jointIndex == joint; ++i) PoseRecordAvx2(in[i], out + i, c0, c1, c2, c3);
    }
}

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

}  // namespace

void PoseRecords(const MODELVERTEX* rest, MODELVERTEX* out, std::size_t count,
                 const BASICJOINT* joints, bool wide) {
#if SANDMERE_POSE_AVX2
    if (wide && HaveAvx2()) {
        PoseAvx2(rest, out, count, joints);
        return;
    }
#endif
    (void)wide;
    PosePlain(rest, out, count, joints);
}

void ONEMODEL::UpdatePoints(const BASICJOINT* jointArray) {
    if (!restMesh || !jointArray) return;
    const std::vector<MODELVERTEX>& rest = restMesh->vertices.Records();
    PoseRecords(rest.data(), vertexBuffer.data(), std::min(rest.size(), vertexBuffer.size()),
                jointArray);
}

void ONEMODEL::RevertPoints(const BASICJOINT*) {
    if (!restMesh) return;
    const std::vector<MODELVERTEX>& rest = restMesh->vertices.Records();
    const std::size_t count = std::min(rest.size(), vertexBuffer.size());
    for (std::size_t i = 0; i < count; ++i) {
        vertexBuffer[i].position = rest[i].position;
        vertexBuffer[i].normal = rest[i].normal;
    }
}
