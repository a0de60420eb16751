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
// vertex of every instance every frame, so it is written out inline and, on
// processors with AVX2 or AVX-512, done four or eight doubles to a register.
// Every path performs the same IEEE operations in the same order, so they give
// the same bits; PoseRecords can be told which path to take so that tests can
// compare them. No multiply-add may be fused: the project compiles with
// -ffp-contract=off, which matters here because AVX-512 has fused instructions.
//
// Lanes as records. Vertices come in runs that follow one joint, so the rest
// mesh also keeps its records in blocks of eight (POSEBLOCKS, built once with
// the mesh and shared by every instance), each block holding its x's, y's, z's
// and normal components side by side, already in double. For four records of
// one joint, a register of their x's times a broadcast m0, plus their y's times
// m4, plus their z's times m8 is the rotated x of all four: lanes are records,
// and no vertex component is moved between lanes. AVX-512 does the same for
// the eight records of a block when both its quads follow one joint. The six
// results (x, y, z, nx, ny, nz, a float per record each) are then transposed
// into the 36-byte records and stored; texture coordinates and joint bytes are
// not touched. The matrix is broadcast once per run of quads or blocks.
//
// What the blocks do not cover. Quads of mixed joints or of joint -1, records
// after the last whole quad, and records appended after the blocks were built
// take the per-record path, which computes one record's three rows in one
// register by broadcasting its x, y and z.
#include <algorithm>

#include "models/ModelMain.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SANDMERE_POSE_X86 1
#define SANDMERE_AVX2 __attribute__((target("avx2")))
#define SANDMERE_AVX512 __attribute__((target("avx512f,avx2")))
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

#if SANDMERE_POSE_X86

// ---- One record at a time -------------------------------------------------------

// Columns c0, c1, c2 of the matrix hold the x, y, z rows' coefficients, so
// x*c0 + y*c1 + z*c2 is the rotated point in lanes 0 ... 2 (lane 3 is unused);
// c3 is the translation.
SANDMERE_AVX2 inline void PoseRecordAvx2(const MODELVERTEX& in, MODELVERTEX* out, __m256d c0,
                                         __m256d c1, __m256d c2, __m256d c3) {
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

// Records in any order of joints; the matrix is loaded once a run.
SANDMERE_AVX2 void PoseRecordsAvx2(const MODELVERTEX* in, MODELVERTEX* out, std::size_t count,
                                   const BASICJOINT* joints) {
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

// ---- Storing lanes as records -----------------------------------------------------

// Writes the posed position and normal of four records: r0 ... r3 are their
// (x, y, z, nx), yz01 holds (ny, nz) of records 0 and 1, yz23 of records 2 and 3.
SANDMERE_AVX2 inline void StoreQuad(__m128 r0, __m128 r1, __m128 r2, __m128 r3, __m128 yz01,
                                    __m128 yz23, MODELVERTEX* out) {
    const auto normalYZ = [out](int k) { return reinterpret_cast<__m64*>(&out[k].normal.y); };
    _mm_storeu_ps(&out[0].position.x, r0);
    _mm_storel_pi(normalYZ(0), yz01);
    _mm_storeu_ps(&out[1].position.x, r1);
    _mm_storeh_pi(normalYZ(1), yz01);
    _mm_storeu_ps(&out[2].position.x, r2);
    _mm_storel_pi(normalYZ(2), yz23);
    _mm_storeu_ps(&out[3].position.x, r3);
    _mm_storeh_pi(normalYZ(3), yz23);
}

// ---- Four records of one joint (AVX2) ---------------------------------------------

// A joint's matrix with each element the rows need broadcast to all four lanes.
struct QUADMATRIX {
    __m256d r[3][3];  // r[column][row] = m[4 * column + row], the rotation
    __m256d t[3];     // m12, m13, m14, the translation
};
SANDMERE_AVX2 inline QUADMATRIX Broadcast4(const double* m) {
    const auto b = [m](int i) SANDMERE_AVX2 { return _mm256_set1_pd(m[i]); };
    return {{{b(0), b(1), b(2)}, {b(4), b(5), b(6)}, {b(8), b(9), b(10)}}, {b(12), b(13), b(14)}};
}

// One row of the rotation for four records: x*m[row] + y*m[4 + row] + z*m[8 + row].
SANDMERE_AVX2 inline __m256d RotateRow4(__m256d x, __m256d y, __m256d z,
                                        const QUADMATRIX& m, int row) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, m.r[0][row]), _mm256_mul_pd(y, m.r[1][row])),
                         _mm256_mul_pd(z, m.r[2][row]));
}

// The same row of the position: rotated, rounded to float, translated in
// double, rounded again.
SANDMERE_AVX2 inline __m128 PositionRow4(__m256d x, __m256d y, __m256d z,
                                         const QUADMATRIX& m, int row) {
    const __m256d rotated = _mm256_cvtps_pd(_mm256_cvtpd_ps(RotateRow4(x, y, z, m, row)));
    return _mm256_cvtpd_ps(_mm256_add_pd(rotated, m.t[row]));
}

// Quad `half` (0 or 1) of the block into out[0] ... out[3].
SANDMERE_AVX2 inline void PoseQuadAvx2(const POSEBLOCK& block, int half,
                                       const QUADMATRIX& m, MODELVERTEX* out) {
    const int lane = 4 * half;
    const __m256d px = _mm256_load_pd(block.position[0] + lane);
    const __m256d py = _mm256_load_pd(block.position[1] + lane);
    const __m256d pz = _mm256_load_pd(block.position[2] + lane);
    __m128 x = PositionRow4(px, py, pz, m, 0), y = PositionRow4(px, py, pz, m, 1),
           z = PositionRow4(px, py, pz, m, 2);
    const __m256d qx = _mm256_load_pd(block.normal[0] + lane);
    const __m256d qy = _mm256_load_pd(block.normal[1] + lane);
    const __m256d qz = _mm256_load_pd(block.normal[2] + lane);
    __m128 nx = _mm256_cvtpd_ps(RotateRow4(qx, qy, qz, m, 0));
    const __m128 ny = _mm256_cvtpd_ps(RotateRow4(qx, qy, qz, m, 1));
    const __m128 nz = _mm256_cvtpd_ps(RotateRow4(qx, qy, qz, m, 2));
    _MM_TRANSPOSE4_PS(x, y, z, nx);  // now record k's (x, y, z, nx), k = 0 ... 3
    StoreQuad(x, y, z, nx, _mm_unpacklo_ps(ny, nz), _mm_unpackhi_ps(ny, nz), out);
}

// Quads first ... end - 1 of the blocks, from rest records `in` into `out`
// (both indexed from record 0).
SANDMERE_AVX2 void PoseQuadsAvx2(const MODELVERTEX* in, const POSEBLOCKS& blocks, MODELVERTEX* out,
                                 std::size_t first, std::size_t end, const BASICJOINT* joints) {
    std::size_t q = first;
    while (q < end) {
        const int joint = blocks.quadJoints[q];
        if (joint < 0) {
            PoseRecordsAvx2(in + 4 * q, out + 4 * q, 4, joints);
            ++q;
            continue;
        }
        const QUADMATRIX m = Broadcast4(joints[joint].absolute.m);
        for (; q < end && blocks.quadJoints[q] == joint; ++q)
            PoseQuadAvx2(blocks.blocks[q / 2], static_cast<int>(q % 2), m, out + 4 * q);
    }
}

// ---- Eight records of one joint (AVX-512) -----------------------------------------

// The same for eight lanes.
struct BLOCKMATRIX {
    __m512d r[3][3];
    __m512d t[3];
};

SANDMERE_AVX512 inline BLOCKMATRIX Broadcast8(const double* m) {
    const auto b = [m](int i) SANDMERE_AVX512 { return _mm512_set1_pd(m[i]); };
    return {{{b(0), b(1), b(2)}, {b(4), b(5), b(6)}, {b(8), b(9), b(10)}}, {b(12), b(13), b(14)}};
}

// Conversions between eight doubles and eight floats. The all-lanes masked forms
// are the same instructions; the unmasked intrinsics trip a false
// maybe-uninitialized warning in GCC 12's headers.
SANDMERE_AVX512 inline __m256 ToFloat8(__m512d v) { return _mm512_maskz_cvtpd_ps(0xFF, v); }
SANDMERE_AVX512 inline __m512d ToDouble8(__m256 v) { return _mm512_maskz_cvtps_pd(0xFF, v); }

SANDMERE_AVX512 inline __m512d RotateRow8(__m512d x, __m512d y, __m512d z,
                                          const BLOCKMATRIX& m, int row) {
    return _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(x, m.r[0][row]), _mm512_mul_pd(y, m.r[1][row])),
                         _mm512_mul_pd(z, m.r[2][row]));
}

SANDMERE_AVX512 inline __m256 PositionRow8(__m512d x, __m512d y, __m512d z,
                                           const BLOCKMATRIX& m, int row) {
    const __m512d rotated = ToDouble8(ToFloat8(RotateRow8(x, y, z, m, row)));
    return ToFloat8(_mm512_add_pd(rotated, m.t[row]));
}

// The whole block into out[0] ... out[7].
SANDMERE_AVX512 inline void PoseBlockAvx512(const POSEBLOCK& block, const BLOCKMATRIX& m,
                                            MODELVERTEX* out) {
    const __m512d px = _mm512_load_pd(block.position[0]), py = _mm512_load_pd(block.position[1]),
                  pz = _mm512_load_pd(block.position[2]);
    const __m256 x = PositionRow8(px, py, pz, m, 0), y = PositionRow8(px, py, pz, m, 1),
                 z = PositionRow8(px, py, pz, m, 2);
    const __m512d qx = _mm512_load_pd(block.normal[0]), qy = _mm512_load_pd(block.normal[1]),
                  qz = _mm512_load_pd(block.normal[2]);
    const __m256 nx = ToFloat8(RotateRow8(qx, qy, qz, m, 0));
    const __m256 ny = ToFloat8(RotateRow8(qx, qy, qz, m, 1));
    const __m256 nz = ToFloat8(RotateRow8(qx, qy, qz, m, 2));
    // A 4 x 4 transpose within each 128-bit half: the low halves become records
    // 0 ... 3, the high halves records 4 ... 7.
    const __m256 xy01 = _mm256_unpacklo_ps(x, y), xy23 = _mm256_unpackhi_ps(x, y);
    const __m256 zn01 = _mm256_unpacklo_ps(z, nx), zn23 = _mm256_unpackhi_ps(z, nx);
    const __m256 r0 = _mm256_shuffle_ps(xy01, zn01, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 r1 = _mm256_shuffle_ps(xy01, zn01, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 r2 = _mm256_shuffle_ps(xy23, zn23, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 r3 = _mm256_shuffle_ps(xy23, zn23, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 yz01 = _mm256_unpacklo_ps(ny, nz), yz23 = _mm256_unpackhi_ps(ny, nz);
    StoreQuad(_mm256_castps256_ps128(r0), _mm256_castps256_ps128(r1), _mm256_castps256_ps128(r2),
              _mm256_castps256_ps128(r3), _mm256_castps256_ps128(yz01), _mm256_castps256_ps128(yz23), out);
    StoreQuad(_mm256_extractf128_ps(r0, 1), _mm256_extractf128_ps(r1, 1), _mm256_extractf128_ps(r2, 1),
              _mm256_extractf128_ps(r3, 1), _mm256_extractf128_ps(yz01, 1), _mm256_extractf128_ps(yz23, 1),
              out + 4);
}

// Quads 0 ... quads - 1: whole blocks of one joint eight records at a time, the
// rest a quad at a time.
SANDMERE_AVX512 void PoseBlocksAvx512(const MODELVERTEX* in, const POSEBLOCKS& blocks, MODELVERTEX* out,
                                      std::size_t quads, const BASICJOINT* joints) {
    const auto oneJoint = [&blocks](std::size_t q) {
        return blocks.quadJoints[q] >= 0 && blocks.quadJoints[q + 1] == blocks.quadJoints[q];
    };
    std::size_t q = 0;  // always the first quad of a block
    while (q + 2 <= quads) {
        if (!oneJoint(q)) {
            PoseQuadsAvx2(in, blocks, out, q, q + 2, joints);
            q += 2;
            continue;
        }
        const int joint = blocks.quadJoints[q];
        const BLOCKMATRIX m = Broadcast8(joints[joint].absolute.m);
        for (; q + 2 <= quads && oneJoint(q) && blocks.quadJoints[q] == joint; q += 2)
            PoseBlockAvx512(blocks.blocks[q / 2], m, out + 4 * q);
    }
    PoseQuadsAvx2(in, blocks, out, q, quads, joints);  // a last quad without its pair
}

void PoseVector(const MODELVERTEX* in, const POSEBLOCKS* blocks, MODELVERTEX* out,
                std::size_t count, const BASICJOINT* joints, POSEPATH path) {
    std::size_t done = 0;
    if (blocks) {
        const std::size_t quads = std::min(count, blocks->Covered()) / 4;
        if (path == POSEPATH::Avx512) {
            PoseBlocksAvx512(in, *blocks, out, quads, joints);
        } else {
            PoseQuadsAvx2(in, *blocks, out, 0, quads, joints);
        }
        done = 4 * quads;
    }
    PoseRecordsAvx2(in + done, out + done, count - done, joints);
}

#endif  // SANDMERE_POSE_X86

}  // namespace

void POSEBLOCKS::Build(const MODELVERTEX* records, std::size_t count) {
    const std::size_t quads = count / 4;
    blocks.assign((quads + 1) / 2, POSEBLOCK());
    quadJoints.assign(quads, -1);
    for (std::size_t i = 0; i < 4 * quads; ++i) {
        const MODELVERTEX& v = records[i];
        POSEBLOCK& block = blocks[i / 8];
        const std::size_t lane = i % 8;
        block.position[0][lane] = v.position.x;
        block.position[1][lane] = v.position.y;
        block.position[2][lane] = v.position.z;
        block.normal[0][lane] = v.normal.x;
        block.normal[1][lane] = v.normal.y;
        block.normal[2][lane] = v.normal.z;
    }
    for (std::size_t q = 0; q < quads; ++q) {
        const MODELVERTEX* four = records + 4 * q;
        const int8_t joint = four[0].jointIndex;
        if (four[1].jointIndex == joint && four[2].jointIndex == joint && four[3].jointIndex == joint)
            quadJoints[q] = joint;  // -1 too when none of the four follows a joint
    }
}

POSEPATH FastestPosePath() {
#if SANDMERE_POSE_X86
    static const POSEPATH fastest = !__builtin_cpu_supports("avx2")   ? POSEPATH::Plain
                                    : __builtin_cpu_supports("avx512f") ? POSEPATH::Avx512
                                                                        : POSEPATH::Avx2;
    return fastest;
#else
    return POSEPATH::Plain;
#endif
}

void PoseRecords(const MODELVERTEX* rest, const POSEBLOCKS* blocks, MODELVERTEX* out,
                 std::size_t count, const BASICJOINT* joints, POSEPATH path) {
    path = std::min(path, FastestPosePath());
#if SANDMERE_POSE_X86
    if (path != POSEPATH::Plain) {
        PoseVector(rest, blocks, out, count, joints, path);
        return;
    }
#endif
    (void)blocks;
    PosePlain(rest, out, count, joints);
}

void ONEMODEL::UpdatePoints(const BASICJOINT* jointArray) {
    if (!restMesh || !jointArray) return;
    const std::vector<MODELVERTEX>& rest = restMesh->vertices.Records();
    PoseRecords(rest.data(), &restMesh->poseBlocks, vertexBuffer.data(),
                std::min(rest.size(), vertexBuffer.size()), jointArray);
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
