// CamelMesh: the camel's body, shaped in its rest pose (CamelRig.h) with every
// vertex bound to one joint.
#pragma once

#include "MeshBuilder.h"

namespace camel {

// Group 0 (material 0, the coat): torso, neck, head, ears, legs, tail.
// Group 1 (material 1, the tack): blanket and fringe, halter, eyes, soles,
// toenails, the tail's tuft.
void BuildCamelMesh(MeshBuilder& mesh);

// The torso's surface at a point along its length (z, world units) and round
// its cross-section (angle from the spine, radians, towards +x first).
Vec3 TorsoSurface(float z, float around);

}  // namespace camel
