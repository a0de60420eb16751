// The fixed lighting and fog of the scene, and the state the view sets around it.
#pragma once

// Light 0: no ambient, white diffuse, faint specular, at a placeholder
// position that the frame replaces with the sun's; lighting on; back faces
// chosen for culling (culling itself is switched on per frame).
void SetSceneLight();

// Linear fog in grey 0.7 from 20 to 1,750 world units, nicest quality; fog
// itself is switched on per frame.
void SetSceneFog();

// The view's own state, set whenever its drawable gets a size, before the frame
// driver draws: smooth shading, a black clear with depth 1, the depth test with
// GL_LEQUAL, and colour material driving the ambient and diffuse reflectance.
void SetViewState();
