// sandmere-review RESOURCE_DIR OUTDIR: renders the generated models headless
// and writes PNG pictures into OUTDIR for people to look at (and
// sandmere-review film ..., below, the whole saver in motion):
//   camel_views.png    the camel mid-stride from front, back, left and right
//   camel_stride.png   side views through the walk cycle over a ground line
//   camel_coats.png    the three coats side by side
//   camel_ride.png     the view from the riding eye
//   ground_high.png, ground_low.png, ground_plan.png, landmark_N.png
//   sky_horizon.png, sky_up.png
//   scene_N.png        sky, ground and a few camels together
//   table_contact.png  every image of kestrel.workshops over a checkerboard
// Everything is drawn with the saver's loaders and the saver's fixed state
// (light 0 at a sun, linear fog from 20 to 1,750 in grey 0.7).
//
// sandmere-review film RESOURCE_DIR OUTDIR [--seed N] [--step S] [--every S]
//     [--duration S] [--size WxH] [--camels N] [--preview]
// runs the frame driver itself with a seed and a fixed step (Film.h) and writes
// frame_NNNN.png every --every seconds (default: seed 1, step 1/30, every 2 s,
// 180 s, 640x360, 10 camels, with the 2D layer), and film.txt: one line per
// frame with the camera's mode, look, subject, eye, look point and zoom, and the
// sun's depth inside the view (above 0: the flare is drawn unless HIDDEN,
// which is told only with --preview),
// and UNDER-GROUND when the eye is within 0.5 of the generated terrain; the
// last lines count those frames and the frames with the eye below the ground
// as drawn (its triangles, ONEBG::HeightAt).
#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/SSMain.h"

#include "Film.h"
#include "generate/GroundScene.h"
#include "ReviewContext.h"
#include "ReviewImage.h"
#include "ReviewScene.h"

namespace {

constexpr int kWide = 1280;
constexpr int kHigh = 720;

struct Output {
    std::string dir;
    int written = 0;
    void Save(const std::string& name, const RGBImage& p) {
        std::string error;
        if (WritePNG(dir + name, p, &error))
            ++written;
        else
            std::fprintf(stderr, "sandmere-review: cannot write %s\n", error.c_str());
    }
};

Camera Look(VECTOR3D eye, VECTOR3D target, float fov) {
    Camera c;
    c.eye = eye;
    c.target = target;
    c.fovDegrees = fov;
    return c;
}

void SkyShots(ReviewScene& scene, Output& out) {
    scene.Begin(kWide, kHigh, Look(MakePoint(0, 10, 0), MakePoint(0, 10, -100), 60), false);
    scene.DrawSky();
    out.Save("sky_horizon.png", ReadFramebuffer(kWide, kHigh));
    scene.Begin(kWide, kHigh, Look(MakePoint(0, 10, 0), MakePoint(0, 110, -60), 80), false);
    scene.DrawSky();
    out.Save("sky_up.png", ReadFramebuffer(kWide, kHigh));
}

void GroundShots(ReviewScene& scene, Output& out) {
    struct Shot {
        const char* name;
        VECTOR3D eye, target;
        float fov;
    };
    const Shot shots[] = {
        {"ground_high.png", MakePoint(0, 600, 900), MakePoint(0, 0, 0), 60},
        {"ground_low.png", MakePoint(-60, 6, 500), MakePoint(0, 6, 0), 60},
        {"ground_edge.png", MakePoint(-700, 120, -700), MakePoint(-1500, 60, -1500), 60},
        {"ground_east.png", MakePoint(300, 40, 0), MakePoint(1000, 30, -100), 60},
    };
    for (const Shot& s : shots) {
        scene.Begin(kWide, kHigh, Look(s.eye, s.target, s.fov), true);
        scene.DrawSky();
        scene.DrawGround();
        out.Save(s.name, ReadFramebuffer(kWide, kHigh));
    }

    Camera plan;
    plan.orthographic = true;
    plan.orthoHalfHeight = 1800;
    plan.eye = MakePoint(0, 4000, 0);
    plan.target = MakePoint(0, 0, 0);
    scene.Begin(1000, 1000, plan, false);
    scene.DrawGround();
    scene.DrawWalkways();
    out.Save("ground_plan.png", ReadFramebuffer(1000, 1000));

    const std::vector<VECTOR3D>& marks = scene.Landmarks();
    for (std::size_t i = 1; i < marks.size(); ++i) {
        VECTOR3D m = marks[i];
        float len = std::sqrt(m.x * m.x + m.z * m.z);
        VECTOR3D toward = len > 1 ? MakePoint(-m.x / len, 0, -m.z / len) : MakePoint(0, 0, 1);
        VECTOR3D eye = MakePoint(m.x + toward.x * 260, 25 + m.y * 0.5f, m.z + toward.z * 260);
        scene.Begin(kWide, kHigh, Look(eye, m, 50), true);
        scene.DrawSky();
        scene.DrawGround();
        out.Save("landmark_" + std::to_string(i) + ".png", ReadFramebuffer(kWide, kHigh));
    }
}

void CamelShots(ReviewScene& scene, Output& out) {
    const int tile = 512;
    RGBImage views = BlankImage(tile * 2, tile * 2, 0);
    struct View {
        float x, z;
    } sides[] = {{0, 7.5f}, {0, -6.5f}, {7.0f, 0.45f}, {-7.0f, 0.45f}};
    for (int i = 0; i < 4; ++i) {
        scene.Begin(tile, tile, Look(MakePoint(sides[i].x, 1.6f, sides[i].z), MakePoint(0, 1.15f, 0.45f), 35), true);
        scene.DrawSky();
        scene.DrawGround();
        scene.DrawCamel(8.0f, MakePoint(0, 0, 0), 0.0f, i % 3);
        Paste(views, ReadFramebuffer(tile, tile), (i % 2) * tile, (i / 2) * tile);
    }
    out.Save("camel_views.png", views);

    // Side views through the cycle, orthographic, with a ground line at y = 0.
    const int cellW = 480, cellH = 400, columns = 4, rows = 2;
    RGBImage stride = BlankImage(cellW * columns, cellH * rows, 0);
    for (int f = 0; f < columns * rows; ++f) {
        Camera side;
        side.orthographic = true;
        side.orthoHalfHeight = 1.35f;
        side.eye = MakePoint(20, 1.2f, 0.45f);
        side.target = MakePoint(0, 1.2f, 0.45f);
        scene.Begin(cellW, cellH, side, false);
        float frame = 2.0f + 24.0f * static_cast<float>(f) / (columns * rows);
        scene.DrawCamel(frame, MakePoint(0, 0, 0), 0.0f, 1);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_COLOR_MATERIAL);
        glColor3f(1, 0, 0);
        glBegin(GL_LINES);
        glVertex3f(1, 0, -3);
        glVertex3f(1, 0, 3);
        glEnd();
        glColor3f(1, 1, 1);
        glEnable(GL_COLOR_MATERIAL);
        Paste(stride, ReadFramebuffer(cellW, cellH), (f % columns) * cellW, (f / columns) * cellH);
    }
    out.Save("camel_stride.png", stride);

    scene.Begin(kWide, kHigh, Look(MakePoint(2.5f, 2.2f, 9), MakePoint(0, 1.1f, 0), 40), true);
    scene.DrawSky();
    scene.DrawGround();
    for (int k = 0; k < 3; ++k)
        scene.DrawCamel(4.0f + 7.0f * k, MakePoint(-3.0f + 3.0f * k, 0, -1.0f * k), 10.0f * k, k);
    out.Save("camel_coats.png", ReadFramebuffer(kWide, kHigh));

    scene.Begin(kWide, kHigh, Look(MakePoint(0, 2.35f, 0), MakePoint(0, 0.5f, 10), 45), true);
    scene.DrawSky();
    scene.DrawGround();
    scene.DrawCamel(8.0f, MakePoint(0, 0, 0), 0.0f, 0);
    scene.DrawCamel(14.0f, MakePoint(1.5f, 0, 7), 0.0f, 2);
    out.Save("camel_ride.png", ReadFramebuffer(kWide, kHigh));
}

void SceneShots(ReviewScene& scene, Output& out) {
    struct Shot {
        VECTOR3D eye, target;
    };
    const Shot shots[] = {
        {MakePoint(40, 12, 70), MakePoint(10, 3, 20)},
        {MakePoint(-320, 30, 120), MakePoint(-100, 5, -150)},
        {MakePoint(220, 18, -120), MakePoint(700, 40, -180)},
    };
    int n = 0;
    for (const Shot& s : shots) {
        scene.Begin(kWide, kHigh, Look(s.eye, s.target, 50), true);
        scene.DrawSky();
        scene.DrawGround();
        for (int k = 0; k < 6; ++k) {
            VECTOR3D p = MakePoint(s.target.x + 6.0f * (k % 3) - 6, 0, s.target.z + 5.0f * (k / 3) - 3);
            if (s.target.y > 10) p = MakePoint(s.eye.x + 30 + 5.0f * k, 0, s.eye.z - 10 - 4.0f * k);
            scene.DrawCamel(2.0f + 4.0f * k, p, 30.0f * k, k % 3);
        }
        out.Save("scene_" + std::to_string(++n) + ".png", ReadFramebuffer(kWide, kHigh));
    }
}

void TableSheet(const std::string& resourceDir, Output& out) {
    TextureTable table;
    std::string path = resourceDir + "kestrel.workshops";
    if (!LoadTexturesFromDataFile(path.c_str(), &table.entries, &table.count)) {
        std::fprintf(stderr, "sandmere-review: cannot load %s\n", path.c_str());
        return;
    }
    const int cell = 300, columns = 4;
    int rows = (table.count + columns - 1) / columns;
    RGBImage sheet = BlankImage(cell * columns, cell * rows, 40);
    for (int i = 0; i < table.count; ++i) {
        const Texture& t = table.entries[i];
        if (t.textureName == 0 || t.width == 0) continue;
        std::vector<uint8_t> rgba(static_cast<std::size_t>(t.width) * t.height * 4);
        glBindTexture(GL_TEXTURE_2D, t.textureName);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        float scale = std::min(1.0f, static_cast<float>(cell - 12) / std::max(t.width, t.height));
        int w = static_cast<int>(t.width * scale), h = static_cast<int>(t.height * scale);
        RGBImage p = BlankImage(w, h, 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int sx = static_cast<int>(x / scale), sy = static_cast<int>(t.height - 1 - static_cast<int>(y / scale));
                const uint8_t* s = &rgba[(static_cast<std::size_t>(sy) * t.width + sx) * 4];
                float a = s[3] / 255.0f;
                uint8_t check = ((x / 8 + y / 8) % 2) ? 90 : 150;
                for (int c = 0; c < 3; ++c) PixelOf(p, x, y)[c] = static_cast<uint8_t>(s[c] * a + check * (1 - a));
            }
        }
        Paste(sheet, p, (i % columns) * cell + 6, (i / columns) * cell + 6);
    }
    out.Save("table_contact.png", sheet);
}

const char* const kModeNames[] = {"tripod", "fly", "ride", "orbit"};

// Whether the frame just drawn hides the sun at its pixel: the frame's view
// rebuilt from the camera (with this frame's zoom, a hair from the one drawn
// with) and the sun's depth compared with the depth buffer, as the flare does.
// Meaningful without the 2D layer (--preview), which draws over the depth.
bool SunHidden(const MAINCLASS& scene, int width, int height) {
    const CAMERA& c = scene.camera;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0 * c.zoom, static_cast<double>(width) / height, 0.5, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(c.eyeSmoothed.x, c.eyeSmoothed.y, c.eyeSmoothed.z, c.lookAtSmoothed.x, c.lookAtSmoothed.y,
              c.lookAtSmoothed.z, c.upSmoothed.x, c.upSmoothed.y, c.upSmoothed.z);
    glViewport(0, 0, width, height);
    const bool hidden = scene.frustum.IsOccluded(scene.sunPosition);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return hidden;
}

int Film(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: sandmere-review film RESOURCE_DIR OUTDIR [--seed N] [--step S] [--every S] "
                             "[--duration S] [--size WxH] [--camels N] [--preview]\n");
        return 2;
    }
    FILMSETTINGS film;
    film.resourceDir = argv[2];
    std::string dir = argv[3];
    if (dir.back() != '/') dir += '/';
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option == "--preview") {
            film.preview = true;
            continue;
        }
        if (!value) {
            std::fprintf(stderr, "sandmere-review: %s needs a value\n", option.c_str());
            return 2;
        }
        ++i;
        if (option == "--seed") film.seed = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
        else if (option == "--step") film.step = std::strtod(value, nullptr);
        else if (option == "--every") film.every = std::strtod(value, nullptr);
        else if (option == "--duration") film.duration = std::strtod(value, nullptr);
        else if (option == "--camels") film.camels = std::atoi(value);
        else if (option == "--size") std::sscanf(value, "%dx%d", &film.width, &film.height);
        else {
            std::fprintf(stderr, "sandmere-review: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (film.step <= 0 || film.every <= 0 || film.width <= 0 || film.height <= 0) {
        std::fprintf(stderr, "sandmere-review: step, every and size must be positive\n");
        return 2;
    }
    ::mkdir(dir.c_str(), 0755);
    ReviewContext context(film.width, film.height);
    if (!context.Ready()) return 1;

    std::FILE* log = std::fopen((dir + "film.txt").c_str(), "w");
    if (!log) {
        std::fprintf(stderr, "sandmere-review: cannot write %sfilm.txt\n", dir.c_str());
        return 1;
    }
    Output out{dir};
    // Contact sheets of twelve frames at half size, to look over a film quickly.
    constexpr int kSheetColumns = 3, kSheetFrames = 12;
    RGBImage sheet;
    const auto saveSheet = [&](int last) {
        char name[32];
        std::snprintf(name, sizeof name, "sheet_%02d.png", (last - 1) / kSheetFrames + 1);
        out.Save(name, sheet);
        sheet = RGBImage();
    };
    int lastIndex = 0;
    long frames = 0, underground = 0, belowDrawn = 0;
    std::string episodes;  // "from-to" seconds of each stretch with the eye inside the ground
    bool inside = false;
    // Within 0.5 of the generator's terrain (the smooth surface the mesh
    // samples, without the landmarks)...
    const auto eyeInDune = [](const CAMERA& c) {
        return c.eyeSmoothed.y < ground::TerrainHeight(c.eyeSmoothed.x, c.eyeSmoothed.z) + 0.5f;
    };
    // ... or below the ground the saver draws (its triangles, landmarks and all).
    const auto eyeInDrawnGround = [](const MAINCLASS& scene) {
        const VECTOR3D e = scene.camera.eyeSmoothed;
        return scene.ground && e.y < scene.ground->HeightAt(e.x, e.z);
    };
    const auto everyFrame = [&](const SSMAIN& driver) {
        ++frames;
        belowDrawn += eyeInDrawnGround(*driver.scene);
        const bool now = eyeInDune(driver.scene->camera);
        char at[32];
        std::snprintf(at, sizeof at, now ? " %.2f" : "-%.2f", driver.elapsedTime);
        if (now != inside) episodes += at;
        inside = now;
        underground += now;
    };
    const bool ran = RunFilm(film, [&](int index, double seconds, const SSMAIN& driver) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.png", index);
        const RGBImage frame = ReadFramebuffer(film.width, film.height);
        out.Save(name, frame);
        const RGBImage small = HalfSize(frame);
        if (sheet.width == 0)
            sheet = BlankImage(small.width * kSheetColumns, small.height * (kSheetFrames / kSheetColumns), 0);
        const int slot = (index - 1) % kSheetFrames;
        Paste(sheet, small, (slot % kSheetColumns) * small.width, (slot / kSheetColumns) * small.height);
        if (slot == kSheetFrames - 1) saveSheet(index);
        lastIndex = index;
        const MAINCLASS& scene = *driver.scene;
        const CAMERA& c = scene.camera;
        const VECTOR3D leader = scene.herd->camels[0].position;
        std::fprintf(log,
                     "%s t=%.1f mode=%s look=%s subject=%s%d eye=(%.1f %.1f %.1f) lookAt=(%.1f %.1f %.1f) "
                     "zoom=%.2f sun=%.1f%s leader=(%.1f %.1f)%s\n",
                     name, seconds, kModeNames[c.mode & 3], c.lookMode == 0 ? "ahead" : "subject",
                     c.landmarkIndex == 0 ? "camel" : "landmark",
                     c.landmarkIndex == 0 ? c.targetCamel : c.landmarkIndex, c.eyeSmoothed.x, c.eyeSmoothed.y,
                     c.eyeSmoothed.z, c.lookAtSmoothed.x, c.lookAtSmoothed.y, c.lookAtSmoothed.z, c.zoom,
                     scene.frustum.SphereInFrustum2(scene.sunPosition, 2.0f),
                     film.preview && scene.frustum.SphereInFrustum2(scene.sunPosition, 2.0f) > 0 &&
                             SunHidden(scene, film.width, film.height) ? " HIDDEN" : "",
                     leader.x, leader.z,
                     eyeInDune(c) ? " UNDER-GROUND" : "");
    }, everyFrame);
    if (sheet.width != 0) saveSheet(lastIndex);
    if (underground > 0)
        std::fprintf(log, "the eye was inside the ground in %ld of %ld frames, at (s):%s%s\n", underground, frames,
                     episodes.c_str(), inside ? "-end" : "");
    std::fprintf(log, "the eye was below the drawn ground in %ld of %ld frames\n", belowDrawn, frames);
    std::fclose(log);
    if (!ran) {
        std::fprintf(stderr, "sandmere-review: the frame driver could not be set up from %s\n",
                     film.resourceDir.c_str());
        return 1;
    }
    std::printf("sandmere-review: %d frames in %s\n", out.written, dir.c_str());
    return out.written > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "film") return Film(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: sandmere-review RESOURCE_DIR OUTDIR\n");
        return 2;
    }
    std::string resources = argv[1];
    if (resources.back() != '/') resources += '/';
    Output out{argv[2]};
    if (out.dir.back() != '/') out.dir += '/';
    ::mkdir(out.dir.c_str(), 0755);

    ReviewContext context(2048, 1024);
    if (!context.Ready()) return 1;

    ReviewScene scene(resources);
    if (scene.LoadSky()) SkyShots(scene, out);
    bool ground = scene.LoadGround();
    if (ground) GroundShots(scene, out);
    if (scene.LoadCamel()) {
        CamelShots(scene, out);
        if (ground) SceneShots(scene, out);
    }
    TableSheet(resources, out);
    std::printf("sandmere-review: %d pictures in %s\n", out.written, out.dir.c_str());
    return out.written > 0 ? 0 : 1;
}
