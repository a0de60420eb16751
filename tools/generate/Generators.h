// The resource generator: each function builds one file of the resource folder
// from source (fixed seeds, so the same bytes every build) and writes it to path.
// On failure it prints what went wrong to standard error and returns false.
#pragma once

#include <string>

bool GenerateTextureTable(const std::string& path);  // kestrel.workshops
bool GenerateSound(const std::string& path);         // kestrel.wav
bool GenerateCamel(const std::string& path);         // c.kst
bool GenerateGround(const std::string& path);        // g.kst
bool GenerateSky(const std::string& path);           // s.kst
