#include "host/Trace.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "engine/MainClass.h"
#include "engine/SSMain.h"

namespace {

// Builds one JSON object; fields are appended in call order.
class JSONOBJECT {
public:
    JSONOBJECT& Number(const char* name, double value) {
        Key(name);
        AppendNumber(value);
        return *this;
    }
    JSONOBJECT& Integer(const char* name, int64_t value) {
        Key(name);
        text += std::to_string(value);
        return *this;
    }
    JSONOBJECT& Bool(const char* name, bool value) {
        Key(name);
        text += value ? "true" : "false";
        return *this;
    }
    JSONOBJECT& Vector(const char* name, double x, double y, double z) {
        Key(name);
        text += '[';
        AppendNumber(x);
        text += ',';
        AppendNumber(y);
        text += ',';
        AppendNumber(z);
        text += ']';
        return *this;
    }
    JSONOBJECT& Vector(const char* name, double x, double y) {
        Key(name);
        text += '[';
        AppendNumber(x);
        text += ',';
        AppendNumber(y);
        text += ']';
        return *this;
    }
    JSONOBJECT& Vector(const char* name, const VECTOR3D& v) { return Vector(name, v.x, v.y, v.z); }
    JSONOBJECT& Raw(const char* name, const std::string& json) {
        Key(name);
        text += json;
        return *this;
    }
    std::string Close() const { return text + '}'; }

private:
    void Key(const char* name) {
        text += text.size() > 1 ? ",\"" : "\"";
        text += name;
        text += "\":";
    }
    void AppendNumber(double value) {
        if (!std::isfinite(value)) {
            text += "null";
            return;
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", value);
        text += buffer;
    }
    std::string text = "{";
};

std::string Overlay(const SSMAIN& d) {
    JSONOBJECT o;
    o.Number("bannerTimer", d.bannerTimer)
        .Bool("bannerShowing", d.bannerShowing)
        .Bool("bannerAtTop", d.bannerAtTop);
    o.Vector("bannerPos", d.bannerPos.x, d.bannerPos.y)
        .Integer("messageIndex", d.messageIndex)
        .Number("messageTimer", d.messageTimer)
        .Number("messageAlpha", d.messageAlpha)
        .Bool("introDone", d.introDone)
        .Number("introUpperAlpha", d.introUpperAlpha)
        .Number("introLowerAlpha", d.introLowerAlpha);
    return o.Close();
}

std::string Camera(const CAMERA& c) {
    JSONOBJECT o;
    o.Integer("mode", c.mode)
        .Integer("lookMode", c.lookMode)
        .Integer("targetCamel", c.targetCamel)
        .Integer("landmarkIndex", c.landmarkIndex)
        .Number("modeTimer", c.modeTimer)
        .Number("lookTimer", c.lookTimer)
        .Vector("eye", c.eye)
        .Vector("eyeSmoothed", c.eyeSmoothed)
        .Vector("lookAt", c.lookAt)
        .Vector("lookAtSmoothed", c.lookAtSmoothed)
        .Vector("direction", c.direction)
        .Number("zoom", c.zoom)
        .Number("zoomGoal", c.zoomGoal)
        .Number("followRate", c.followRate);
    return o.Close();
}

// The herd, leader first; [] while it has no camels.
std::string Camels(const CAMELCONTROL* herd) {
    std::string list = "[";
    if (herd && herd->camels) {
        for (int i = 0; i < herd->numCamels; ++i) {
            const ONECAMEL& camel = herd->camels[i];
            JSONOBJECT o;
            o.Vector("position", camel.position)
                .Vector("direction", camel.direction)
                .Vector("destination", camel.destination)
                .Integer("action", camel.action)
                .Integer("zone", camel.zone)
                .Integer("routeIndex", camel.routeIndex)
                .Number("speedFactor", camel.speedFactor);
            if (i > 0) list += ',';
            list += o.Close();
        }
    }
    return list + ']';
}

}  // namespace

std::string TraceLine(int view, uint64_t frame, const SSMAIN& d) {
    JSONOBJECT line;
    line.Integer("view", view)
        .Integer("frame", static_cast<int64_t>(frame))
        .Number("t", d.elapsedTime)
        .Number("dt", d.frameTime);
    const MAINCLASS* scene = d.scene.get();
    if (scene) {
        line.Raw("camera", Camera(scene->camera));
        line.Vector("sun", scene->sunPosition);
        line.Raw("camels", Camels(scene->herd.get()));
    } else {
        line.Raw("camera", "null").Raw("sun", "null").Raw("camels", "[]");
    }
    line.Raw("overlay", Overlay(d));
    return line.Close();
}

TRACEWRITER::~TRACEWRITER() {
    if (file) std::fclose(file);
}

bool TRACEWRITER::Open(const std::string& path, int keepEvery) {
    file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "sandmere: cannot write the trace %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    every = keepEvery > 0 ? keepEvery : 1;
    return true;
}

void TRACEWRITER::Frame(int view, uint64_t frame, const SSMAIN& driver) {
    if (!file || frame == 0 || (frame - 1) % static_cast<uint64_t>(every) != 0) return;
    const std::string line = TraceLine(view, frame, driver);
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fflush(file);  // a run ended by a signal keeps every line written
}
