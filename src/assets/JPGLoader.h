// JPEG textures through libjpeg-turbo. The image is decoded to RGB (grey-scale
// and CMYK sources are converted by the library), stored bottom row first like a
// TGA, then handed to BuildTexture. Corrupt, truncated or absurdly large data
// returns false with no pixels and no texture name left in the record.
#pragma once

struct Texture;

bool BuildJPGTexture(Texture* t, const void* data, long length, int alphaMode);
