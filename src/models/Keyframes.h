// Keyframe reading shared by a model's own clock (MS3D::Animate) and its
// instances' clocks (ONEMODEL::Animate), so both find and blend keys by the
// same rules with the same arithmetic and pose a joint to the same bits.
#pragma once

#include "maths/NiftyMaths.h"
#include "models/MilkshapeModel.h"

inline VECTOR3D KeyValue(const MS3D_KEYFRAME& key) { return MakePoint(key.value[0], key.value[1], key.value[2]); }

// a + (b - a) * f per component, in float.
inline VECTOR3D LerpKeys(VECTOR3D a, VECTOR3D b, float f) {
    return MakePoint(a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f);
}

// Moves a search position forward over the keys earlier than `time`; the
// search only ever runs forward while a clip plays. Returns count if none is
// at or after `time`.
inline int AdvanceKey(const MS3D_KEYFRAME* keys, int count, int from, float time) {
    int k = from < 0 ? 0 : from;
    while (k < count && keys[k].time < time) ++k;
    return k;
}

// The first key not earlier than `time`, or the last key (count >= 1).
inline int FirstKeyNotBefore(const MS3D_KEYFRAME* keys, int count, float time) {
    return AdvanceKey(keys, count - 1, 0, time);
}

// Where `time` lies between keys k - 1 and k: computed in double, used in float.
inline float KeyFraction(const MS3D_KEYFRAME* keys, int k, float time) {
    const double t0 = keys[k - 1].time;
    const double t1 = keys[k].time;
    return static_cast<float>((time - t0) / (t1 - t0));
}
