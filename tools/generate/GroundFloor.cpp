// The desert floor's mesh: a fine grid of heights, simplified by a restricted
// quadtree, and the oasis's water cut from it.
//
// The heights are sampled on a 257 x 257 grid, 10 units apart over the middle
// 2,000 units and spreading out toward the edge. A square block of cells is
// kept whole when the ground inside it is well described by its corners:
// everywhere flat (the walkways and pads, in blocks of up to 32 x 32 cells),
// or, on the dunes, when no sample strays from the corners' blend by more
// than a tolerance that grows with distance, where the fog hides detail.
// A block holding both flat and raised samples is always split to single
// cells, so the flat floor ends exactly where the samples say it does.
//
// Neighbouring blocks differ in size by at most a factor of two (the tree is
// "restricted"), and each block is drawn as a fan round its centre through its
// corners and through the midpoint of any edge whose neighbour is smaller. So
// every vertex on an edge is shared by the triangles on both sides of it: the
// surface has no T-junctions and no cracks. The blocks are written in the
// tree's order, quadrant within quadrant, so that a run of consecutive
// triangles covers a compact patch of ground: the saver draws the floor in
// such runs and leaves out the ones outside the view.
//
// The pool's water is the part of the floor's triangles below the water
// level, clipped exactly, so water and sand meet only along the shore and
// never overlap, which a 16-bit depth buffer could not tell apart at range.
#include <algorithm>
#include <cmath>

#include "GroundScene.h"

namespace ground {
namespace {

constexpr int kLevels = 8;
constexpr int kLines = (1 << kLevels) + 1;  // grid lines per axis
constexpr int kUniformHalf = 100;           // lines either side of the middle at kFloorCell
constexpr int kLargestBlock = 32;           // cells

// Grid line k (0..kLines-1) to a coordinate: uniform in the middle, then
// growing quadratically so the last line lands on the ground's radius.
float Line(int k) {
    const int u = k - (kLines - 1) / 2;
    const int a = std::abs(u);
    if (a <= kUniformHalf) return kFloorCell * static_cast<float>(u);
    const float n = static_cast<float>((kLines - 1) / 2 - kUniformHalf);
    const float inner = kFloorCell * kUniformHalf;
    const float growth = (kGroundRadius - inner - kFloorCell * n) / (n * n);
    const float e = static_cast<float>(a - kUniformHalf);
    return std::copysign(inner + kFloorCell * e + growth * e * e, static_cast<float>(u));
}

class Floor {
public:
    explicit Floor(MeshBuilder& mesh) : mesh_(mesh), size_(kLines * kLines, 0), vertex_(kLines * kLines, -1) {
        for (int k = 0; k < kLines; ++k) line_[k] = Line(k);
        height_.resize(kLines * kLines);
        for (int j = 0; j < kLines; ++j)
            for (int i = 0; i < kLines; ++i) height_[j * kLines + i] = TerrainHeight(line_[i], line_[j]);
    }

    std::vector<FloorTriangle> Build() {
        Split(0, 0, kLines - 1);
        Restrict();
        std::vector<FloorTriangle> shore;
        Visit(0, 0, kLines - 1, &shore);
        return shore;
    }

private:
    float H(int i, int j) const { return height_[j * kLines + i]; }
    Vec3 P(int i, int j) const { return V3(line_[i], H(i, j), line_[j]); }

    // Records, on each cell of a square region, the size of the block that
    // covers it.
    void Mark(int i0, int j0, int extent, int blockSize) {
        for (int j = j0; j < j0 + extent; ++j)
            for (int i = i0; i < i0 + extent; ++i) size_[j * kLines + i] = blockSize;
    }
    bool IsLeaf(int i, int j) const {
        int s = size_[j * kLines + i];
        return s > 0 && i % s == 0 && j % s == 0;
    }
    int SizeAt(int i, int j) const {
        if (i < 0 || j < 0 || i >= kLines - 1 || j >= kLines - 1) return 0;
        return size_[j * kLines + i];
    }

    // How far the block's samples stray from the blend of its corners; -1 when
    // it holds both flat and raised samples.
    float Error(int i0, int j0, int s) const {
        bool flat = false, raised = false;
        float worst = 0.0f;
        const float h00 = H(i0, j0), h10 = H(i0 + s, j0), h01 = H(i0, j0 + s), h11 = H(i0 + s, j0 + s);
        for (int j = j0; j <= j0 + s; ++j) {
            for (int i = i0; i <= i0 + s; ++i) {
                float h = H(i, j);
                (h == 0.0f ? flat : raised) = true;
                float u = (line_[i] - line_[i0]) / (line_[i0 + s] - line_[i0]);
                float v = (line_[j] - line_[j0]) / (line_[j0 + s] - line_[j0]);
                float blend = Mix(Mix(h00, h10, u), Mix(h01, h11, u), v);
                worst = std::max(worst, std::fabs(h - blend));
            }
        }
        return flat && raised ? -1.0f : worst;
    }

    float Tolerance(int i0, int j0, int s) const {
        float x = 0.5f * (line_[i0] + line_[i0 + s]), z = 0.5f * (line_[j0] + line_[j0 + s]);
        float r = std::hypot(x, z);
        float pool = std::hypot(x - kOasisX, z - kOasisZ) < kPoolRadius * 2.0f ? 0.0f : 1.0f;
        return Mix(0.05f, 0.8f + 1.7f * SmoothStep(500.0f, 1400.0f, r), pool);
    }

    // True when the block lies wholly beyond the ground's radius.
    bool Outside(int i0, int j0, int s) const {
        float x = std::clamp(0.0f, line_[i0], line_[i0 + s]);
        float z = std::clamp(0.0f, line_[j0], line_[j0 + s]);
        return std::hypot(x, z) > kGroundRadius;
    }

    void Split(int i0, int j0, int s) {
        float e = s == 1 ? 0.0f : Error(i0, j0, s);
        if (s == 1 || (s <= kLargestBlock && e >= 0.0f && e <= Tolerance(i0, j0, s))) {
            Mark(i0, j0, s, s);
            return;
        }
        int h = s / 2;
        Split(i0, j0, h);
        Split(i0 + h, j0, h);
        Split(i0, j0 + h, h);
        Split(i0 + h, j0 + h, h);
    }

    // Emits the blocks in the tree's own order, quadrant by quadrant, so that
    // triangles that follow each other in the file lie together on the ground
    // and the saver can cut the floor into compact runs.
    void Visit(int i0, int j0, int s, std::vector<FloorTriangle>* shore) {
        if (IsLeaf(i0, j0) && size_[j0 * kLines + i0] == s) {
            Emit(i0, j0, s, shore);
            return;
        }
        const int h = s / 2;
        Visit(i0, j0, h, shore);
        Visit(i0 + h, j0, h, shore);
        Visit(i0, j0 + h, h, shore);
        Visit(i0 + h, j0 + h, h, shore);
    }

    // Splits any block with a neighbour less than half its size, until none.
    void Restrict() {
        bool changed = true;
        while (changed) {
            changed = false;
            for (int j = 0; j + 1 < kLines; ++j) {
                for (int i = 0; i + 1 < kLines; ++i) {
                    if (!IsLeaf(i, j)) continue;
                    int s = size_[j * kLines + i];
                    if (s < 2) continue;
                    bool split = false;
                    for (int k = 0; k < s && !split; ++k) {
                        int n[4] = {SizeAt(i - 1, j + k), SizeAt(i + s, j + k), SizeAt(i + k, j - 1),
                                    SizeAt(i + k, j + s)};
                        for (int ns : n)
                            if (ns > 0 && ns < s / 2) split = true;
                    }
                    if (split) {
                        Mark(i, j, s, s / 2);  // four blocks of half the size
                        changed = true;
                    }
                }
            }
        }
    }

    MeshCorner Corner(int i, int j) {
        int32_t& v = vertex_[j * kLines + i];
        if (v < 0) v = static_cast<int32_t>(mesh_.AddVertex(P(i, j), -1));
        return MeshCorner{static_cast<uint32_t>(v), line_[i] / kSandTile, line_[j] / kSandTile};
    }

    void Triangle(MeshCorner a, MeshCorner b, MeshCorner c, std::vector<FloorTriangle>* shore) {
        mesh_.AddTriangle(a, b, c);
        Vec3 pa = mesh_.Position(a.vertex), pb = mesh_.Position(b.vertex), pc = mesh_.Position(c.vertex);
        Vec3 mid = (pa + pb + pc) * (1.0f / 3.0f);
        if (std::hypot(mid.x - kOasisX, mid.z - kOasisZ) < kPoolRadius * 2.0f)
            shore->push_back(FloorTriangle{{pa, pb, pc}});
    }

    void Emit(int i0, int j0, int s, std::vector<FloorTriangle>* shore) {
        if (Outside(i0, j0, s)) return;
        if (s == 1) {
            // One cell: split along the diagonal that follows the ground best.
            MeshCorner a = Corner(i0, j0), b = Corner(i0, j0 + 1), c = Corner(i0 + 1, j0 + 1), d = Corner(i0 + 1, j0);
            if (std::fabs(H(i0, j0) - H(i0 + 1, j0 + 1)) <= std::fabs(H(i0, j0 + 1) - H(i0 + 1, j0))) {
                Triangle(a, b, c, shore);
                Triangle(a, c, d, shore);
            } else {
                Triangle(a, b, d, shore);
                Triangle(b, c, d, shore);
            }
            return;
        }
        // The boundary counter-clockwise from above (+z, then +x, then -z,
        // then -x), with an edge's midpoint where the neighbour is smaller.
        const int h = s / 2;
        std::vector<std::pair<int, int>> ring;
        auto edge = [&](int ia, int ja, int di, int dj, int ni, int nj) {
            ring.push_back({ia, ja});
            int ns = SizeAt(ni, nj);
            if (ns > 0 && ns < s) ring.push_back({ia + di * h, ja + dj * h});
        };
        edge(i0, j0, 0, 1, i0 - 1, j0);               // west side, going +z
        edge(i0, j0 + s, 1, 0, i0, j0 + s);           // north side, going +x
        edge(i0 + s, j0 + s, 0, -1, i0 + s, j0 + h);  // east side, going -z
        edge(i0 + s, j0, -1, 0, i0 + h, j0 - 1);      // south side, going -x
        MeshCorner centre = Corner(i0 + h, j0 + h);
        for (std::size_t k = 0; k < ring.size(); ++k) {
            auto [ia, ja] = ring[k];
            auto [ib, jb] = ring[(k + 1) % ring.size()];
            Triangle(centre, Corner(ia, ja), Corner(ib, jb), shore);
        }
    }

    MeshBuilder& mesh_;
    float line_[kLines];
    std::vector<float> height_;
    std::vector<int> size_;        // per cell: the size of the block covering it
    std::vector<int32_t> vertex_;  // per grid point: its vertex, -1 until used
};

}  // namespace

std::vector<FloorTriangle> BuildTerrain(MeshBuilder& mesh) { return Floor(mesh).Build(); }

void BuildWater(MeshBuilder& mesh, const std::vector<FloorTriangle>& shore) {
    for (const FloorTriangle& tri : shore) {
        // Sutherland-Hodgman against the water's plane: keep what lies below.
        std::vector<Vec3> poly;
        for (int k = 0; k < 3; ++k) {
            const Vec3& cur = tri.corners[k];
            const Vec3& next = tri.corners[(k + 1) % 3];
            bool inCur = cur.y < kWaterLevel, inNext = next.y < kWaterLevel;
            if (inCur) poly.push_back(cur);
            if (inCur != inNext) poly.push_back(Lerp(cur, next, (kWaterLevel - cur.y) / (next.y - cur.y)));
        }
        if (poly.size() < 3) continue;
        std::vector<MeshCorner> corners;
        for (const Vec3& p : poly)
            corners.push_back(MeshCorner{mesh.AddVertex(V3(p.x, kWaterLevel, p.z), -1), p.x / 40.0f, p.z / 40.0f});
        for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
            mesh.AddTriangle(corners[0], corners[k], corners[k + 1]);
            for (int c = 0; c < 3; ++c) mesh.SetCornerNormal(mesh.TriangleCount() - 1, c, V3(0, 1, 0));
        }
    }
}

}  // namespace ground
